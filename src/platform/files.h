// Maps the game's path strings ("Assets\Art\Paused.dds") to host files below a root folder, and reads them
// only when they are regular files within a size limit.
#pragma once

#include <cstdint>
#include <filesystem>
#include <istream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

// A regular file open for reading; the descriptor is closed with it.
class ReadOnlyFile {
 public:
  ReadOnlyFile() = default;
  ReadOnlyFile(int descriptor, uintmax_t size) : descriptor_(descriptor), size_(size) {}
  ~ReadOnlyFile();
  ReadOnlyFile(ReadOnlyFile&& other) noexcept;
  ReadOnlyFile& operator=(ReadOnlyFile&& other) noexcept;

  explicit operator bool() const { return descriptor_ >= 0; }
  int Descriptor() const { return descriptor_; }
  uintmax_t Size() const { return size_; }  // when it was opened

 private:
  int descriptor_ = -1;
  uintmax_t size_ = 0;
};

// No limit on a file's size, for readers that take a file in pieces and never hold it whole.
constexpr uintmax_t kAnySize = UINTMAX_MAX;

class FileSystem {
 public:
  explicit FileSystem(std::filesystem::path root);

  // Backslash becomes slash; each component is matched exactly first, then case-insensitively in the
  // same folder. Empty when nothing matches.
  std::string Resolve(std::string_view gamePath) const;
  // Where a new file of that name would go (folders resolved as above, the last name kept as given).
  std::string ResolveForWrite(std::string_view gamePath) const;

  // The reads below open a file so that the open cannot wait (a pipe or a device put in a file's place),
  // take only a regular file, and refuse one larger than `maxBytes` unread. On a failure *error says why
  // ("file not found" when the path names nothing); without `error`, a file that is there but refused is
  // reported on stderr, and a missing one is left to the caller.
  ReadOnlyFile Open(std::string_view gamePath, uintmax_t maxBytes, std::string* error = nullptr) const;
  // The whole file as a stream; null when it cannot be read.
  std::unique_ptr<std::istream> OpenText(std::string_view gamePath, uintmax_t maxBytes,
                                         std::string* error = nullptr) const;
  bool ReadAll(std::string_view gamePath, std::vector<uint8_t>& out, uintmax_t maxBytes,
               std::string* error = nullptr) const;
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
