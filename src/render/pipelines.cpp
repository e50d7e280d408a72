#include "render/pipelines.h"

#include <cstddef>

#include "render/shader.h"
#include "render/shader_sources.h"

namespace {

// Vertex array with `attributes` per-instance vec4 attributes and a stream
// buffer of `bytes`. Attribute pointers are set at every draw instead.
void create_instance_arrays(GLuint& vertex_array, GLuint& buffer, GLsizeiptr bytes, GLuint attributes) {
    gl.glGenVertexArrays(1, &vertex_array);
    gl.glGenBuffers(1, &buffer);
    gl.glBindVertexArray(vertex_array);
    gl.glBindBuffer(GL_ARRAY_BUFFER, buffer);
    gl.glBufferData(GL_ARRAY_BUFFER, bytes, nullptr, GL_STREAM_DRAW);
    for (GLuint i = 0; i < attributes; ++i) {
        gl.glEnableVertexAttribArray(i);
        gl.glVertexAttribDivisor(i, 1);
    }
    gl.glBindVertexArray(0);
}

void delete_objects(GLuint& program, GLuint& vertex_array, GLuint& buffer) {
    if (program) gl.glDeleteProgram(program);
    if (vertex_array) gl.glDeleteVertexArrays(1, &vertex_array);
    if (buffer) gl.glDeleteBuffers(1, &buffer);
    program = vertex_array = buffer = 0;
}

// Re-specifies the whole buffer (so the driver need not wait for the draws of
// the previous frame) and copies at most its capacity in.
void orphan_and_fill(GLuint buffer, uint32_t capacity, uint32_t stride, const void* items, uint32_t count) {
    gl.glBindBuffer(GL_ARRAY_BUFFER, buffer);
    gl.glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(capacity) * stride, nullptr, GL_STREAM_DRAW);
    if (count == 0) return;
    uint32_t n = count < capacity ? count : capacity;
    gl.glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(n) * stride, items);
}

// OpenGL 3.3 has no base instance: a sub-range is drawn by pointing every
// attribute at the range's first record.
void draw_range(GLuint program, GLuint vertex_array, GLuint buffer, uint32_t capacity, uint32_t stride,
                GLuint attributes, uint32_t first, uint32_t count, void (*blend)()) {
    uint64_t end = static_cast<uint64_t>(first) + count;
    if (end > capacity) end = capacity;
    if (first >= end) return;
    blend();
    gl.glUseProgram(program);
    gl.glBindVertexArray(vertex_array);
    gl.glBindBuffer(GL_ARRAY_BUFFER, buffer);
    for (GLuint i = 0; i < attributes; ++i) {
        size_t offset = static_cast<size_t>(first) * stride + 16u * i;
        gl.glVertexAttribPointer(i, 4, GL_FLOAT, GL_FALSE, static_cast<GLsizei>(stride),
                                 reinterpret_cast<const void*>(offset));
    }
    gl.glDrawArraysInstanced(GL_TRIANGLES, 0, 6, static_cast<GLsizei>(end - first));
    gl.glBindVertexArray(0);
}

}  // namespace

StartupError create_capsule_pipeline(CapsulePipeline& p) {
    p = CapsulePipeline{};
    ShaderSource vertex = shader_source(lines_vertex_glsl, lines_vertex_glsl_size);
    ShaderSource fragment = shader_source(lines_fragment_glsl, lines_fragment_glsl_size);
    StartupError e = compile_program("lines", vertex.text, vertex.length, fragment.text, fragment.length, p.program);
    if (e != StartupError::None) return e;
    create_instance_arrays(p.vertex_array, p.instance_buffer, CAPSULE_BUFFER_INSTANCES * CAPSULE_STRIDE, 4);
    p.view_origin = gl.glGetUniformLocation(p.program, "view_origin");
    p.view_size = gl.glGetUniformLocation(p.program, "view_size");
    p.pixel_size = gl.glGetUniformLocation(p.program, "pixel_size");
    return StartupError::None;
}

StartupError create_planet_pipeline(PlanetPipeline& p) {
    p = PlanetPipeline{};
    ShaderSource vertex = shader_source(planets_vertex_glsl, planets_vertex_glsl_size);
    ShaderSource fragment = shader_source(planets_fragment_glsl, planets_fragment_glsl_size);
    StartupError e = compile_program("planets", vertex.text, vertex.length, fragment.text, fragment.length, p.program);
    if (e != StartupError::None) return e;
    create_instance_arrays(p.vertex_array, p.instance_buffer, PLANET_BUFFER_INSTANCES * PLANET_STRIDE, 6);
    p.view_origin = gl.glGetUniformLocation(p.program, "view_origin");
    p.view_size = gl.glGetUniformLocation(p.program, "view_size");
    p.pixel_size = gl.glGetUniformLocation(p.program, "pixel_size");
    p.time = gl.glGetUniformLocation(p.program, "time");
    return StartupError::None;
}

void destroy_capsule_pipeline(CapsulePipeline& p) {
    delete_objects(p.program, p.vertex_array, p.instance_buffer);
}

void destroy_planet_pipeline(PlanetPipeline& p) {
    delete_objects(p.program, p.vertex_array, p.instance_buffer);
}

void upload_capsules(const CapsulePipeline& p, const CapsuleList& list, Vec2 view_origin, Vec2 view_size,
                     float pixel_size) {
    gl.glUseProgram(p.program);
    gl.glUniform2f(p.view_origin, view_origin.x, view_origin.y);
    gl.glUniform2f(p.view_size, view_size.x, view_size.y);
    gl.glUniform1f(p.pixel_size, pixel_size);
    uint32_t count = list.count < list.capacity ? list.count : list.capacity;
    orphan_and_fill(p.instance_buffer, CAPSULE_BUFFER_INSTANCES, CAPSULE_STRIDE, list.items, count);
}

void upload_planets(const PlanetPipeline& p, const PlanetList& list, Vec2 view_origin, Vec2 view_size,
                    float pixel_size, float time) {
    gl.glUseProgram(p.program);
    gl.glUniform2f(p.view_origin, view_origin.x, view_origin.y);
    gl.glUniform2f(p.view_size, view_size.x, view_size.y);
    gl.glUniform1f(p.pixel_size, pixel_size);
    gl.glUniform1f(p.time, time);
    orphan_and_fill(p.instance_buffer, PLANET_BUFFER_INSTANCES, PLANET_STRIDE, list.items, list.count);
}

void draw_capsules(const CapsulePipeline& p, bool additive, uint32_t first, uint32_t count) {
    draw_range(p.program, p.vertex_array, p.instance_buffer, CAPSULE_BUFFER_INSTANCES, CAPSULE_STRIDE, 4, first,
               count, additive ? blend_additive : blend_normal);
}

void draw_planets(const PlanetPipeline& p, uint32_t first, uint32_t count) {
    draw_range(p.program, p.vertex_array, p.instance_buffer, PLANET_BUFFER_INSTANCES, PLANET_STRIDE, 6, first,
               count, blend_premultiplied);
}

void blend_normal() { gl.glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA); }
void blend_additive() { gl.glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE, GL_ZERO, GL_ONE); }
void blend_premultiplied() { gl.glBlendFuncSeparate(GL_ONE, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA); }
