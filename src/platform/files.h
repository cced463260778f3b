// Maps the game's path strings ("Assets\Art\Paused.dds") to host files below a root folder.
#pragma once

#include <filesystem>
#include <istream>
#include <memory>
#include <optional>
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
  // Writes a new temporary file beside the target, of a name no other file has, then renames it over the
  // target, so a failed or killed write loses nothing; the temporary file never goes through a link or into
  // anything already there. Temporary files that killed processes left are removed by the next save.
  bool WriteTextAtomic(std::string_view gamePath, std::string_view text) const;
  // Keeps what is at `gamePath` under a second name beside it, before WriteTextAtomic replaces it: `gamePath`
  // with `suffix`, or that with ".1", ".2", ... when the name is taken. The new name is a hard link to the
  // same file, which holds the old contents once the write has replaced the file; it is made only where
  // nothing is, so nothing is overwritten or written through, and nothing is read (a pipe, an unreadable or
  // a huge file is kept as it is). The new name's host path; empty when nothing is at `gamePath`; nullopt
  // when no name could be made.
  std::optional<std::string> CopyAside(std::string_view gamePath, std::string_view suffix) const;

  const std::filesystem::path& Root() const { return root_; }

 private:
  std::filesystem::path root_;
};

// The folder the game runs from: the working directory when it holds a folder named exactly "Assets", else
// the folder of the executable when that one does. Empty, with *error naming both places, when neither does.
std::filesystem::path FindGameFolder(const std::filesystem::path& workingDirectory,
                                     const std::filesystem::path& executableFolder, std::string* error);

}  // namespace plat
