// Shader failures on the real driver (SDL's offscreen driver over Mesa): the
// driver's whole log reaches standard error.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/shader.h"
#include "screenshots/offscreen.h"

namespace {

class ShaderDriver : public ::testing::Test {
protected:
    static Offscreen screen;
    static void SetUpTestSuite() { ASSERT_TRUE(open_offscreen(screen, 64, 64)); }
    static void TearDownTestSuite() { close_offscreen(screen); }
    void SetUp() override {
        ASSERT_TRUE(screen.renderer);
        load_gl_functions();  // other tests may have replaced the table
    }
};

Offscreen ShaderDriver::screen;

// The log the driver itself gives for a fragment shader.
std::string driver_log(const std::string& source) {
    GLuint shader = gl.glCreateShader(GL_FRAGMENT_SHADER);
    const GLchar* text = source.data();
    const GLint length = static_cast<GLint>(source.size());
    gl.glShaderSource(shader, 1, &text, &length);
    gl.glCompileShader(shader);
    std::vector<char> log(2048);
    GLsizei written = 0;
    gl.glGetShaderInfoLog(shader, 2048, &written, log.data());
    gl.glDeleteShader(shader);
    return std::string(log.data(), static_cast<size_t>(written));
}

TEST_F(ShaderDriver, EveryLineOfALongCompileLogIsLogged) {
    const std::string vertex = "#version 330 core\nvoid main() { gl_Position = vec4(0.0); }\n";
    std::string fragment = "#version 330 core\nout vec4 frag_color;\nvoid main() {\n";
    for (int i = 0; i < 40; ++i) fragment += "    frag_color += undeclared_colour_number_" + std::to_string(i) + ";\n";
    fragment += "}\n";
    const std::string expected = driver_log(fragment);
    ASSERT_GT(expected.size(), 600u) << expected;  // longer than one log line holds

    GLuint program = 0;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(compile_program("text", vertex.data(), vertex.size(), fragment.data(), fragment.size(), program),
              StartupError::ShaderFailed);
    const std::string logged = ::testing::internal::GetCapturedStderr();

    const std::string prefix = "error: can't compile the text fragment shader: ";
    size_t at = 0;
    size_t lines = 0;
    for (size_t start = 0, end = 0; (end = expected.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = expected.substr(start, end - start);
        if (line.empty()) continue;
        const size_t found = logged.find(prefix + line + "\n", at);
        ASSERT_NE(found, std::string::npos) << line;
        at = found + 1;
        ++lines;
    }
    EXPECT_GT(lines, 10u);
}

}  // namespace
