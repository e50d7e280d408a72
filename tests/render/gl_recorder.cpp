#include "gl_recorder.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <type_traits>

FakeGl fake_gl;

namespace {

enum GlIndex {
#define SKORVIA_GL_INDEX(ret, name, params) INDEX_##name,
    SKORVIA_GL_FUNCTIONS(SKORVIA_GL_INDEX)
#undef SKORVIA_GL_INDEX
};

const char* const NAMES[] = {
#define SKORVIA_GL_NAME(ret, name, params) #name,
    SKORVIA_GL_FUNCTIONS(SKORVIA_GL_NAME)
#undef SKORVIA_GL_NAME
};

std::map<GLuint, GLenum> shader_types;
GLuint next_name = 1;

template <typename T>
double as_number(T v) {
    if constexpr (std::is_pointer_v<T>) {
        return static_cast<double>(reinterpret_cast<std::uintptr_t>(v));
    } else {
        return static_cast<double>(v);
    }
}

template <int N, typename F>
struct Recorder;

template <int N, typename R, typename... A>
struct Recorder<N, R(SKORVIA_GL_CALL*)(A...)> {
    static R SKORVIA_GL_CALL call(A... a) {
        fake_gl.calls.push_back({NAMES[N], {as_number(a)...}});
        if constexpr (!std::is_void_v<R>) return R(next_name++);
    }
};

GLuint SKORVIA_GL_CALL create_shader(GLenum type) {
    fake_gl.calls.push_back({"glCreateShader", {as_number(type)}});
    GLuint name = next_name++;
    shader_types[name] = type;
    return name;
}

void SKORVIA_GL_CALL get_shader(GLuint shader, GLenum what, GLint* value) {
    fake_gl.calls.push_back({"glGetShaderiv", {as_number(shader), as_number(what)}});
    *value = shader_types[shader] == fake_gl.failing_stage ? 0 : 1;
}

void SKORVIA_GL_CALL get_program(GLuint program, GLenum what, GLint* value) {
    fake_gl.calls.push_back({"glGetProgramiv", {as_number(program), as_number(what)}});
    *value = fake_gl.failing_stage == 1 ? 0 : 1;
}

void write_log(GLsizei capacity, GLsizei* length, GLchar* log) {
    GLsizei n = static_cast<GLsizei>(fake_gl.info_log.size());
    if (n > capacity) n = capacity;
    std::memcpy(log, fake_gl.info_log.data(), static_cast<size_t>(n));
    *length = n;
}

void SKORVIA_GL_CALL shader_log(GLuint shader, GLsizei capacity, GLsizei* length, GLchar* log) {
    fake_gl.calls.push_back({"glGetShaderInfoLog", {as_number(shader), as_number(capacity)}});
    write_log(capacity, length, log);
}

void SKORVIA_GL_CALL program_log(GLuint program, GLsizei capacity, GLsizei* length, GLchar* log) {
    fake_gl.calls.push_back({"glGetProgramInfoLog", {as_number(program), as_number(capacity)}});
    write_log(capacity, length, log);
}

// Object names come from the same counter as shaders and programs.
template <const char* NAME>
void SKORVIA_GL_CALL generate(GLsizei n, GLuint* names) {
    for (GLsizei i = 0; i < n; ++i) names[i] = next_name++;
    fake_gl.calls.push_back({NAME, {as_number(n), as_number(n > 0 ? names[0] : 0)}});
}
// Deletions record the first name itself rather than its address.
template <const char* NAME>
void SKORVIA_GL_CALL remove(GLsizei n, const GLuint* names) {
    fake_gl.calls.push_back({NAME, {as_number(n), as_number(n > 0 ? names[0] : 0)}});
}
constexpr char GEN_VERTEX_ARRAYS[] = "glGenVertexArrays";
constexpr char GEN_BUFFERS[] = "glGenBuffers";
constexpr char GEN_TEXTURES[] = "glGenTextures";
constexpr char DELETE_VERTEX_ARRAYS[] = "glDeleteVertexArrays";
constexpr char DELETE_BUFFERS[] = "glDeleteBuffers";
constexpr char DELETE_TEXTURES[] = "glDeleteTextures";

}  // namespace

void install_fake_gl() {
#define SKORVIA_GL_FAKE(ret, name, params) gl.name = &Recorder<INDEX_##name, decltype(gl.name)>::call;
    SKORVIA_GL_FUNCTIONS(SKORVIA_GL_FAKE)
#undef SKORVIA_GL_FAKE
    gl.glCreateShader = create_shader;
    gl.glGetShaderiv = get_shader;
    gl.glGetProgramiv = get_program;
    gl.glGetShaderInfoLog = shader_log;
    gl.glGetProgramInfoLog = program_log;
    gl.glGenVertexArrays = generate<GEN_VERTEX_ARRAYS>;
    gl.glGenBuffers = generate<GEN_BUFFERS>;
    gl.glGenTextures = generate<GEN_TEXTURES>;
    gl.glDeleteVertexArrays = remove<DELETE_VERTEX_ARRAYS>;
    gl.glDeleteBuffers = remove<DELETE_BUFFERS>;
    gl.glDeleteTextures = remove<DELETE_TEXTURES>;
    fake_gl = FakeGl{};
    shader_types.clear();
    next_name = 1;
}

std::vector<GlCall> calls_named(const std::string& name) {
    std::vector<GlCall> out;
    for (const GlCall& c : fake_gl.calls) {
        if (c.name == name) out.push_back(c);
    }
    return out;
}

std::vector<std::string> call_names() {
    std::vector<std::string> out;
    for (const GlCall& c : fake_gl.calls) out.push_back(c.name);
    return out;
}
