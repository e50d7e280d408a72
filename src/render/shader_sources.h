#pragma once
// GLSL sources of the "lines", "planets", "nebulae" and "text" programs, embedded into the
// program at build time from src/render/shaders/*.glsl.
#include <cstddef>

extern const unsigned char lines_vertex_glsl[];
extern const unsigned long lines_vertex_glsl_size;
extern const unsigned char lines_fragment_glsl[];
extern const unsigned long lines_fragment_glsl_size;
extern const unsigned char planets_vertex_glsl[];
extern const unsigned long planets_vertex_glsl_size;
extern const unsigned char planets_fragment_glsl[];
extern const unsigned long planets_fragment_glsl_size;
extern const unsigned char nebulae_vertex_glsl[];
extern const unsigned long nebulae_vertex_glsl_size;
extern const unsigned char nebulae_fragment_glsl[];
extern const unsigned long nebulae_fragment_glsl_size;
extern const unsigned char noise_glsl[];  // inserted into the stages that use it
extern const unsigned long noise_glsl_size;
extern const unsigned char text_vertex_glsl[];
extern const unsigned long text_vertex_glsl_size;
extern const unsigned char text_fragment_glsl[];
extern const unsigned long text_fragment_glsl_size;

struct ShaderSource {
    const char* text;
    size_t length;
};

inline ShaderSource shader_source(const unsigned char* bytes, unsigned long size) {
    return {reinterpret_cast<const char*>(bytes), static_cast<size_t>(size)};
}
