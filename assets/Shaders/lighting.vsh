#version 330 core
// Lit vertex shader (model parts): clip position, world-space normal, and the directions toward the light
// and toward the eye for the pixel shader, which also gets its own two constants from here (see below).
layout(location = 0) in vec3 inPosition;
layout(location = 1) in vec3 inNormal;
layout(location = 2) in vec2 inTexCoord;

uniform mat4 matWorldViewProj;
uniform mat4 matWorld;
uniform vec4 vecEye;
uniform vec4 vecLightDir;
// The pixel shader's constants: the frame sets them on the pixel stage, and a program's stages share their
// uniforms by name. A software rasteriser reads a pixel shader's uniform pixel by pixel, but a flat input
// once per block of pixels, so the pixel shader takes them as flat inputs instead.
uniform vec4 Material;
uniform vec3 ColorAdd;

out vec2 texCoord;
out vec3 worldNormal;
flat out vec3 lightDir;
out vec3 viewDir;
flat out vec4 material;
flat out vec3 colorAdd;

void VS() {
  gl_Position = matWorldViewProj * vec4(inPosition, 1.0);
  vec4 worldPosition = matWorld * vec4(inPosition, 1.0);
  worldNormal = (matWorld * vec4(inNormal, 0.0)).xyz;
  // vecLightDir points from the surface toward the light. It is the same for the whole draw, so it is made
  // unit length here once rather than for every pixel (zero stays zero).
  float lightLength = length(vecLightDir.xyz);
  lightDir = lightLength > 0.0 ? vecLightDir.xyz / lightLength : vec3(0.0);
  viewDir = vecEye.xyz - worldPosition.xyz;
  texCoord = inTexCoord;
  material = Material;
  colorAdd = ColorAdd;
}
