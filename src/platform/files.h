// Maps the game's path strings ("Assets\Art\Paused.dds") to host files below a root folder.
#pragma once

#include <filesystem>
#include <istream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

class FileSystem {
 public:
  explicit FileSystem(std::filesystem::path root);

  // Backslash becomes slash; each component is matched exactly first, then case-insensitively in the
  // same folder. Empty when nothing matches.
  std::string Resolve(std::string_view gamePath) const;
  // Where a new file of that name would go (folders resolved as above, the last name kept as given).
  std::string ResolveForWrite(std::string_view gamePath) const;

  std::unique_ptr<std::istream> OpenText(std::string_view gamePath) const;  // null when absent
  bool ReadAll(std::string_view gamePath, std::vector<uint8_t>& out) const;
  // Writes a temporary file beside the target and renames it over, so a failed write loses nothing.
  bool WriteTextAtomic(std::string_view gamePath, std::string_view text) const;

  const std::filesystem::path& Root() const { return root_; }

 private:
  std::filesystem::path root_;
};

// The folder the game runs from: the working directory when it holds a folder named exactly "Assets", else
// the folder of the executable when that one does. Empty, with *error naming both places, when neither does.
std::filesystem::path FindGameFolder(const std::filesystem::path& workingDirectory,
                                     const std::filesystem::path& executableFolder, std::string* error);

}  // namespace plat
