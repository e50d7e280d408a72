#version 330 core
// Coverage from the distance to the segment: a one-pixel ramp at the edge for
// solid shapes, a quadratic fade for soft ones; rings measure the distance to
// the circle around the first end.

in vec2 world_pos;
flat in vec4 v_ends;
flat in vec4 v_color_a;
flat in vec4 v_color_b;
flat in vec4 v_params;

uniform float pixel_size;

out vec4 frag_color;

void main() {
    vec2 a = v_ends.xy;
    vec2 b = v_ends.zw;
    vec2 pa = world_pos - a;
    vec2 ba = b - a;
    float h = clamp(dot(pa, ba) / max(dot(ba, ba), 1e-6), 0.0, 1.0);
    float dist = length(pa - ba * h);
    float radius = v_params.x;
    float kind = v_params.y;
    float ring_radius = v_params.z;
    float half_width = v_params.w;

    float coverage;
    if (kind > 2.5) {
        float fade = 1.0 - clamp(abs(dist - ring_radius) / half_width, 0.0, 1.0);
        coverage = fade * fade;
    } else if (kind > 1.5) {
        coverage = clamp(0.5 - (abs(dist - ring_radius) - half_width) / pixel_size, 0.0, 1.0);
    } else if (kind > 0.5) {
        float fade = 1.0 - clamp(dist / radius, 0.0, 1.0);
        coverage = fade * fade;
    } else {
        coverage = clamp(0.5 - (dist - radius) / pixel_size, 0.0, 1.0);
    }
    if (coverage <= 0.0) discard;

    vec4 color = mix(v_color_a, v_color_b, h);
    frag_color = vec4(color.rgb, color.a * coverage);
}
