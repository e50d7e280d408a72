#include "render/shader.h"

#include "base/log.h"

namespace {

constexpr GLsizei INFO_LOG_CAPACITY = 2048;

// Logs "<prefix><driver log>" at error level. The driver's text is cut to
// the log line's capacity.
void log_driver_message(LogText& text, const char* log, GLsizei length) {
    if (length < 0) length = 0;
    if (length > INFO_LOG_CAPACITY) length = INFO_LOG_CAPACITY;
    // Drivers end their log with a newline; one line per event.
    while (length > 0 && (log[length - 1] == '\n' || log[length - 1] == '\0')) --length;
    text << std::string_view(log, static_cast<size_t>(length));
    log_line(LogLevel::Error, text);
}

GLuint compile_stage(const char* name, GLenum type, const char* stage_word, const char* source, size_t length) {
    GLuint shader = gl.glCreateShader(type);
    const GLchar* sources[1] = {source};
    const GLint lengths[1] = {static_cast<GLint>(length)};
    gl.glShaderSource(shader, 1, sources, lengths);
    gl.glCompileShader(shader);
    GLint ok = 0;
    gl.glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok) return shader;
    char log[INFO_LOG_CAPACITY];
    GLsizei log_length = 0;
    gl.glGetShaderInfoLog(shader, INFO_LOG_CAPACITY, &log_length, log);
    LogText text;
    text << "can't compile the " << name << " " << stage_word << " shader: ";
    log_driver_message(text, log, log_length);
    gl.glDeleteShader(shader);
    return 0;
}

}  // namespace

StartupError compile_program(const char* name, const char* vertex_source, size_t vertex_length,
                             const char* fragment_source, size_t fragment_length, GLuint& program) {
    program = 0;
    GLuint vertex = compile_stage(name, GL_VERTEX_SHADER, "vertex", vertex_source, vertex_length);
    if (!vertex) return StartupError::ShaderFailed;
    GLuint fragment = compile_stage(name, GL_FRAGMENT_SHADER, "fragment", fragment_source, fragment_length);
    if (!fragment) {
        gl.glDeleteShader(vertex);
        return StartupError::ShaderFailed;
    }
    GLuint linked = gl.glCreateProgram();
    gl.glAttachShader(linked, vertex);
    gl.glAttachShader(linked, fragment);
    gl.glLinkProgram(linked);
    GLint ok = 0;
    gl.glGetProgramiv(linked, GL_LINK_STATUS, &ok);
    if (!ok) {
        char log[INFO_LOG_CAPACITY];
        GLsizei log_length = 0;
        gl.glGetProgramInfoLog(linked, INFO_LOG_CAPACITY, &log_length, log);
        LogText text;
        text << "can't link the " << name << " shaders: ";
        log_driver_message(text, log, log_length);
        gl.glDeleteProgram(linked);
        gl.glDeleteShader(fragment);
        gl.glDeleteShader(vertex);
        return StartupError::ShaderFailed;
    }
    // The shaders stay attached to the program; deleting them now frees them with it.
    gl.glDeleteShader(fragment);
    gl.glDeleteShader(vertex);
    program = linked;
    return StartupError::None;
}
