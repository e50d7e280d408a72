// The pipeline framework against a recording stand-in for OpenGL: entry-point
// loading, shader compilation failures, uploads and sub-range draws.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "gl_recorder.h"
#include "render/letterbox.h"
#include "render/pipelines.h"
#include "render/renderer.h"
#include "render/shader.h"
#include "render/text.h"
#include "screenshots/scenes.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class GlFramework : public ::testing::Test {
protected:
    void SetUp() override { install_fake_gl(); }
};

std::vector<std::string> asked_names;
const char* missing_name = nullptr;

void dummy_entry() {}

GlProc fake_lookup(const char* name) {
    asked_names.push_back(name);
    if (missing_name && std::strcmp(name, missing_name) == 0) return nullptr;
    return dummy_entry;
}

TEST_F(GlFramework, LoaderAsksInTableOrderAndStopsAtTheFirstMissingName) {
    asked_names.clear();
    missing_name = nullptr;
    EXPECT_EQ(load_gl_functions_with(fake_lookup), StartupError::None);
    ASSERT_EQ(asked_names.size(), 43u);
    EXPECT_EQ(asked_names.front(), "glViewport");
    EXPECT_EQ(asked_names[20], "glGetUniformLocation");
    EXPECT_EQ(asked_names.back(), "glPixelStorei");

    asked_names.clear();
    missing_name = "glUniform2f";
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(load_gl_functions_with(fake_lookup), StartupError::MissingGlFunction);
    std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_THAT(log, HasSubstr("OpenGL function glUniform2f is missing"));
    EXPECT_THAT(log, HasSubstr("error"));
    EXPECT_EQ(asked_names.size(), 23u);  // nothing after the missing one is asked for
    EXPECT_EQ(asked_names.back(), "glUniform2f");
    missing_name = nullptr;
    install_fake_gl();  // the dummies must not be called
}

struct CompileCase {
    GLenum failing_stage;
    const char* message;
    std::vector<std::string> deletions;  // after the failure, in order
};

TEST_F(GlFramework, CompileFailuresLogTheDriverMessageAndDeleteEverything) {
    const CompileCase cases[] = {
        {GL_VERTEX_SHADER, "can't compile the planets vertex shader: 0:7(12): error: syntax error",
         {"glDeleteShader"}},
        {GL_FRAGMENT_SHADER, "can't compile the planets fragment shader: 0:7(12): error: syntax error",
         {"glDeleteShader", "glDeleteShader"}},
        {1, "can't link the planets shaders: 0:7(12): error: syntax error",
         {"glDeleteProgram", "glDeleteShader", "glDeleteShader"}},
    };
    for (const CompileCase& c : cases) {
        install_fake_gl();
        fake_gl.failing_stage = c.failing_stage;
        GLuint program = 99;
        ::testing::internal::CaptureStderr();
        StartupError e = compile_program("planets", "v", 1, "f", 1, program);
        std::string log = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(e, StartupError::ShaderFailed);
        EXPECT_EQ(program, 0u);
        EXPECT_THAT(log, HasSubstr(c.message));

        std::vector<std::string> deletions;
        std::vector<double> deleted;
        for (const GlCall& call : fake_gl.calls) {
            if (call.name.rfind("glDelete", 0) == 0) {
                deletions.push_back(call.name);
                deleted.push_back(call.args[0]);
            }
        }
        EXPECT_EQ(deletions, c.deletions) << c.message;
        if (c.failing_stage == GL_FRAGMENT_SHADER) {
            EXPECT_THAT(deleted, ElementsAre(2, 1));  // fragment first
        }
        if (c.failing_stage == 1) {
            EXPECT_THAT(deleted, ElementsAre(3, 2, 1));  // program, fragment, vertex
        }
    }
}

TEST_F(GlFramework, ASuccessfulCompileKeepsOnlyTheProgram) {
    GLuint program = 0;
    EXPECT_EQ(compile_program("lines", "v", 1, "f", 1, program), StartupError::None);
    EXPECT_EQ(program, 3u);
    auto sources = calls_named("glShaderSource");
    ASSERT_EQ(sources.size(), 2u);
    EXPECT_EQ(sources[0].args[1], 1);  // one string with an explicit length
    auto deleted = calls_named("glDeleteShader");
    ASSERT_EQ(deleted.size(), 2u);
    EXPECT_EQ(deleted[0].args[0], 2);  // fragment first
    EXPECT_EQ(deleted[1].args[0], 1);
    EXPECT_TRUE(calls_named("glDeleteProgram").empty());
}

struct RangeCase {
    uint32_t first, count;
    int expected_instances;  // -1: no GL call at all
};

TEST_F(GlFramework, CapsuleRangesAreClampedToTheBufferAndPointedAtTheirFirstRecord) {
    CapsulePipeline p{};
    const RangeCase cases[] = {{0, 10, 10}, {4090, 10, 6}, {4095, 0xFFFFFFFFu, 1},
                               {4096, 1, -1}, {5000, 3, -1}, {7, 0, -1}};
    for (const RangeCase& c : cases) {
        install_fake_gl();
        draw_capsules(p, false, c.first, c.count);
        if (c.expected_instances < 0) {
            EXPECT_TRUE(fake_gl.calls.empty()) << c.first;
            continue;
        }
        auto draws = calls_named("glDrawArraysInstanced");
        ASSERT_EQ(draws.size(), 1u);
        EXPECT_EQ(draws[0].args[3], c.expected_instances);
        auto pointers = calls_named("glVertexAttribPointer");
        ASSERT_EQ(pointers.size(), 4u);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(pointers[i].args[4], 64);                                        // stride
            EXPECT_EQ(pointers[i].args[5], static_cast<double>(c.first) * 64 + 16 * i);  // offset
        }
    }
}

// Bodies are drawn in list order, each run of one style by that style's program.
TEST_F(GlFramework, PlanetRunsAreDrawnByTheirStylesPrograms) {
    PlanetPipeline p{};
    for (int s = 0; s < PLANET_PROGRAMS; ++s) p.styles[s].program = 100 + static_cast<GLuint>(s);
    PlanetList list;
    const float styles[] = {STYLE_SUN, STYLE_ROCKY, STYLE_ROCKY, STYLE_DOME, STYLE_DOME, STYLE_GAS, STYLE_LAVA, STYLE_TERRAN};
    for (float style : styles) {
        PlanetInstance i{};
        i.look[2] = style;
        push_planet(list, i);
    }
    const struct {
        uint32_t first, count;
        std::vector<std::array<double, 3>> runs;  // program, first instance, instances
    } cases[] = {
        {0, 8, {{104, 0, 1}, {100, 1, 2}, {105, 3, 2}, {101, 5, 1}, {103, 6, 1}, {102, 7, 1}}},
        {2, 2, {{100, 2, 1}, {105, 3, 1}}},
        {6, 10, {{103, 6, 1}, {102, 7, 1}}},  // stops at the list's end
        {8, 1, {}},
    };
    for (const auto& c : cases) {
        install_fake_gl();
        draw_planets(p, list, c.first, c.count);
        std::vector<std::array<double, 3>> runs;
        double program = 0;
        std::vector<GlCall> pointers;
        for (const GlCall& call : fake_gl.calls) {
            if (call.name == "glUseProgram") program = call.args[0];
            if (call.name == "glVertexAttribPointer" && call.args[0] == 0) pointers.push_back(call);
            if (call.name == "glDrawArraysInstanced") runs.push_back({program, pointers.back().args[5] / 96, call.args[3]});
        }
        EXPECT_EQ(runs, c.runs) << c.first;
        if (c.runs.empty()) {
            EXPECT_TRUE(fake_gl.calls.empty());
        }
    }
}

TEST_F(GlFramework, BlendStatesFollowTheDraw) {
    CapsulePipeline capsules{};
    PlanetPipeline planets{};
    draw_capsules(capsules, false, 0, 1);
    draw_capsules(capsules, true, 0, 1);
    PlanetList list;
    list.count = PLANET_CAPACITY;
    for (PlanetInstance& i : list.items) i = PlanetInstance{};
    draw_planets(planets, list, 46, 5);
    auto blends = calls_named("glBlendFuncSeparate");
    ASSERT_EQ(blends.size(), 3u);
    EXPECT_THAT(blends[0].args, ElementsAre(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA));
    EXPECT_THAT(blends[1].args, ElementsAre(GL_SRC_ALPHA, GL_ONE, GL_ZERO, GL_ONE));
    EXPECT_THAT(blends[2].args, ElementsAre(GL_ONE, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA));
    auto draws = calls_named("glDrawArraysInstanced");
    EXPECT_EQ(draws[2].args[3], 2);  // 48 planet instances at most
    auto pointers = calls_named("glVertexAttribPointer");
    ASSERT_EQ(pointers.size(), 4u + 4u + 6u);
    EXPECT_EQ(pointers.back().args[5], 46 * 96 + 16 * 5);
}

// The nebulae are summed four at a time over a grid of cells covering the
// view; every cell reads the same records of the planet buffer.
TEST_F(GlFramework, NebulaeAreDrawnFourAtATimeOverAGridOfTheView) {
    NebulaPipeline p{};
    PlanetPipeline planets{};
    planets.instance_buffer = 7;
    const struct {
        uint32_t first, count;
        Vec2 view;
        std::vector<double> groups;  // the count uniform of each draw
        double cell, columns, cells;
    } cases[] = {
        {3, 4, {1536, 864}, {4}, 24, 64, 64 * 36},
        {0, 6, {1536, 864}, {4, 2}, 24, 64, 64 * 36},
        {46, 9, {100, 50}, {2}, 24, 5, 5 * 3},                              // clamped to the buffer
        {0, 1, {9600, 5400}, {1}, 75, 128, 128 * 72},                       // at most 128 cells across
        {48, 1, {1536, 864}, {}, 0, 0, 0}, {5, 0, {1536, 864}, {}, 0, 0, 0},  // nothing at all
    };
    for (const auto& c : cases) {
        install_fake_gl();
        draw_nebulae(p, planets, c.first, c.count, {10, 20}, c.view, 3);
        auto draws = calls_named("glDrawArraysInstanced");
        ASSERT_EQ(draws.size(), c.groups.size()) << c.first << " " << c.count;
        if (c.groups.empty()) {
            EXPECT_TRUE(fake_gl.calls.empty());
            continue;
        }
        for (const GlCall& d : draws) EXPECT_THAT(d.args, ElementsAre(GL_TRIANGLES, 0, 6, c.cells));
        EXPECT_THAT(calls_named("glBlendFuncSeparate")[0].args,
                    ElementsAre(GL_ONE, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA));
        EXPECT_THAT(calls_named("glUniform2f")[2].args, ElementsAre(-1, c.cell, c.columns));
        auto counts = calls_named("glUniform1f");  // the time, then one count per draw
        ASSERT_EQ(counts.size(), 1 + c.groups.size());
        for (size_t g = 0; g < c.groups.size(); ++g) EXPECT_EQ(counts[1 + g].args[1], c.groups[g]);
        EXPECT_THAT(calls_named("glBindBuffer")[0].args, ElementsAre(GL_ARRAY_BUFFER, 7));
        // Shape and colour of each nebula; the last one repeats into unused slots.
        auto pointers = calls_named("glVertexAttribPointer");
        ASSERT_EQ(pointers.size(), 8 * c.groups.size());
        for (size_t g = 0; g < c.groups.size(); ++g) {
            for (int k = 0; k < 4; ++k) {
                const double record = (c.first + 4 * g + std::min<double>(k, c.groups[g] - 1)) * 96;
                EXPECT_THAT(pointers[8 * g + 2 * k].args, ElementsAre(2 * k, 4, GL_FLOAT, GL_FALSE, 96, record));
                EXPECT_EQ(pointers[8 * g + 2 * k + 1].args[5], record + 48);
            }
        }
    }
}

TEST_F(GlFramework, UploadsOrphanTheBufferAndCopyAtMostItsCapacity) {
    auto list = std::make_unique<CapsuleList>();
    CapsulePipeline p{};
    const struct {
        uint32_t count, capacity;
        int copied_bytes;  // -1: nothing copied
    } cases[] = {{0, 4096, -1}, {3, 4096, 3 * 64}, {4096, 4096, 262144}, {512, 512, 512 * 64}};
    for (const auto& c : cases) {
        install_fake_gl();
        list->count = c.count;
        list->capacity = c.capacity;
        upload_capsules(p, *list, {10, 20}, {1536, 864}, 0.5f);
        auto data = calls_named("glBufferData");
        ASSERT_EQ(data.size(), 1u);
        EXPECT_EQ(data[0].args[1], 262144);  // the whole storage, orphaned
        EXPECT_EQ(data[0].args[2], 0);       // no data
        auto sub = calls_named("glBufferSubData");
        if (c.copied_bytes < 0) {
            EXPECT_TRUE(sub.empty());
        } else {
            ASSERT_EQ(sub.size(), 1u);
            EXPECT_EQ(sub[0].args[2], c.copied_bytes);
        }
        EXPECT_THAT(calls_named("glUniform1f")[0].args, ElementsAre(-1, 0.5));
    }

    install_fake_gl();
    PlanetList planets;
    planets.count = PLANET_CAPACITY;
    upload_planets(PlanetPipeline{}, planets, {0, 0}, {1536, 864}, 1, 12.5);
    EXPECT_EQ(calls_named("glBufferData")[0].args[1], 4608);
    EXPECT_EQ(calls_named("glBufferSubData")[0].args[2], 4608);
}

TEST_F(GlFramework, AFrameClearsThenDrawsTheWorldBackToFront) {
    auto r = std::make_unique<Renderer>();
    ASSERT_EQ(create_renderer(*r), StartupError::None);
    scene_busy(r->copy);
    push_disc(r->screen_list, {100, 100}, 20, {1, 1, 1, 1});
    r->screen.groups[0] = {0, 1};
    begin_text_frame(*r);
    draw_text(*r, "Player 1 wins", 32, 400, 300, {1, 1, 1, 1});
    fake_gl.calls.clear();
    draw_frame(*r, 1024, 768);

    std::vector<std::string> names = call_names();
    ASSERT_GE(names.size(), 7u);
    EXPECT_THAT(std::vector<std::string>(names.begin(), names.begin() + 7),
                ElementsAre("glDisable", "glViewport", "glClearColor", "glClear", "glEnable", "glViewport", "glScissor"));
    EXPECT_THAT(fake_gl.calls[1].args, ElementsAre(0, 0, 1024, 768));
    EXPECT_THAT(fake_gl.calls[5].args, ElementsAre(0, 96, 1024, 576));
    // Black bars, then the sky cleared into the letterbox.
    auto clears = calls_named("glClearColor");
    ASSERT_EQ(clears.size(), 2u);
    EXPECT_THAT(clears[0].args, ElementsAre(0, 0, 0, 1));
    EXPECT_THAT(clears[1].args, ElementsAre(SKY_COLOR.r, SKY_COLOR.g, SKY_COLOR.b, 1));
    EXPECT_EQ(calls_named("glClear").size(), 2u);

    // Which program and blend state each draw used, in order.
    enum Blend { NORMAL, ADDITIVE, PREMULTIPLIED };
    std::vector<std::pair<double, Blend>> draws;
    double program = 0;
    Blend blend = NORMAL;
    for (const GlCall& c : fake_gl.calls) {
        if (c.name == "glUseProgram") program = c.args[0];
        if (c.name == "glBlendFuncSeparate") blend = c.args[0] == GL_ONE ? PREMULTIPLIED : (c.args[1] == GL_ONE ? ADDITIVE : NORMAL);
        if (c.name == "glDrawArraysInstanced") draws.push_back({program, blend});
    }
    double world = r->world_capsules.program;
    std::vector<std::pair<double, Blend>> expected = {{r->nebulae.program, PREMULTIPLIED}};
    for (int layer = 0; layer < 4; ++layer) expected.push_back({world, NORMAL});                 // stars
    for (int style : {1, 4, 5}) expected.push_back({r->planets.styles[style].program, PREMULTIPLIED});  // gas planet, sun, dome
    expected.push_back({world, NORMAL});           // halos and smoke
    expected.push_back({world, ADDITIVE});         // glows, planes, objects
    expected.push_back({world, NORMAL});           // ropes and wreck pieces
    expected.push_back({r->screen_capsules.program, NORMAL});
    expected.push_back({r->text_pipeline.program, NORMAL});  // text over everything
    EXPECT_EQ(draws, expected);
    // The text keeps the letterbox scissor: the last one set is the box's.
    auto scissors = calls_named("glScissor");
    EXPECT_THAT(scissors.back().args, ElementsAre(0, 96, 1024, 576));
    destroy_renderer(*r);
}

TEST_F(GlFramework, PipelinesAreBuiltFromTheirDescriptions) {
    const std::vector<std::string> common = {
        "glCreateShader", "glShaderSource", "glCompileShader", "glGetShaderiv",  // vertex
        "glCreateShader", "glShaderSource", "glCompileShader", "glGetShaderiv",  // fragment
        "glCreateProgram", "glAttachShader", "glAttachShader", "glLinkProgram", "glGetProgramiv",
        "glDeleteShader", "glDeleteShader",
        "glGenVertexArrays", "glGenBuffers", "glBindVertexArray", "glBindBuffer", "glBufferData",
    };
    auto with = [&](std::vector<std::string> tail) {
        std::vector<std::string> all = common;
        all.insert(all.end(), tail.begin(), tail.end());
        return all;
    };
    const std::vector<std::string> per_attribute = {"glEnableVertexAttribArray", "glVertexAttribDivisor"};
    auto repeat = [](const std::vector<std::string>& v, int n) {
        std::vector<std::string> out;
        for (int i = 0; i < n; ++i) out.insert(out.end(), v.begin(), v.end());
        return out;
    };

    CapsulePipeline capsules;
    ASSERT_EQ(create_capsule_pipeline(capsules), StartupError::None);
    std::vector<std::string> tail = repeat(per_attribute, 4);
    tail.push_back("glBindVertexArray");
    for (int i = 0; i < 3; ++i) tail.push_back("glGetUniformLocation");
    EXPECT_EQ(call_names(), with(tail));
    EXPECT_EQ(calls_named("glBufferData")[0].args[1], 262144);

    // The planets compile one program per style, then share one vertex array and buffer.
    install_fake_gl();
    PlanetPipeline planets;
    ASSERT_EQ(create_planet_pipeline(planets), StartupError::None);
    const std::vector<std::string> compile(common.begin(), common.begin() + 15);
    std::vector<std::string> expected;
    for (int s = 0; s < PLANET_PROGRAMS; ++s) {
        expected.insert(expected.end(), compile.begin(), compile.end());
        for (int i = 0; i < 4; ++i) expected.push_back("glGetUniformLocation");
    }
    expected.insert(expected.end(), common.begin() + 15, common.end());
    for (const auto& name : repeat(per_attribute, 6)) expected.push_back(name);
    expected.push_back("glBindVertexArray");
    EXPECT_EQ(call_names(), expected);
    EXPECT_EQ(calls_named("glBufferData")[0].args[1], 4608);
    EXPECT_EQ(planets.program, 0u);
    for (const StyleProgram& s : planets.styles) EXPECT_NE(s.program, 0u);

    // The nebulae read the planet buffer: no buffer of their own, and records
    // that every instance of a draw shares.
    install_fake_gl();
    NebulaPipeline nebulae;
    ASSERT_EQ(create_nebula_pipeline(nebulae), StartupError::None);
    expected = with({});
    expected.erase(std::find(expected.begin(), expected.end(), "glGenBuffers"), expected.end());
    expected.push_back("glBindVertexArray");
    for (const auto& name : repeat(per_attribute, 8)) expected.push_back(name);
    expected.push_back("glBindVertexArray");
    for (int i = 0; i < 5; ++i) expected.push_back("glGetUniformLocation");
    EXPECT_EQ(call_names(), expected);
    for (const GlCall& c : calls_named("glVertexAttribDivisor")) EXPECT_EQ(c.args[1], NEBULA_DIVISOR);
    EXPECT_EQ(nebulae.instance_buffer, 0u);

    // Text sets its attribute pointers once, while its vertex array is bound,
    // and adds the atlas texture.
    install_fake_gl();
    TextPipeline text;
    ASSERT_EQ(create_text_pipeline(text), StartupError::None);
    tail = repeat(per_attribute, 3);
    for (int i = 0; i < 3; ++i) tail.push_back("glVertexAttribPointer");
    tail.push_back("glBindVertexArray");
    for (int i = 0; i < 3; ++i) tail.push_back("glGetUniformLocation");
    for (const char* name : {"glGenTextures", "glBindTexture", "glTexParameteri", "glTexParameteri",
                             "glTexParameteri", "glTexParameteri"}) {
        tail.push_back(name);
    }
    EXPECT_EQ(call_names(), with(tail));
    EXPECT_EQ(calls_named("glBufferData")[0].args[1], 98304);
    auto pointers = calls_named("glVertexAttribPointer");
    for (int i = 0; i < 3; ++i) EXPECT_THAT(pointers[i].args, ElementsAre(i, 4, GL_FLOAT, GL_FALSE, 48, 16 * i));
    auto parameters = calls_named("glTexParameteri");
    EXPECT_THAT(parameters[0].args, ElementsAre(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR));
    EXPECT_THAT(parameters[1].args, ElementsAre(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR));
    EXPECT_THAT(parameters[2].args, ElementsAre(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE));
    EXPECT_THAT(parameters[3].args, ElementsAre(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE));
    EXPECT_TRUE(calls_named("glTexImage2D").empty());  // storage comes with the first flush
    EXPECT_TRUE(text.atlas_dirty);
}

TEST_F(GlFramework, ShutdownReleasesThePipelinesInOrderAndTheTextureLast) {
    auto r = std::make_unique<Renderer>();
    ASSERT_EQ(create_renderer(*r), StartupError::None);
    EXPECT_NE(r->text.atlas.pixels, nullptr);
    fake_gl.calls.clear();
    const Pipeline* order[] = {&r->world_capsules, &r->screen_capsules, &r->planets, &r->nebulae, &r->text_pipeline};
    std::vector<std::pair<std::string, double>> expected;
    for (const Pipeline* p : order) {
        if (p == &r->planets) {
            for (const StyleProgram& s : r->planets.styles) expected.push_back({"glDeleteProgram", s.program});
            expected.push_back({"glDeleteVertexArrays", p->vertex_array});
            expected.push_back({"glDeleteBuffers", p->instance_buffer});
            continue;
        }
        expected.push_back({"glDeleteProgram", p->program});
        expected.push_back({"glDeleteVertexArrays", p->vertex_array});
        if (p != &r->nebulae) expected.push_back({"glDeleteBuffers", p->instance_buffer});  // it has none
    }
    expected.push_back({"glDeleteTextures", r->text_pipeline.atlas_texture});
    destroy_renderer(*r);
    std::vector<std::pair<std::string, double>> deleted;
    for (const GlCall& c : fake_gl.calls) {
        deleted.push_back({c.name, c.name == "glDeleteProgram" ? c.args[0] : c.args[1]});
    }
    EXPECT_EQ(deleted, expected);
    EXPECT_EQ(r->text.atlas.pixels, nullptr);
    EXPECT_EQ(r->text.cache.keys, nullptr);

    fake_gl.calls.clear();
    destroy_renderer(*r);  // twice is harmless
    EXPECT_TRUE(fake_gl.calls.empty());
}

// Splits standard error into its lines.
std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

TEST_F(GlFramework, ALongDriverLogReachesStandardErrorWhole) {
    // Many short lines and one too long for a single log line.
    std::vector<std::string> driver_lines;
    for (int i = 0; i < 20; ++i) {
        driver_lines.push_back("0:" + std::to_string(i + 3) + "(5): error: `colour_" + std::to_string(i) +
                               "' undeclared");
    }
    std::string long_line = "0:40(1): error: ";
    for (int i = 0; long_line.size() < 1000; ++i) long_line += "word" + std::to_string(i) + " ";
    long_line += "end";
    driver_lines.push_back(long_line);
    std::string driver_log;
    for (const std::string& line : driver_lines) driver_log += line + "\n";
    ASSERT_LT(driver_log.size(), 2048u);

    const std::string prefix = "error: can't compile the text fragment shader: ";
    fake_gl.failing_stage = GL_FRAGMENT_SHADER;
    fake_gl.info_log = driver_log;
    GLuint program = 0;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(compile_program("text", "v", 1, "f", 1, program), StartupError::ShaderFailed);
    const std::vector<std::string> logged = lines_of(::testing::internal::GetCapturedStderr());

    // Every log line is a whole line in the log's format, and together they
    // hold the driver's text.
    std::string joined;
    for (const std::string& line : logged) {
        ASSERT_EQ(line.rfind(prefix, 0), 0u) << line;
        EXPECT_LE(line.size(), prefix.size() + 480);
        joined += line.substr(prefix.size());
    }
    std::string expected;
    for (const std::string& line : driver_lines) expected += line;
    EXPECT_EQ(joined, expected);
    EXPECT_GT(logged.size(), driver_lines.size());  // the long line took more than one

    // A driver that says nothing still has the failure logged.
    install_fake_gl();
    fake_gl.failing_stage = 1;
    fake_gl.info_log = "";
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(compile_program("lines", "v", 1, "f", 1, program), StartupError::ShaderFailed);
    EXPECT_THAT(lines_of(::testing::internal::GetCapturedStderr()),
                ElementsAre("error: can't link the lines shaders: "));
}

struct BoxCase {
    float width, height;
    GlRect viewport, scissor;
};

TEST(Letterbox, CentresTheViewWithBarsOnTheLongSides) {
    const BoxCase cases[] = {
        {1280, 720, {0, 0, 1280, 720}, {0, 0, 1280, 720}},
        {1024, 768, {0, 96, 1024, 576}, {0, 96, 1024, 576}},    // bars above and below
        {1600, 600, {266, 0, 1067, 600}, {266, 0, 1067, 600}},  // bars left and right
        {1366, 768, {0, 0, 1365, 768}, {0, 0, 1365, 768}},
        {0, 0, {0, 0, 0, 0}, {0, 0, 0, 0}},  // minimised: degenerate but harmless
    };
    for (const BoxCase& c : cases) {
        Letterbox box = compute_letterbox(c.width, c.height);
        EXPECT_EQ(box.viewport.x, c.viewport.x) << c.width << "x" << c.height;
        EXPECT_EQ(box.viewport.y, c.viewport.y) << c.width << "x" << c.height;
        EXPECT_EQ(box.viewport.width, c.viewport.width) << c.width << "x" << c.height;
        EXPECT_EQ(box.viewport.height, c.viewport.height) << c.width << "x" << c.height;
        EXPECT_EQ(box.scissor.x, c.scissor.x) << c.width << "x" << c.height;
        EXPECT_EQ(box.scissor.y, c.scissor.y) << c.width << "x" << c.height;
        EXPECT_EQ(box.scissor.width, c.scissor.width) << c.width << "x" << c.height;
        EXPECT_EQ(box.scissor.height, c.scissor.height) << c.width << "x" << c.height;
    }
}

TEST(Letterbox, ScissorRectanglesAreRoundedClampedAndFlipped) {
    GlRect r = scissor_rect(10.5f, 20.4f, 100.2f, 50, 200, 100);
    EXPECT_EQ(r.x, 11);       // 10.5 rounds away from zero
    EXPECT_EQ(r.width, 100);  // right edge round(110.7) = 111
    EXPECT_EQ(r.y, 100 - 70);
    EXPECT_EQ(r.height, 50);
    GlRect outside = scissor_rect(-30, 90, 400, 40, 200, 100);
    EXPECT_EQ(outside.x, 0);
    EXPECT_EQ(outside.width, 200);
    EXPECT_EQ(outside.y, 0);
    EXPECT_EQ(outside.height, 10);
}

}  // namespace
