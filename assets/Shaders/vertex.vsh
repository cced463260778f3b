#version 330 core
// Plain vertex shader (the sky): position by WorldViewProj, texture coordinate passed on.
layout(location = 0) in vec3 inPosition;
layout(location = 2) in vec2 inTexCoord;

uniform mat4 WorldViewProj;

out vec2 texCoord;

void vs_main() {
  gl_Position = WorldViewProj * vec4(inPosition, 1.0);
  texCoord = inTexCoord;
}
