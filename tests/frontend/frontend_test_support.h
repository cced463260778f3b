// Shared by the front-end tests: a scratch game folder whose Assets entries link to the built ones, with
// chosen folders made real so that files can be added or left out, and a whole-file read.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "harness/engine_harness.h"

namespace fronttest {

namespace fs = std::filesystem;

class ScratchGame {
 public:
  // realFolders: Assets subfolders made as folders of links, so their files can be changed one by one.
  explicit ScratchGame(const std::set<std::string>& realFolders = {}) {
    built_ = EngineHarness::GameFolder() / "Assets";
    root_ = fs::temp_directory_path() /
            ("kv_front_" + std::to_string(::getpid()) + "_" + std::to_string(counter_++));
    fs::remove_all(root_);
    fs::create_directories(root_ / "Assets");
    for (const fs::directory_entry& entry : fs::directory_iterator(built_)) {
      const fs::path name = entry.path().filename();
      if (!realFolders.count(name.string())) {
        fs::create_symlink(fs::absolute(entry.path()), root_ / "Assets" / name);
        continue;
      }
      fs::create_directory(root_ / "Assets" / name);
      for (const fs::directory_entry& file : fs::directory_iterator(entry.path()))
        fs::create_symlink(fs::absolute(file.path()), root_ / "Assets" / name / file.path().filename());
    }
  }
  ~ScratchGame() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  ScratchGame(const ScratchGame&) = delete;
  ScratchGame& operator=(const ScratchGame&) = delete;

  const fs::path& Root() const { return root_; }
  // Below Assets: a copy of a built file under another name, and a file left out.
  void CopyAs(const std::string& from, const std::string& to) {
    fs::copy_file(built_ / from, root_ / "Assets" / to);
  }
  void Remove(const std::string& file) { fs::remove(root_ / "Assets" / file); }
  fs::path HighScoreFile() const { return root_ / "HighScores.txt"; }

 private:
  static inline int counter_ = 0;
  fs::path built_;
  fs::path root_;
};

inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

}  // namespace fronttest
