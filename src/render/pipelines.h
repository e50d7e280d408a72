#pragma once
// The instanced pipelines: GL objects, uniform locations, per-frame upload and
// the drawing of sub-ranges of what was uploaded.
//
// Every pipeline is described once by a row of plain data (program name,
// shader sources, instance stride and capacity, attribute count, uniform
// names) and built and released by the same two functions.
#include <cstddef>
#include <cstdint>

#include "base/errors.h"
#include "render/capsules.h"
#include "render/gl.h"
#include "render/planets.h"
#include "world/vec2.h"

constexpr int MAX_PIPELINE_UNIFORMS = 5;

// What describes a pipeline. Instance records are vec4 attributes of floats
// packed without gaps: attribute i lies at byte 16 * i of the record.
struct PipelineDesc {
    const char* name;  // the program's name in messages
    const unsigned char* vertex_source;
    const unsigned long* vertex_length;
    const unsigned char* fragment_source;
    const unsigned long* fragment_length;
    uint32_t stride;      // bytes per instance
    uint32_t capacity;    // instances the buffer holds; 0: it reads another pipeline's buffer
    uint32_t attributes;  // vec4 attributes per instance
    uint32_t divisor;     // instances per record: 1, or NEBULA_DIVISOR for records every instance shares
    // Text draws its whole buffer at once, so its attribute pointers are set
    // once at creation; the others move them at every draw.
    bool fixed_pointers;
    const char* uniforms[MAX_PIPELINE_UNIFORMS];  // null past the last
    // The stage that uses the shared noise functions, which are inserted
    // after its version line.
    enum NoiseStage : uint8_t { NoNoise, VertexNoise, FragmentNoise } noise = NoNoise;
};

// The GL objects of one pipeline and its uniform locations, in the order of
// its description's uniform names.
struct Pipeline {
    GLuint program = 0;
    GLuint vertex_array = 0;
    GLuint instance_buffer = 0;
    GLint uniforms[MAX_PIPELINE_UNIFORMS] = {-1, -1, -1, -1, -1};
};

// Uniform slots of the capsule and planet programs.
enum ViewUniform { VIEW_ORIGIN = 0, VIEW_SIZE = 1, PIXEL_SIZE = 2, PLANET_TIME = 3 };
// Uniform slots of the nebula program.
enum NebulaUniform { NEBULA_VIEW_ORIGIN = 0, NEBULA_VIEW_SIZE = 1, NEBULA_TIME = 2, NEBULA_GRID = 3, NEBULA_COUNT = 4 };
// Uniform slots of the text program.
enum TextUniform { SCREEN_SIZE = 0, ATLAS_SIZE = 1, GLYPH_SAMPLER = 2 };

struct CapsulePipeline : Pipeline {};
// One program per body style, each compiled with only its style's code: a
// software rasteriser runs every branch of a shader for every pixel, so one
// program for all styles cost each pixel the noise of all of them. The
// vertex array and buffer are shared; `program` stays 0.
struct StyleProgram {
    GLuint program = 0;
    GLint uniforms[MAX_PIPELINE_UNIFORMS] = {-1, -1, -1, -1, -1};
};
struct PlanetPipeline : Pipeline {
    StyleProgram styles[PLANET_PROGRAMS];
};
// The nebulae: no buffer of its own, it reads the nebula records of the
// planet pipeline's buffer.
struct NebulaPipeline : Pipeline {};
struct TextPipeline : Pipeline {
    GLuint atlas_texture = 0;
    bool atlas_dirty = true;  // the atlas pixels changed since the last upload
};

constexpr uint32_t CAPSULE_STRIDE = sizeof(CapsuleInstance);
constexpr uint32_t CAPSULE_BUFFER_INSTANCES = 4096;  // 262144 bytes
constexpr uint32_t PLANET_STRIDE = sizeof(PlanetInstance);
constexpr uint32_t PLANET_BUFFER_INSTANCES = 48;  // 4608 bytes
constexpr uint32_t PLANET_COLOR_A = offsetof(PlanetInstance, color_a);
// The nebula program sums this many nebulae in one draw, over a grid of
// cells of at least NEBULA_CELL world units (at most NEBULA_MAX_CELLS across).
constexpr uint32_t NEBULAE_PER_DRAW = 4;
constexpr float NEBULA_CELL = 24;
constexpr float NEBULA_MAX_CELLS = 128;
// A divisor no draw reaches: every cell reads the first record of the range.
constexpr uint32_t NEBULA_DIVISOR = 1u << 20;
constexpr uint32_t GLYPH_STRIDE = 48;
constexpr uint32_t GLYPH_BUFFER_INSTANCES = 2048;  // 98304 bytes
constexpr int ATLAS_SIZE_PIXELS = 512;

extern const PipelineDesc CAPSULE_PIPELINE;  // "lines"
extern const PipelineDesc PLANET_PIPELINE;   // "planets"
extern const PipelineDesc TEXT_PIPELINE;     // "text"
extern const PipelineDesc NEBULA_PIPELINE;   // "nebulae"

// Compiles the program and creates its vertex array and buffer. On failure
// nothing of the pipeline is left behind. The planet pipeline compiles its
// fragment source once per style.
StartupError create_pipeline(const PipelineDesc& desc, Pipeline& p);
// Deletes program, vertex array and buffer (in that order); zero names are skipped.
void destroy_pipeline(Pipeline& p);

StartupError create_capsule_pipeline(CapsulePipeline& p);
StartupError create_planet_pipeline(PlanetPipeline& p);
// The text pipeline adds the atlas texture (linear filtering, clamped to the
// edge); its storage is given by the first upload.
StartupError create_text_pipeline(TextPipeline& p);
StartupError create_nebula_pipeline(NebulaPipeline& p);
void destroy_capsule_pipeline(CapsulePipeline& p);
void destroy_planet_pipeline(PlanetPipeline& p);
void destroy_nebula_pipeline(NebulaPipeline& p);
// Program, vertex array, buffer, then the atlas texture.
void destroy_text_pipeline(TextPipeline& p);

// Re-specifies the whole buffer (so the driver need not wait for the draws of
// the previous frame) and copies at most its capacity in. The buffer stays bound.
void orphan_and_fill(const PipelineDesc& desc, GLuint buffer, const void* items, uint32_t count);

// Once per frame: set the uniforms, orphan the buffer and copy the list in.
void upload_capsules(const CapsulePipeline& p, const CapsuleList& list, Vec2 view_origin, Vec2 view_size,
                     float pixel_size);
void upload_planets(const PlanetPipeline& p, const PlanetList& list, Vec2 view_origin, Vec2 view_size,
                    float pixel_size, float time);

// Draw instances [first, first + count) of the last upload, clamped to the
// buffer; an empty range issues no GL call at all.
void draw_capsules(const CapsulePipeline& p, bool additive, uint32_t first, uint32_t count);
// Each run of instances of one style is drawn with that style's program; the
// list is the one last uploaded.
void draw_planets(const PlanetPipeline& p, const PlanetList& list, uint32_t first, uint32_t count);
// Draws the nebula records [first, first + count) of the planet pipeline's
// last upload over the view rectangle (world units), NEBULAE_PER_DRAW at a
// time, adding their light; an empty range issues no GL call at all.
void draw_nebulae(const NebulaPipeline& p, const PlanetPipeline& planets, uint32_t first, uint32_t count,
                  Vec2 view_origin, Vec2 view_size, float time);

// The three blend states.
void blend_normal();
void blend_additive();
void blend_premultiplied();
