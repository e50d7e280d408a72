#pragma once
// The instanced pipelines: GL objects, uniform locations, per-frame upload and
// the drawing of sub-ranges of what was uploaded.
#include <cstdint>

#include "base/errors.h"
#include "render/capsules.h"
#include "render/gl.h"
#include "render/planets.h"
#include "world/vec2.h"

struct CapsulePipeline {
    GLuint program = 0;
    GLuint vertex_array = 0;
    GLuint instance_buffer = 0;
    GLint view_origin = -1;
    GLint view_size = -1;
    GLint pixel_size = -1;
};

struct PlanetPipeline {
    GLuint program = 0;
    GLuint vertex_array = 0;
    GLuint instance_buffer = 0;
    GLint view_origin = -1;
    GLint view_size = -1;
    GLint pixel_size = -1;
    GLint time = -1;
};

constexpr uint32_t CAPSULE_STRIDE = sizeof(CapsuleInstance);
constexpr uint32_t CAPSULE_BUFFER_INSTANCES = 4096;  // 262144 bytes
constexpr uint32_t PLANET_STRIDE = sizeof(PlanetInstance);
constexpr uint32_t PLANET_BUFFER_INSTANCES = 48;  // 4608 bytes

// Compile the program ("lines" / "planets") and create its vertex array and
// buffer. On failure nothing of the pipeline is left behind.
StartupError create_capsule_pipeline(CapsulePipeline& p);
StartupError create_planet_pipeline(PlanetPipeline& p);
// Delete program, vertex array and buffer (in that order); zero names are skipped.
void destroy_capsule_pipeline(CapsulePipeline& p);
void destroy_planet_pipeline(PlanetPipeline& p);

// Once per frame: set the uniforms, orphan the buffer and copy the list in.
void upload_capsules(const CapsulePipeline& p, const CapsuleList& list, Vec2 view_origin, Vec2 view_size,
                     float pixel_size);
void upload_planets(const PlanetPipeline& p, const PlanetList& list, Vec2 view_origin, Vec2 view_size,
                    float pixel_size, float time);

// Draw instances [first, first + count) of the last upload, clamped to the
// buffer; an empty range issues no GL call at all.
void draw_capsules(const CapsulePipeline& p, bool additive, uint32_t first, uint32_t count);
void draw_planets(const PlanetPipeline& p, uint32_t first, uint32_t count);

// The three blend states.
void blend_normal();
void blend_additive();
void blend_premultiplied();
