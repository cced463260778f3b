// Shared by the fuzz targets: a scratch game folder that inputs are written into, removed at exit, and the
// check that turns a reader breaking its own promise into a finding.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace fuzz {

// Aborts, which the fuzzer reports with the input, when a promise does not hold.
inline void Check(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

// A folder of its own below /dev/shm when there is one (an input is written for every run), else below the
// temporary folder; removed when the fuzzer exits normally.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& prefix) {
    std::error_code ec;
    const std::filesystem::path base =
        std::filesystem::is_directory("/dev/shm", ec) ? "/dev/shm" : std::filesystem::temp_directory_path();
    root_ = base / (prefix + std::to_string(::getpid()));
    std::filesystem::remove_all(root_, ec);
    std::filesystem::create_directories(root_);
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& Root() const { return root_; }

  void Write(const std::filesystem::path& relative, const uint8_t* data, size_t size) const {
    std::ofstream out(root_ / relative, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    Check(out.good(), "the input could not be written to the scratch folder");
  }

 private:
  std::filesystem::path root_;
};

// The built Assets folder: $KV_ASSETS_DIR, else the one this build made.
inline std::filesystem::path BuiltAssets() {
  const char* dir = std::getenv("KV_ASSETS_DIR");
  return dir != nullptr && *dir != '\0' ? std::filesystem::path(dir) : std::filesystem::path(KV_BUILT_ASSETS);
}

}  // namespace fuzz
