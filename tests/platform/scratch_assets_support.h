// A scratch game folder for each file-loading test: <temp>/<prefix><pid>_<test name> holding an empty
// Assets/Art folder, removed again after the test.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <utility>

class ScratchAssetsTest : public ::testing::Test {
 protected:
  explicit ScratchAssetsTest(std::string prefix) : prefix_(std::move(prefix)) {}
  void SetUp() override {
    root_ = std::filesystem::temp_directory_path() /
            (prefix_ + std::to_string(getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_ / "Assets" / "Art");
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }

  std::filesystem::path root_;

 private:
  std::string prefix_;
};
