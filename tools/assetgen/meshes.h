// The generated .X meshes: the test model's hull, wing and cube, and a textured rock of a chosen size for
// the benchmark scene.
#pragma once

#include <filesystem>

#include "xfile.h"

namespace assetgen {

// Writes TestHull.X, TestWing.X, TestCube.X and BenchRock.X into <Assets>/Art. False on failure.
bool WriteMeshes(const std::filesystem::path& assetsRoot);

// A lumpy sphere of about `triangles` triangles (at least 12), radius about `radius`, textured
// "TestHull.bmp", one material.
xfile::Frame MakeBenchRock(int triangles, float radius);
bool WriteBenchRock(const std::filesystem::path& file, int triangles, float radius);

}  // namespace assetgen
