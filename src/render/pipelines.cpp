#include "render/pipelines.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>

#include "render/shader.h"
#include "render/shader_sources.h"

const PipelineDesc CAPSULE_PIPELINE = {
    "lines", lines_vertex_glsl, &lines_vertex_glsl_size, lines_fragment_glsl, &lines_fragment_glsl_size,
    CAPSULE_STRIDE, CAPSULE_BUFFER_INSTANCES, 4, 1, false, {"view_origin", "view_size", "pixel_size", nullptr},
};

const PipelineDesc PLANET_PIPELINE = {
    "planets", planets_vertex_glsl, &planets_vertex_glsl_size, planets_fragment_glsl, &planets_fragment_glsl_size,
    PLANET_STRIDE, PLANET_BUFFER_INSTANCES, 6, 1, false, {"view_origin", "view_size", "pixel_size", "time"},
    PipelineDesc::FragmentNoise,
};

const PipelineDesc TEXT_PIPELINE = {
    "text", text_vertex_glsl, &text_vertex_glsl_size, text_fragment_glsl, &text_fragment_glsl_size,
    GLYPH_STRIDE, GLYPH_BUFFER_INSTANCES, 3, 1, true, {"screen_size", "atlas_size", "glyphs", nullptr},
};

const PipelineDesc NEBULA_PIPELINE = {
    "nebulae", nebulae_vertex_glsl, &nebulae_vertex_glsl_size, nebulae_fragment_glsl, &nebulae_fragment_glsl_size,
    PLANET_STRIDE, 0, 2 * NEBULAE_PER_DRAW, NEBULA_DIVISOR, false,
    {"view_origin", "view_size", "time", "grid", "count"}, PipelineDesc::VertexNoise,
};

namespace {

void point_attribute(GLuint index, uint32_t stride, size_t offset) {
    gl.glVertexAttribPointer(index, 4, GL_FLOAT, GL_FALSE, static_cast<GLsizei>(stride),
                             reinterpret_cast<const void*>(offset));
}

void point_attributes(const PipelineDesc& desc, uint32_t first) {
    for (GLuint i = 0; i < desc.attributes; ++i) {
        point_attribute(i, desc.stride, static_cast<size_t>(first) * desc.stride + 16u * i);
    }
}

// Vertex array with per-instance vec4 attributes and a stream buffer of the
// pipeline's capacity (none for a pipeline that reads another's).
void create_instance_arrays(const PipelineDesc& desc, Pipeline& p) {
    gl.glGenVertexArrays(1, &p.vertex_array);
    if (desc.capacity > 0) gl.glGenBuffers(1, &p.instance_buffer);
    gl.glBindVertexArray(p.vertex_array);
    if (desc.capacity > 0) {
        gl.glBindBuffer(GL_ARRAY_BUFFER, p.instance_buffer);
        gl.glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(desc.capacity) * desc.stride, nullptr,
                        GL_STREAM_DRAW);
    }
    for (GLuint i = 0; i < desc.attributes; ++i) {
        gl.glEnableVertexAttribArray(i);
        gl.glVertexAttribDivisor(i, desc.divisor);
    }
    if (desc.fixed_pointers) point_attributes(desc, 0);
    gl.glBindVertexArray(0);
}

// OpenGL 3.3 has no base instance: a sub-range is drawn by pointing every
// attribute at the range's first record.
void draw_range(const PipelineDesc& desc, const Pipeline& p, uint32_t first, uint32_t count, void (*blend)()) {
    uint64_t end = static_cast<uint64_t>(first) + count;
    if (end > desc.capacity) end = desc.capacity;
    if (first >= end) return;
    blend();
    gl.glUseProgram(p.program);
    gl.glBindVertexArray(p.vertex_array);
    gl.glBindBuffer(GL_ARRAY_BUFFER, p.instance_buffer);
    point_attributes(desc, first);
    gl.glDrawArraysInstanced(GL_TRIANGLES, 0, 6, static_cast<GLsizei>(end - first));
    gl.glBindVertexArray(0);
}

// A shader source with `insert` after its version line (its first line).
std::string after_version_line(ShaderSource source, const std::string& insert) {
    std::string text(source.text, source.length);
    const size_t line_end = text.find('\n');
    text.insert(line_end == std::string::npos ? text.size() : line_end + 1, insert);
    return text;
}

// Compiles the description's program: the shared noise inserted into the
// stage that uses it, and `define` (a line) into the fragment stage.
StartupError compile_described(const PipelineDesc& desc, const std::string& define, GLuint& program) {
    const std::string noise(reinterpret_cast<const char*>(noise_glsl), noise_glsl_size);
    const std::string vertex = after_version_line(shader_source(desc.vertex_source, *desc.vertex_length),
                                                  desc.noise == PipelineDesc::VertexNoise ? noise : "");
    const std::string fragment =
        after_version_line(shader_source(desc.fragment_source, *desc.fragment_length),
                           define + (desc.noise == PipelineDesc::FragmentNoise ? noise : ""));
    return compile_program(desc.name, vertex.data(), vertex.size(), fragment.data(), fragment.size(), program);
}

void look_up_uniforms(const PipelineDesc& desc, GLuint program, GLint (&uniforms)[MAX_PIPELINE_UNIFORMS]) {
    for (int i = 0; i < MAX_PIPELINE_UNIFORMS && desc.uniforms[i]; ++i) {
        uniforms[i] = gl.glGetUniformLocation(program, desc.uniforms[i]);
    }
}

// Attributes of the planet buffer pointed at `first`, then `count` instances.
void draw_planet_run(const Pipeline& p, GLuint program, uint32_t first, uint32_t count) {
    gl.glUseProgram(program);
    gl.glBindVertexArray(p.vertex_array);
    gl.glBindBuffer(GL_ARRAY_BUFFER, p.instance_buffer);
    point_attributes(PLANET_PIPELINE, first);
    gl.glDrawArraysInstanced(GL_TRIANGLES, 0, 6, static_cast<GLsizei>(count));
    gl.glBindVertexArray(0);
}

void set_view_uniforms(GLuint program, const GLint (&uniforms)[MAX_PIPELINE_UNIFORMS], Vec2 view_origin,
                       Vec2 view_size, float pixel_size) {
    gl.glUseProgram(program);
    gl.glUniform2f(uniforms[VIEW_ORIGIN], view_origin.x, view_origin.y);
    gl.glUniform2f(uniforms[VIEW_SIZE], view_size.x, view_size.y);
    gl.glUniform1f(uniforms[PIXEL_SIZE], pixel_size);
}

}  // namespace

StartupError create_pipeline(const PipelineDesc& desc, Pipeline& p) {
    p = Pipeline{};
    StartupError e = compile_described(desc, {}, p.program);
    if (e != StartupError::None) return e;
    create_instance_arrays(desc, p);
    look_up_uniforms(desc, p.program, p.uniforms);
    return StartupError::None;
}

void destroy_pipeline(Pipeline& p) {
    if (p.program) gl.glDeleteProgram(p.program);
    if (p.vertex_array) gl.glDeleteVertexArrays(1, &p.vertex_array);
    if (p.instance_buffer) gl.glDeleteBuffers(1, &p.instance_buffer);
    p = Pipeline{};
}

StartupError create_capsule_pipeline(CapsulePipeline& p) { return create_pipeline(CAPSULE_PIPELINE, p); }
StartupError create_planet_pipeline(PlanetPipeline& p) {
    p = PlanetPipeline{};
    for (int s = 0; s < PLANET_PROGRAMS; ++s) {
        const std::string define = "#define PLANET_STYLE " + std::to_string(s) + ".0\n";
        StartupError e = compile_described(PLANET_PIPELINE, define, p.styles[s].program);
        if (e != StartupError::None) {
            destroy_planet_pipeline(p);
            return e;
        }
        look_up_uniforms(PLANET_PIPELINE, p.styles[s].program, p.styles[s].uniforms);
    }
    create_instance_arrays(PLANET_PIPELINE, p);
    return StartupError::None;
}
StartupError create_nebula_pipeline(NebulaPipeline& p) { return create_pipeline(NEBULA_PIPELINE, p); }

StartupError create_text_pipeline(TextPipeline& p) {
    p.atlas_texture = 0;
    p.atlas_dirty = true;
    StartupError e = create_pipeline(TEXT_PIPELINE, p);
    if (e != StartupError::None) return e;
    gl.glGenTextures(1, &p.atlas_texture);
    gl.glBindTexture(GL_TEXTURE_2D, p.atlas_texture);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    return StartupError::None;
}

void destroy_capsule_pipeline(CapsulePipeline& p) { destroy_pipeline(p); }
void destroy_planet_pipeline(PlanetPipeline& p) {
    for (StyleProgram& s : p.styles) {
        if (s.program) gl.glDeleteProgram(s.program);
    }
    destroy_pipeline(p);
    p = PlanetPipeline{};
}
void destroy_nebula_pipeline(NebulaPipeline& p) { destroy_pipeline(p); }

void destroy_text_pipeline(TextPipeline& p) {
    destroy_pipeline(p);
    if (p.atlas_texture) gl.glDeleteTextures(1, &p.atlas_texture);
    p.atlas_texture = 0;
    p.atlas_dirty = true;
}

void orphan_and_fill(const PipelineDesc& desc, GLuint buffer, const void* items, uint32_t count) {
    gl.glBindBuffer(GL_ARRAY_BUFFER, buffer);
    gl.glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(desc.capacity) * desc.stride, nullptr, GL_STREAM_DRAW);
    if (count == 0) return;
    uint32_t n = count < desc.capacity ? count : desc.capacity;
    gl.glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(n) * desc.stride, items);
}

void upload_capsules(const CapsulePipeline& p, const CapsuleList& list, Vec2 view_origin, Vec2 view_size,
                     float pixel_size) {
    set_view_uniforms(p.program, p.uniforms, view_origin, view_size, pixel_size);
    uint32_t count = list.count < list.capacity ? list.count : list.capacity;
    orphan_and_fill(CAPSULE_PIPELINE, p.instance_buffer, list.items, count);
}

void upload_planets(const PlanetPipeline& p, const PlanetList& list, Vec2 view_origin, Vec2 view_size,
                    float pixel_size, float time) {
    for (const StyleProgram& s : p.styles) {
        set_view_uniforms(s.program, s.uniforms, view_origin, view_size, pixel_size);
        gl.glUniform1f(s.uniforms[PLANET_TIME], time);
    }
    orphan_and_fill(PLANET_PIPELINE, p.instance_buffer, list.items, list.count);
}

void draw_capsules(const CapsulePipeline& p, bool additive, uint32_t first, uint32_t count) {
    draw_range(CAPSULE_PIPELINE, p, first, count, additive ? blend_additive : blend_normal);
}

void draw_planets(const PlanetPipeline& p, const PlanetList& list, uint32_t first, uint32_t count) {
    uint64_t end = static_cast<uint64_t>(first) + count;
    if (end > PLANET_BUFFER_INSTANCES) end = PLANET_BUFFER_INSTANCES;
    if (end > list.count) end = list.count;
    if (first >= end) return;
    blend_premultiplied();
    for (auto run = static_cast<uint32_t>(first); run < end;) {
        const int style = planet_program_index(list.items[run].look[2]);
        uint32_t next = run + 1;
        while (next < end && planet_program_index(list.items[next].look[2]) == style) ++next;
        draw_planet_run(p, p.styles[style].program, run, next - run);
        run = next;
    }
}

void draw_nebulae(const NebulaPipeline& p, const PlanetPipeline& planets, uint32_t first, uint32_t count,
                  Vec2 view_origin, Vec2 view_size, float time) {
    uint64_t end = static_cast<uint64_t>(first) + count;
    if (end > PLANET_BUFFER_INSTANCES) end = PLANET_BUFFER_INSTANCES;
    if (first >= end) return;
    const float cell = std::max({NEBULA_CELL, view_size.x / NEBULA_MAX_CELLS, view_size.y / NEBULA_MAX_CELLS});
    const auto columns = static_cast<GLsizei>(std::ceil(view_size.x / cell));
    const auto rows = static_cast<GLsizei>(std::ceil(view_size.y / cell));
    blend_premultiplied();
    gl.glUseProgram(p.program);
    gl.glUniform2f(p.uniforms[NEBULA_VIEW_ORIGIN], view_origin.x, view_origin.y);
    gl.glUniform2f(p.uniforms[NEBULA_VIEW_SIZE], view_size.x, view_size.y);
    gl.glUniform1f(p.uniforms[NEBULA_TIME], time);
    gl.glUniform2f(p.uniforms[NEBULA_GRID], cell, static_cast<float>(columns));
    gl.glBindVertexArray(p.vertex_array);
    gl.glBindBuffer(GL_ARRAY_BUFFER, planets.instance_buffer);
    for (uint64_t group = first; group < end; group += NEBULAE_PER_DRAW) {
        const uint64_t n = std::min<uint64_t>(NEBULAE_PER_DRAW, end - group);
        gl.glUniform1f(p.uniforms[NEBULA_COUNT], static_cast<float>(n));
        // Attributes past the group's last nebula repeat it; the shader reads only `count`.
        for (uint64_t k = 0; k < NEBULAE_PER_DRAW; ++k) {
            const uint64_t record = (group + std::min(k, n - 1)) * PLANET_STRIDE;
            point_attribute(static_cast<GLuint>(2 * k), PLANET_STRIDE, record);                    // shape
            point_attribute(static_cast<GLuint>(2 * k + 1), PLANET_STRIDE, record + PLANET_COLOR_A);  // colour a
        }
        gl.glDrawArraysInstanced(GL_TRIANGLES, 0, 6, columns * rows);
    }
    gl.glBindVertexArray(0);
}

void blend_normal() { gl.glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA); }
void blend_additive() { gl.glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE, GL_ZERO, GL_ONE); }
void blend_premultiplied() { gl.glBlendFuncSeparate(GL_ONE, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA); }
