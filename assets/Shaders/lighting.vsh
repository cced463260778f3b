#version 330 core
// Lit vertex shader (model parts): clip position, world-space normal, and the directions toward the light
// and toward the eye for the pixel shader.
layout(location = 0) in vec3 inPosition;
layout(location = 1) in vec3 inNormal;
layout(location = 2) in vec2 inTexCoord;

uniform mat4 matWorldViewProj;
uniform mat4 matWorld;
uniform vec4 vecEye;
uniform vec4 vecLightDir;

out vec2 texCoord;
out vec3 worldNormal;
flat out vec3 lightDir;
out vec3 viewDir;

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
}
