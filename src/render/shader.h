#pragma once
// Compiling and linking a GLSL program from two embedded sources.
#include <cstddef>

#include "base/errors.h"
#include "render/gl.h"

// Compiles the vertex and fragment sources (explicit lengths, not
// NUL-terminated) and links them. On failure logs the driver's message
// ("can't compile the <name> vertex shader: ...", "can't link the <name>
// shaders: ..."), deletes what it created and returns ShaderFailed.
StartupError compile_program(const char* name, const char* vertex_source, size_t vertex_length,
                             const char* fragment_source, size_t fragment_length, GLuint& program);
