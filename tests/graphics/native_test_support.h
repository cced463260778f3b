// Shared set-up for the graphics tests on the OpenGL device: SDL's offscreen driver, a folder linked to the
// built Assets folder as the working directory, clean globals and native services.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "harness/engine_harness.h"
#include "harness/native_required.h"
#include "platform/native/native_services.h"

namespace gfxtest {

// Skips the test (or fails it where native tests are required) when the machine has no offscreen SDL window
// or no OpenGL context; a test body then never runs.
class NativeServicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("KV_NO_DIALOGS", "1", 0);
    previousDir_ = std::filesystem::current_path();
    // A linked game folder: the high-score table an engine writes at exit stays out of the shared one.
    linked_ = std::make_unique<LinkedGameFolder>(EngineHarness::GameFolder() / "Assets");
    std::filesystem::current_path(linked_->Root());
    EngineHarness::ResetGlobals();
    std::string error;
    services_ = plat::CreateNativeServices(plat::NativeConfig{}, &error);
    if (!services_) KV_NATIVE_UNAVAILABLE("no offscreen SDL window: " << error);
    if (!services_->gpu().Available()) KV_NATIVE_UNAVAILABLE("no OpenGL context on this machine");
  }
  // A deriving fixture releases what uses the services first.
  void TearDown() override {
    services_.reset();
    EngineHarness::ResetGlobals();
    std::filesystem::current_path(previousDir_);
    linked_.reset();
  }

  std::unique_ptr<plat::Services> services_;

 private:
  std::filesystem::path previousDir_;
  std::unique_ptr<LinkedGameFolder> linked_;
};

}  // namespace gfxtest
