#version 330 core
// Up to four nebulae at once, summed at the corners of a grid of cells over
// the view: cell `gl_InstanceID`, corner `gl_VertexID % 6`. A cloud changes
// over hundreds of world units, so between corners a few dozen units apart
// the interpolated light differs from the exact one by well under one level
// of colour, and the view is filled once instead of once per nebula. The
// noise (hash3, noise3) comes from noise.glsl, inserted after the version line.

// Per nebula k: location 2k its shape (centre x, y, radius, seed), location
// 2k + 1 its colour (rgb, strength in alpha). Every cell reads the same records.
layout(location = 0) in vec4 nebula[8];

uniform vec2 view_origin;
uniform vec2 view_size;
uniform float time;
uniform vec2 grid;    // cell size in world units, cells per row
uniform float count;  // nebulae in this draw, 1 to 4

out vec3 light;

const vec2 CORNERS[6] = vec2[6](vec2(0.0, 0.0), vec2(1.0, 0.0), vec2(0.0, 1.0),
                                vec2(0.0, 1.0), vec2(1.0, 0.0), vec2(1.0, 1.0));

// The light one nebula adds at a world position: thickest at its centre,
// none from its radius on.
vec3 nebula_light(vec2 world, vec4 shape, vec4 color) {
    vec2 local = (world - shape.xy) / shape.z;
    float d = length(local);
    if (d >= 1.0) return vec3(0.0);
    float s = shape.w;
    float fall = pow(1.0 - d, 1.6);
    vec3 at = vec3(2.0 * local.x, 2.0 * local.y, s);
    float cloud = 0.65 * noise3(at + vec3(0.004 * time, -0.003 * time, 0.0))
                + 0.35 * noise3(2.3 * at + vec3(1.7 * s, 0.0, 0.006 * time));
    float thick = fall * (0.45 + 0.55 * smoothstep(0.25, 0.75, cloud)) * color.a;
    return color.rgb * thick;
}

void main() {
    int columns = int(grid.y);
    vec2 cell = vec2(float(gl_InstanceID % columns), float(gl_InstanceID / columns));
    vec2 world = view_origin + (cell + CORNERS[gl_VertexID % 6]) * grid.x;
    light = vec3(0.0);
    for (int k = 0; k < 4; ++k) {
        if (float(k) < count) light += nebula_light(world, nebula[2 * k], nebula[2 * k + 1]);
    }
    vec2 ndc = (world - view_origin) / view_size * 2.0 - 1.0;
    gl_Position = vec4(ndc.x, -ndc.y, 0.0, 1.0);
}
