// Fuzz target: the model file reader on arbitrary bytes, loaded as a model by the graphics object over a
// copy of the built Assets folder (so the meshes the seeds name load, once, into the mesh cache).
#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "common/graphics_fuzz.h"
#include "graphics/model.h"

namespace {

fuzz::GraphicsFuzzHarness& Harness() {
  static fuzz::GraphicsFuzzHarness harness("kv_fuzz_mdl_");
  [[maybe_unused]] static const bool copied = [] {
    std::filesystem::copy(fuzz::BuiltAssets(), harness.Folder().Root() / "Assets",
                          std::filesystem::copy_options::recursive);
    return true;
  }();
  return harness;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::GraphicsFuzzHarness& harness = Harness();
  harness.Folder().Write("Assets/Art/Fuzz.mdl", data, size);
  Graphics& graphics = harness.Next();
  Model* model = nullptr;
  if (graphics.LoadModel(&model, "Fuzz.mdl", 1.0f, 2.0f, 3.0f, false, false)) {
    fuzz::Check(model != nullptr && !graphics.entityModels.empty() && graphics.entityModels.back() == model,
                "a loaded model is not registered");
    for (const ObjectPart* part : model->parts) fuzz::Check(part != nullptr, "a null part");
    fuzz::Check(graphics.ReleaseModel(model), "a loaded model cannot be released");
  }
  return 0;
}
