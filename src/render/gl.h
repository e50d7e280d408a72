#pragma once
// The OpenGL 3.3 core entry points the program uses, resolved once at start-up
// through the platform's proc-address lookup. No system GL header is included
// and no GL library is linked: every call goes through the table below.
#include <cstddef>
#include <cstdint>

#include "base/errors.h"

#if defined(_WIN32)
#define SKORVIA_GL_CALL __stdcall
#else
#define SKORVIA_GL_CALL
#endif

using GLenum = unsigned int;
using GLuint = unsigned int;
using GLint = int;
using GLsizei = int;
using GLboolean = unsigned char;
using GLbitfield = unsigned int;
using GLfloat = float;
using GLchar = char;
using GLsizeiptr = std::ptrdiff_t;
using GLintptr = std::ptrdiff_t;

constexpr GLenum GL_ZERO = 0;
constexpr GLenum GL_ONE = 1;
constexpr GLenum GL_FALSE = 0;
constexpr GLenum GL_TRIANGLES = 0x0004;
constexpr GLenum GL_SRC_ALPHA = 0x0302;
constexpr GLenum GL_ONE_MINUS_SRC_ALPHA = 0x0303;
constexpr GLenum GL_BLEND = 0x0BE2;
constexpr GLenum GL_SCISSOR_TEST = 0x0C11;
constexpr GLenum GL_UNPACK_ALIGNMENT = 0x0CF5;
constexpr GLenum GL_PACK_ALIGNMENT = 0x0D05;
constexpr GLenum GL_TEXTURE_2D = 0x0DE1;
constexpr GLenum GL_UNSIGNED_BYTE = 0x1401;
constexpr GLenum GL_FLOAT = 0x1406;
constexpr GLenum GL_RED = 0x1903;
constexpr GLenum GL_RGBA = 0x1908;
constexpr GLenum GL_LINEAR = 0x2601;
constexpr GLenum GL_TEXTURE_MAG_FILTER = 0x2800;
constexpr GLenum GL_TEXTURE_MIN_FILTER = 0x2801;
constexpr GLenum GL_TEXTURE_WRAP_S = 0x2802;
constexpr GLenum GL_TEXTURE_WRAP_T = 0x2803;
constexpr GLbitfield GL_COLOR_BUFFER_BIT = 0x4000;
constexpr GLenum GL_CLAMP_TO_EDGE = 0x812F;
constexpr GLenum GL_R8 = 0x8229;
constexpr GLenum GL_TEXTURE0 = 0x84C0;
constexpr GLenum GL_ARRAY_BUFFER = 0x8892;
constexpr GLenum GL_STREAM_DRAW = 0x88E0;
constexpr GLenum GL_FRAGMENT_SHADER = 0x8B30;
constexpr GLenum GL_VERTEX_SHADER = 0x8B31;
constexpr GLenum GL_COMPILE_STATUS = 0x8B81;
constexpr GLenum GL_LINK_STATUS = 0x8B82;

// The 43 entry points in the order they are resolved; a failure reports the
// first name in this order that the driver does not provide.
#define SKORVIA_GL_FUNCTIONS(X)                                                                               \
    X(void, glViewport, (GLint x, GLint y, GLsizei width, GLsizei height))                                     \
    X(void, glScissor, (GLint x, GLint y, GLsizei width, GLsizei height))                                      \
    X(void, glEnable, (GLenum cap))                                                                            \
    X(void, glDisable, (GLenum cap))                                                                           \
    X(void, glBlendFuncSeparate, (GLenum src_rgb, GLenum dst_rgb, GLenum src_alpha, GLenum dst_alpha))        \
    X(void, glClearColor, (GLfloat r, GLfloat g, GLfloat b, GLfloat a))                                        \
    X(void, glClear, (GLbitfield mask))                                                                        \
    X(GLuint, glCreateShader, (GLenum type))                                                                   \
    X(void, glShaderSource, (GLuint shader, GLsizei count, const GLchar* const* strings, const GLint* lengths)) \
    X(void, glCompileShader, (GLuint shader))                                                                  \
    X(void, glGetShaderiv, (GLuint shader, GLenum name, GLint * value))                                        \
    X(void, glGetShaderInfoLog, (GLuint shader, GLsizei capacity, GLsizei * length, GLchar * log))             \
    X(void, glDeleteShader, (GLuint shader))                                                                   \
    X(GLuint, glCreateProgram, (void))                                                                         \
    X(void, glAttachShader, (GLuint program, GLuint shader))                                                   \
    X(void, glLinkProgram, (GLuint program))                                                                   \
    X(void, glGetProgramiv, (GLuint program, GLenum name, GLint * value))                                      \
    X(void, glGetProgramInfoLog, (GLuint program, GLsizei capacity, GLsizei * length, GLchar * log))           \
    X(void, glDeleteProgram, (GLuint program))                                                                 \
    X(void, glUseProgram, (GLuint program))                                                                    \
    X(GLint, glGetUniformLocation, (GLuint program, const GLchar* name))                                       \
    X(void, glUniform1f, (GLint location, GLfloat v0))                                                         \
    X(void, glUniform2f, (GLint location, GLfloat v0, GLfloat v1))                                             \
    X(void, glUniform1i, (GLint location, GLint v0))                                                           \
    X(void, glGenVertexArrays, (GLsizei n, GLuint * arrays))                                                   \
    X(void, glDeleteVertexArrays, (GLsizei n, const GLuint* arrays))                                           \
    X(void, glBindVertexArray, (GLuint array))                                                                 \
    X(void, glGenBuffers, (GLsizei n, GLuint * buffers))                                                       \
    X(void, glDeleteBuffers, (GLsizei n, const GLuint* buffers))                                               \
    X(void, glBindBuffer, (GLenum target, GLuint buffer))                                                      \
    X(void, glBufferData, (GLenum target, GLsizeiptr size, const void* data, GLenum usage))                    \
    X(void, glBufferSubData, (GLenum target, GLintptr offset, GLsizeiptr size, const void* data))              \
    X(void, glVertexAttribPointer,                                                                             \
      (GLuint index, GLint size, GLenum type, GLboolean normalized, GLsizei stride, const void* pointer))      \
    X(void, glEnableVertexAttribArray, (GLuint index))                                                         \
    X(void, glVertexAttribDivisor, (GLuint index, GLuint divisor))                                             \
    X(void, glDrawArraysInstanced, (GLenum mode, GLint first, GLsizei count, GLsizei instances))              \
    X(void, glGenTextures, (GLsizei n, GLuint * textures))                                                     \
    X(void, glDeleteTextures, (GLsizei n, const GLuint* textures))                                             \
    X(void, glBindTexture, (GLenum target, GLuint texture))                                                    \
    X(void, glActiveTexture, (GLenum texture))                                                                 \
    X(void, glTexParameteri, (GLenum target, GLenum name, GLint value))                                        \
    X(void, glTexImage2D, (GLenum target, GLint level, GLint internal_format, GLsizei width, GLsizei height,   \
                           GLint border, GLenum format, GLenum type, const void* pixels))                      \
    X(void, glPixelStorei, (GLenum name, GLint value))

struct GlFunctions {
#define SKORVIA_GL_MEMBER(ret, name, params) ret(SKORVIA_GL_CALL* name) params = nullptr;
    SKORVIA_GL_FUNCTIONS(SKORVIA_GL_MEMBER)
#undef SKORVIA_GL_MEMBER
};

// The process-wide table, filled once at start-up and read by all drawing.
extern GlFunctions gl;

// A proc-address lookup: returns the entry point for a name, or null.
using GlProc = void (*)();
using GlLookup = GlProc (*)(const char* name);

// Resolves every entry point in table order through `lookup`. The first name
// without an address is logged ("OpenGL function <name> is missing") and the
// result is MissingGlFunction; the table is then left partly filled.
StartupError load_gl_functions_with(GlLookup lookup);

// Empties the table when the context goes: the next run in this process may
// find the library elsewhere, and a stale address must never be called.
void forget_gl_functions();
