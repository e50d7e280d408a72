#include "render/gl.h"

#include <cstring>

#include "base/log.h"

GlFunctions gl;

namespace {

// Copies a looked-up address into a typed table entry.
template <typename F>
bool resolve(GlLookup lookup, const char* name, F& out) {
    GlProc proc = lookup(name);
    if (!proc) {
        LogText text;
        text << "OpenGL function " << name << " is missing";
        log_line(LogLevel::Error, text);
        return false;
    }
    static_assert(sizeof(F) == sizeof(GlProc));
    std::memcpy(&out, &proc, sizeof out);
    return true;
}

}  // namespace

StartupError load_gl_functions_with(GlLookup lookup) {
#define SKORVIA_GL_RESOLVE(ret, name, params) \
    if (!resolve(lookup, #name, gl.name)) return StartupError::MissingGlFunction;
    SKORVIA_GL_FUNCTIONS(SKORVIA_GL_RESOLVE)
#undef SKORVIA_GL_RESOLVE
    return StartupError::None;
}

void forget_gl_functions() { gl = {}; }
