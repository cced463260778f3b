// The graphics object on the headless backend over a scratch game folder, for the model and level targets.
// It is made once and renewed every so many inputs, so that the once-per-file failure lists and the logged
// message boxes stay short and every input costs about the same.
#pragma once

#include <sanitizer/lsan_interface.h>

#include <filesystem>
#include <memory>
#include <string>

#include "common/fuzz_support.h"
#include "graphics/graphics.h"
#include "platform/headless/headless_services.h"

namespace fuzz {

class GraphicsFuzzHarness {
 public:
  explicit GraphicsFuzzHarness(const std::string& prefix) : folder_(prefix) {}
  ~GraphicsFuzzHarness() { Release(); }

  const ScratchFolder& Folder() const { return folder_; }

  Graphics& Next() {
    if (graphics_ == nullptr || ++uses_ >= kInputsPerGraphics) Renew();
    return *graphics_;
  }

 private:
  static constexpr int kInputsPerGraphics = 2000;

  void Release() {
    graphics_.reset();  // before the services it draws on
    services_.reset();
  }

  void Renew() {
    Release();
    services_ = std::make_unique<plat::HeadlessServices>(folder_.Root());
    graphics_ = std::make_unique<Graphics>();
    // Start-up is not under test, and fontconfig keeps a little memory of its own for good.
    __lsan::ScopedDisabler startUp;
    Check(graphics_->Init(*services_, 800, 600, true),
          "the graphics object does not start on the scratch folder");
    uses_ = 0;
  }

  ScratchFolder folder_;
  std::unique_ptr<plat::HeadlessServices> services_;
  std::unique_ptr<Graphics> graphics_;
  int uses_ = 0;
};

}  // namespace fuzz
