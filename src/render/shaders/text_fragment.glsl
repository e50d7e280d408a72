#version 330 core
// The atlas holds coverage in its red channel; the glyph's colour keeps its
// own alpha scaled by that coverage.

in vec2 uv;
flat in vec4 v_color;

uniform sampler2D glyphs;

out vec4 frag_color;

void main() {
    float coverage = texture(glyphs, uv).r;
    if (coverage <= 0.0) discard;
    frag_color = vec4(v_color.rgb, v_color.a * coverage);
}
