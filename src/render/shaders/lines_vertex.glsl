#version 330 core
// One capsule per instance: the quad covers the segment's bounding box grown
// by the radius and one pixel, so the fragment stage can antialias the edge.

layout(location = 0) in vec4 ends;
layout(location = 1) in vec4 color_a;
layout(location = 2) in vec4 color_b;
layout(location = 3) in vec4 params;

uniform vec2 view_origin;
uniform vec2 view_size;
uniform float pixel_size;

out vec2 world_pos;
flat out vec4 v_ends;
flat out vec4 v_color_a;
flat out vec4 v_color_b;
flat out vec4 v_params;

const vec2 CORNERS[6] = vec2[6](vec2(0.0, 0.0), vec2(1.0, 0.0), vec2(0.0, 1.0),
                                vec2(0.0, 1.0), vec2(1.0, 0.0), vec2(1.0, 1.0));

void main() {
    vec2 c = CORNERS[gl_VertexID % 6];
    vec2 a = ends.xy;
    vec2 b = ends.zw;
    float pad = params.x + pixel_size;
    vec2 lo = min(a, b) - pad;
    vec2 hi = max(a, b) + pad;
    world_pos = lo + (hi - lo) * c;
    vec2 ndc = (world_pos - view_origin) / view_size * 2.0 - 1.0;
    gl_Position = vec4(ndc.x, -ndc.y, 0.0, 1.0);
    v_ends = ends;
    v_color_a = color_a;
    v_color_b = color_b;
    v_params = params;
}
