// Reads GLSL source just far enough to know which functions it defines and which uniforms it declares;
// the recording device "compiles" shaders with it. Comments are ignored.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace plat::headless::glsl {

// True when the source has a definition "void <name>(".
bool DefinesFunction(std::string_view source, std::string_view name);
// Names declared by "uniform <type> <name>;", "uniform <type> <name>[N];" and "uniform <type> a, b;", sorted.
std::vector<std::string> UniformNames(std::string_view source);

}  // namespace plat::headless::glsl
