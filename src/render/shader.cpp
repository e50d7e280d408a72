#include "render/shader.h"

#include <string_view>

#include "base/log.h"

namespace {

constexpr GLsizei INFO_LOG_CAPACITY = 2048;

// Logs the driver's text at error level, every line of it after `context`
// ("can't compile the text vertex shader: "). A driver line too long for one
// log line goes on in the next, so the whole log reaches standard error and
// every line of it reads on its own.
void log_driver_message(std::string_view context, const char* log, GLsizei length) {
    if (length < 0) length = 0;
    if (length > INFO_LOG_CAPACITY) length = INFO_LOG_CAPACITY;
    std::string_view rest(log, static_cast<size_t>(length));
    rest = rest.substr(0, rest.find('\0'));
    context = context.substr(0, LogText::CAPACITY - 80);  // keeps room for the driver's words
    const size_t room = LogText::CAPACITY - context.size();
    bool logged = false;
    while (!rest.empty()) {
        const size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
        while (!line.empty()) {
            const std::string_view piece = line.substr(0, room);
            line.remove_prefix(piece.size());
            LogText text;
            text << context << piece;
            log_line(LogLevel::Error, text);
            logged = true;
        }
    }
    if (!logged) {
        // A driver that gives no reason still has the failure reported.
        LogText text;
        text << context;
        log_line(LogLevel::Error, text);
    }
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
    LogText context;
    context << "can't compile the " << name << " " << stage_word << " shader: ";
    log_driver_message(context.view(), log, log_length);
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
        LogText context;
        context << "can't link the " << name << " shaders: ";
        log_driver_message(context.view(), log, log_length);
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
