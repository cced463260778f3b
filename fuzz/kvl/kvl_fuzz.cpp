// Fuzz target: the level reader on arbitrary bytes, loaded as a level by the graphics object. Its game
// folder holds the shaders and, under every model file name of the built Assets, a model without parts, so
// an input costs the reader's work and not mesh loading.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>

#include "common/graphics_fuzz.h"

namespace fs = std::filesystem;

namespace {

fuzz::GraphicsFuzzHarness& Harness() {
  static fuzz::GraphicsFuzzHarness harness("kv_fuzz_kvl_");
  [[maybe_unused]] static const bool prepared = [] {
    const fs::path built = fuzz::BuiltAssets(), assets = harness.Folder().Root() / "Assets";
    fs::create_directories(assets / "Art");
    fs::create_directories(assets / "Levels");
    fs::copy(built / "Shaders", assets / "Shaders", fs::copy_options::recursive);
    for (const fs::directory_entry& entry : fs::directory_iterator(built / "Art")) {
      if (entry.path().extension() == ".mdl")
        std::ofstream(assets / "Art" / entry.path().filename()) << "Object\n";
    }
    return true;
  }();
  return harness;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::GraphicsFuzzHarness& harness = Harness();
  harness.Folder().Write("Assets/Levels/fuzz.kvl", data, size);
  Graphics& graphics = harness.Next();
  // A camera start mode when the level loads; -1 or 0 when it is refused.
  const int mode = graphics.LoadLevel("fuzz.kvl");
  fuzz::Check(mode == -1 || mode == 0 || mode == kModeTop || mode == kModeSide || mode == kModeChase,
              "a start mode that is neither a refusal nor a play view");
  return 0;
}
