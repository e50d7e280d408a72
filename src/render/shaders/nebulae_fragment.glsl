#version 330 core
// The nebulae only add light: premultiplied colour with an alpha of 0.

in vec3 light;

out vec4 frag_color;

void main() { frag_color = vec4(light, 0.0); }
