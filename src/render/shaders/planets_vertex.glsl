#version 330 core
// One sphere per instance: a quad around the centre, large enough for the
// body's ring or corona (never less than 1.15 radii) plus two pixels.

layout(location = 0) in vec4 shape;
layout(location = 1) in vec4 look;
layout(location = 2) in vec4 ring;
layout(location = 3) in vec4 color_a;
layout(location = 4) in vec4 color_b;
layout(location = 5) in vec4 ring_color;

uniform vec2 view_origin;
uniform vec2 view_size;
uniform float pixel_size;

out vec2 local;
flat out vec4 p_shape;
flat out vec4 p_look;
flat out vec4 p_ring;
flat out vec4 p_color_a;
flat out vec4 p_color_b;
flat out vec4 p_ring_color;

const vec2 CORNERS[6] = vec2[6](vec2(-1.0, -1.0), vec2(1.0, -1.0), vec2(-1.0, 1.0),
                                vec2(-1.0, 1.0), vec2(1.0, -1.0), vec2(1.0, 1.0));

void main() {
    vec2 c = CORNERS[gl_VertexID % 6];
    float radius = shape.z;
    float reach = max(1.15, ring.y) + 2.0 * pixel_size / radius;
    local = c * reach;
    vec2 world = shape.xy + local * radius;
    vec2 ndc = (world - view_origin) / view_size * 2.0 - 1.0;
    gl_Position = vec4(ndc.x, -ndc.y, 0.0, 1.0);
    p_shape = shape;
    p_look = look;
    p_ring = ring;
    p_color_a = color_a;
    p_color_b = color_b;
    p_ring_color = ring_color;
}
