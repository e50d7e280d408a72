#version 330 core
// A lit sphere per pixel with procedural surfaces; the output is premultiplied,
// and an alpha of 0 adds light (corona, dome glow) without covering.
//
// The program is built once per style: PLANET_STYLE (0 rocky, 1 gas,
// 2 terran, 3 lava, 4 sun, 5 dome) is defined after the version line, so
// each program holds only its own style's code. The noise (hash3, noise3,
// fbm) comes from noise.glsl, inserted there too.

in vec2 local;
flat in vec4 p_shape;
flat in vec4 p_look;
flat in vec4 p_ring;
flat in vec4 p_color_a;
flat in vec4 p_color_b;
flat in vec4 p_ring_color;

uniform float pixel_size;
uniform float time;

out vec4 frag_color;

vec4 dome(float d, float edge, float s, vec3 a, vec3 b) {
    float theta = atan(local.y, local.x);
    float wobble = 1.0 + 0.05 * (noise3(vec3(2.0 * cos(theta), 2.0 * sin(theta), 0.4 * time + s)) - 0.5);
    float dw = d / wobble;
    float inside = clamp((1.0 - dw) / edge + 0.5, 0.0, 1.0);
    float edge_line = 1.0 - smoothstep(0.0, 0.03, abs(1.0 - dw));
    if (inside <= 0.0 && edge_line <= 0.0) discard;  // nothing of the dome out here
    vec3 nw = vec3(local / wobble, sqrt(max(1.0 - dw * dw, 0.0)));
    float swirl = fbm(3.0 * nw + vec3(s, 0.7 * s, 0.15 * time) + vec3(0.1 * time, -0.08 * time, 0.0));
    float rim = pow(1.0 - nw.z, 3.0);
    float alpha = clamp(inside * (0.08 + 0.22 * smoothstep(0.45, 0.8, swirl) + 0.45 * rim) + 0.8 * edge_line, 0.0, 1.0);
    vec3 color = mix(a, b, swirl);
    if (alpha <= 0.002) discard;
    return vec4(color * alpha, 0.4 * alpha);
}

vec4 sun(float d, float disc, vec3 n, float s, vec3 a, vec3 b) {
    // The surface only shows where the disc covers; the corona needs none of it.
    vec3 surface = vec3(0.0);
    if (disc > 0.0) {
        vec3 q = 2.5 * n + vec3(s, 1.3 * s, 0.7 * s);
        float churn = fbm(q + vec3(0.12, 0.08, -0.1) * time);
        float grain = fbm(3.0 * q + vec3(-0.2, 0.3, 0.15) * time);
        float heat = (0.35 + 0.8 * churn) * (0.8 + 0.4 * grain) * mix(0.55, 1.05, sqrt(n.z));
        surface = mix(vec3(0.7, 0.16, 0.03), b, smoothstep(0.2, 0.55, heat));
        surface = mix(surface, a, smoothstep(0.55, 0.9, heat));
        surface = mix(surface, vec3(1.0, 0.98, 0.85), smoothstep(0.9, 1.25, heat));
    }
    float theta = atan(local.y, local.x);
    float flicker = noise3(vec3(2.5 * cos(theta), 2.5 * sin(theta), 0.6 * time) + s);
    float flare = noise3(vec3(6.0 * cos(theta), 6.0 * sin(theta), 1.1 * time) + 2.0 * s);
    float outside = max(d - 1.0, 0.0);
    float corona = exp(-outside * (5.5 - 2.5 * flicker - 1.5 * flare)) * (0.75 + 0.25 * sin(1.7 * time + s));
    vec3 corona_color = mix(b, a, 0.35) * corona;
    vec4 color = vec4(surface * disc + corona_color * (1.0 - disc), disc);
    if (color.a <= 0.002 && corona <= 0.004) discard;
    return color;
}

// The lit surface of a planet by style (before its rim light).
vec3 planet_surface(vec3 n, float shade, float s, vec3 a, vec3 b, float style) {
    vec3 p = 2.2 * n + vec3(s, 1.7 * s, 0.6 * s);
    float f = fbm(p);
    float detail = noise3(6.0 * p);
    vec3 glow = vec3(0.0);
    vec3 surface;
    if (style < 0.5) {
        surface = mix(a, b, smoothstep(0.38, 0.62, f)) * (0.85 + 0.3 * detail);
    } else if (style < 1.5) {
        float swirl = fbm(vec3(1.5 * n.x, 7.0 * n.y, 1.5 * n.z) + vec3(s, 0.0, 0.0));
        float bands = 0.5 + 0.5 * sin(12.0 * n.y + 5.0 * swirl + s);
        surface = mix(a, b, bands) * (0.92 + 0.16 * detail);
    } else if (style < 2.5) {
        float land = smoothstep(0.5, 0.54, f);
        float caps = smoothstep(0.78, 0.84, abs(n.y) + 0.25 * (f - 0.5));
        vec3 ground = mix(a * (0.8 + 0.4 * f), b * (0.75 + 0.5 * detail), land);
        surface = mix(ground, vec3(0.92, 0.95, 1.0), caps);
    } else {
        surface = a * (0.6 + 0.8 * f);
        float crack = 1.0 - smoothstep(0.0, 0.05, abs(f - 0.5));
        glow = 1.3 * b * crack;  // lava shows on the dark side too
    }
    return surface * shade + glow;
}

vec4 planet(float d, float edge, float disc, vec3 n, float diffuse, float shade, float s, vec3 a, vec3 b,
            float style) {
    float edge_glow = pow(1.0 - n.z, 3.0);
    float rim = edge_glow * (0.35 + 0.65 * diffuse) * 0.7;
    vec3 rim_color = (a + b) / 2.0 + 0.35;

    // The surface only shows where the disc covers; the haze and the ring
    // outside it need none of it.
    vec3 planet_color = vec3(0.0);
    if (disc > 0.0) planet_color = planet_surface(n, shade, s, a, b, style) + rim_color * rim;

    float outside = clamp((d - 1.0) / 0.07, 0.0, 1.0);
    float haze = (1.0 - outside) * (1.0 - outside) * step(1.0, d) * 0.45;

    // The ring is an ellipse: its near half (below the middle) covers the planet.
    float ca = cos(p_look.w);
    float sa = sin(p_look.w);
    float height = max(p_ring.z, 0.01);
    float ru = local.x * ca + local.y * sa;
    float rv = (local.y * ca - local.x * sa) / height;
    float rr = sqrt(ru * ru + rv * rv);
    float ring_edge = max(edge / height, 0.02);
    float in_ring = smoothstep(p_ring.x, p_ring.x + ring_edge, rr) * (1.0 - smoothstep(p_ring.y - ring_edge, p_ring.y, rr));
    float bands = 0.6 + 0.4 * sin(55.0 * rr + 3.0 * s);
    float ring_alpha = in_ring * bands * p_ring_color.a;

    vec4 body = vec4(planet_color * disc, disc);
    vec4 haze_layer = vec4(rim_color * haze, haze);
    vec4 lit = body + haze_layer * (1.0 - body.a);
    vec4 ring_layer = vec4(p_ring_color.rgb * ring_alpha, ring_alpha);
    vec4 color;
    if (rv >= 0.0) {
        color = ring_layer + lit * (1.0 - ring_layer.a);
    } else {
        color = lit + ring_layer * (1.0 - lit.a);
    }
    if (color.a <= 0.002) discard;
    return color;
}

void main() {
    float r = p_shape.z;
    float s = p_shape.w;
    vec3 a = p_color_a.rgb;
    vec3 b = p_color_b.rgb;
    const float style = PLANET_STYLE;

    float d2 = dot(local, local);
    float d = sqrt(d2);
    float edge = pixel_size / r;
    float disc = clamp((1.0 - d) / edge + 0.5, 0.0, 1.0);
    vec3 n = vec3(local.x, local.y, sqrt(max(1.0 - d2, 0.0)));
    vec3 light = normalize(vec3(p_look.x, p_look.y, 0.6));
    float diffuse = clamp(dot(n, light), 0.0, 1.0);
    float shade = 0.16 + 0.84 * diffuse;

    if (style > 4.5) {
        frag_color = dome(d, edge, s, a, b);
    } else if (style > 3.5) {
        frag_color = sun(d, disc, n, s, a, b);
    } else {
        frag_color = planet(d, edge, disc, n, diffuse, shade, s, a, b, style);
    }
}
