#version 330 core
// One glyph per instance: a quad over the glyph's pixel rectangle in the
// framebuffer, sampling its rectangle of the atlas.

layout(location = 0) in vec4 rect;     // x, y, width, height in framebuffer pixels
layout(location = 1) in vec4 uv_rect;  // x, y, width, height in atlas pixels
layout(location = 2) in vec4 color;

uniform vec2 screen_size;
uniform float atlas_size;

out vec2 uv;
flat out vec4 v_color;

const vec2 CORNERS[6] = vec2[6](vec2(0.0, 0.0), vec2(1.0, 0.0), vec2(0.0, 1.0),
                                vec2(0.0, 1.0), vec2(1.0, 0.0), vec2(1.0, 1.0));

void main() {
    vec2 c = CORNERS[gl_VertexID % 6];
    vec2 pos = rect.xy + rect.zw * c;
    vec2 ndc = pos / screen_size * 2.0 - 1.0;
    gl_Position = vec4(ndc.x, -ndc.y, 0.0, 1.0);
    uv = (uv_rect.xy + uv_rect.zw * c) / atlas_size;
    v_color = color;
}
