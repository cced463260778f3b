// Host file mapping: the game's backslash paths resolved below a root folder, with a per-component
// case-insensitive fallback, plus guarded reads (regular files within a size limit, opened without waiting),
// an atomic text write and a kept copy of a file.
#include "platform/files.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <fstream>
#include <iostream>
#include <optional>
#include <random>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace fs = std::filesystem;

namespace plat {
namespace {

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

struct SplitPath {
  bool absolute = false;
  std::vector<std::string> parts;  // no empty names
};

// Both separators split; empty components (doubled or trailing separators) are dropped. A ".." component
// would reach outside the game's folder: such a path is refused whole (no parts), with a report.
SplitPath Split(std::string_view gamePath) {
  SplitPath out;
  out.absolute = !gamePath.empty() && (gamePath.front() == '/' || gamePath.front() == '\\');
  std::string current;
  for (char c : gamePath) {
    if (c == '/' || c == '\\') {
      if (!current.empty()) out.parts.push_back(std::move(current));
      current.clear();
    } else {
      current.push_back(c);
    }
  }
  if (!current.empty()) out.parts.push_back(std::move(current));
  if (std::find(out.parts.begin(), out.parts.end(), "..") != out.parts.end()) {
    std::cerr << "refused the file name \"" << gamePath << "\": it reaches outside the game's folder"
              << std::endl;
    out.parts.clear();
  }
  return out;
}

// `dir/name` if it exists, else the case-insensitive match in `dir` that sorts first. With `wantFolder`
// (a further component follows) only folders count.
std::optional<fs::path> MatchComponent(const fs::path& dir, const std::string& name, bool wantFolder) {
  std::error_code ec;
  fs::path exact = dir / name;
  if (wantFolder ? fs::is_directory(exact, ec) : fs::exists(exact, ec)) return exact;
  if (name == "." || name == "..") return std::nullopt;

  std::optional<std::string> best;
  fs::directory_iterator it(dir.empty() ? fs::path(".") : dir, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::string candidate = it->path().filename().string();
    if (!EqualsIgnoreCase(candidate, name)) continue;
    std::error_code typeError;
    if (wantFolder && !it->is_directory(typeError)) continue;
    if (!best || candidate < *best) best = std::move(candidate);
  }
  if (!best) return std::nullopt;
  return dir / *best;
}

// Resolves the first `count` components of `split`; nullopt as soon as one is missing.
std::optional<fs::path> ResolveParts(const fs::path& root, const SplitPath& split, size_t count) {
  fs::path current = split.absolute ? fs::path("/") : root;
  for (size_t i = 0; i < count; ++i) {
    bool folder = i + 1 < split.parts.size();
    std::optional<fs::path> next = MatchComponent(current, split.parts[i], folder);
    if (!next) return std::nullopt;
    current = std::move(*next);
  }
  return current;
}

std::string SystemError(int code) {
  return std::error_code(code, std::generic_category()).message();
}

std::string WhatItIs(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a pipe";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  return "a special file";
}

// A plain open of a pipe waits for a writer, and the first read of a device can wait for good: the open
// does not wait, and only a regular file is kept. The check is made on the open descriptor, so nothing can
// be put in the file's place between the check and the reads.
ReadOnlyFile OpenHost(const std::string& path, uintmax_t maxBytes, std::string& why) {
  int descriptor = -1;
  do {
    descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  } while (descriptor < 0 && errno == EINTR);
  if (descriptor < 0) {
    why = SystemError(errno);
    return {};
  }
  struct stat status {};
  if (::fstat(descriptor, &status) != 0) {
    why = SystemError(errno);
    ::close(descriptor);
    return {};
  }
  ReadOnlyFile file(descriptor, static_cast<uintmax_t>(status.st_size));
  if (!S_ISREG(status.st_mode)) {
    why = WhatItIs(status.st_mode) + ", not a regular file";
    return {};
  }
  if (file.Size() > maxBytes) {
    why = "larger than " + std::to_string(maxBytes) + " bytes (" + std::to_string(file.Size()) + " bytes)";
    return {};
  }
  // Reads of a regular file never wait; the flag goes so that the descriptor is an ordinary one.
  const int flags = ::fcntl(descriptor, F_GETFL);
  if (flags < 0 || ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    why = SystemError(errno);
    return {};
  }
  return file;
}

// The bytes of the file, as many as it held when it was opened (the limit was checked on that size).
template <typename Bytes>
bool ReadBytes(const ReadOnlyFile& file, Bytes& out, std::string& why) {
  try {
    out.resize(static_cast<size_t>(file.Size()));
  } catch (const std::exception& e) {
    why = e.what();
    return false;
  }
  size_t used = 0;
  while (used < out.size()) {
    const ssize_t n = ::read(file.Descriptor(), out.data() + used, out.size() - used);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      why = SystemError(errno);
      return false;
    }
    if (n == 0) break;
    used += static_cast<size_t>(n);
  }
  out.resize(used);
  return true;
}

// A failure: into *error when there is one, else on stderr unless the file is missing.
void Refuse(std::string_view gamePath, const std::string& why, bool found, std::string* error) {
  if (error != nullptr) {
    *error = why;
  } else if (found) {
    std::cerr << gamePath << ": cannot read the file: " << why << std::endl;
  }
}

// A save's temporary file is "<target>.tmp.<process id>.<random letters>": unknown before it is made, and
// telling which process made it.
constexpr std::string_view kTemporaryInfix = ".tmp.";
constexpr int kTemporaryAttempts = 100;
constexpr int kMaxCopiesAside = 1000;

std::string RandomLetters(size_t count) {
  static constexpr std::string_view kLetters = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device device;
  std::uniform_int_distribution<size_t> pick(0, kLetters.size() - 1);
  std::string letters;
  for (size_t i = 0; i < count; ++i) letters.push_back(kLetters[pick(device)]);
  return letters;
}

bool WriteFully(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    text.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

// A new file made exclusively: where anything already is (a file, a folder, a pipe, a link, even a broken
// one) the open fails instead of going into it or through it. Removed again unless kept.
class TemporaryFile {
 public:
  ~TemporaryFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  bool Create(const std::string& path) {
    do {
      fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ >= 0) path_ = path;
    return fd_ >= 0;
  }
  // Written and flushed to the disk, then closed.
  bool WriteAndClose(std::string_view text) {
    const bool written = WriteFully(fd_, text) && ::fsync(fd_) == 0;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    return written && closed;
  }
  // Renamed over `target`; from then on it is the target's to keep.
  bool RenameOver(const std::string& target) {
    if (::rename(path_.c_str(), target.c_str()) != 0) return false;
    path_.clear();
    return true;
  }

 private:
  int fd_ = -1;
  std::string path_;
};

// The rename itself reaches the disk only with its folder; a folder that cannot be flushed is no failure
// of the save, which has taken place.
void FlushFolder(const fs::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Removes the temporary files of `target` whose process no longer runs: a process killed during a save
// leaves its file. Only names are removed, never what a link points to; folders stay.
void RemoveStaleTemporaries(const fs::path& folder, const std::string& targetName) {
  const std::string prefix = targetName + std::string(kTemporaryInfix);
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
    const char* const digits = name.data() + prefix.size();
    pid_t owner = 0;
    const auto [end, error] = std::from_chars(digits, name.data() + name.size(), owner);
    if (error != std::errc() || end == digits || *end != '.' || owner <= 0 || owner == ::getpid()) continue;
    if (::kill(owner, 0) == 0 || errno != ESRCH) continue;
    ::unlink(it->path().c_str());
  }
}

}  // namespace

ReadOnlyFile::~ReadOnlyFile() {
  if (descriptor_ >= 0) ::close(descriptor_);
}

ReadOnlyFile::ReadOnlyFile(ReadOnlyFile&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)), size_(other.size_) {}

ReadOnlyFile& ReadOnlyFile::operator=(ReadOnlyFile&& other) noexcept {
  if (this != &other) {
    if (descriptor_ >= 0) ::close(descriptor_);
    descriptor_ = std::exchange(other.descriptor_, -1);
    size_ = other.size_;
  }
  return *this;
}

FileSystem::FileSystem(fs::path root) : root_(std::move(root)) {}

std::string FileSystem::Resolve(std::string_view gamePath) const {
  try {
    SplitPath split = Split(gamePath);
    if (split.parts.empty()) return {};
    std::optional<fs::path> found = ResolveParts(root_, split, split.parts.size());
    return found ? found->string() : std::string();
  } catch (const std::exception&) {
    return {};
  }
}

std::string FileSystem::ResolveForWrite(std::string_view gamePath) const {
  try {
    SplitPath split = Split(gamePath);
    if (split.parts.empty()) return {};
    std::optional<fs::path> folder = ResolveParts(root_, split, split.parts.size() - 1);
    if (!folder) return {};
    std::error_code ec;
    if (!fs::is_directory(*folder, ec)) return {};
    return (*folder / split.parts.back()).string();
  } catch (const std::exception&) {
    return {};
  }
}

ReadOnlyFile FileSystem::Open(std::string_view gamePath, uintmax_t maxBytes, std::string* error) const {
  const std::string path = Resolve(gamePath);
  if (path.empty()) {
    Refuse(gamePath, "file not found", false, error);
    return {};
  }
  std::string why;
  ReadOnlyFile file = OpenHost(path, maxBytes, why);
  if (!file) Refuse(gamePath, why, true, error);
  return file;
}

std::unique_ptr<std::istream> FileSystem::OpenText(std::string_view gamePath, uintmax_t maxBytes,
                                                   std::string* error) const {
  std::string text, why;
  ReadOnlyFile file = Open(gamePath, maxBytes, error);
  if (!file) return nullptr;
  if (ReadBytes(file, text, why)) return std::make_unique<std::istringstream>(std::move(text));
  Refuse(gamePath, why, true, error);
  return nullptr;
}

bool FileSystem::ReadAll(std::string_view gamePath, std::vector<uint8_t>& out, uintmax_t maxBytes,
                         std::string* error) const {
  out = {};
  std::string why;
  ReadOnlyFile file = Open(gamePath, maxBytes, error);
  if (!file) return false;
  if (ReadBytes(file, out, why)) return true;
  out = {};
  Refuse(gamePath, why, true, error);
  return false;
}

bool FileSystem::WriteTextAtomic(std::string_view gamePath, std::string_view text) const {
  try {
    const std::string target = ResolveForWrite(gamePath);
    if (target.empty()) return false;
    const fs::path targetPath(target);
    const fs::path folder = targetPath.has_parent_path() ? targetPath.parent_path() : fs::path(".");
    const std::string stem = target + std::string(kTemporaryInfix) + std::to_string(::getpid()) + ".";
    TemporaryFile temporary;
    bool created = false;
    for (int attempt = 0; !created && attempt < kTemporaryAttempts; ++attempt) {
      created = temporary.Create(stem + RandomLetters(8));
      if (!created && errno != EEXIST) return false;
    }
    if (!created || !temporary.WriteAndClose(text) || !temporary.RenameOver(target)) return false;
    FlushFolder(folder);
    RemoveStaleTemporaries(folder, targetPath.filename().string());
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

std::optional<std::string> FileSystem::CopyAside(std::string_view gamePath, std::string_view suffix) const {
  try {
    const std::string original = Resolve(gamePath);
    if (original.empty()) return std::string();
    const std::string first = original + std::string(suffix);
    for (int number = 0; number < kMaxCopiesAside; ++number) {
      const std::string copy = number == 0 ? first : first + "." + std::to_string(number);
      // link() neither follows a link at either name nor replaces anything.
      if (::link(original.c_str(), copy.c_str()) == 0) return copy;
      if (errno != EEXIST) return std::nullopt;
    }
    return std::nullopt;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

fs::path FindGameFolder(const fs::path& workingDirectory, const fs::path& executableFolder,
                        std::string* error) {
  // Exactly "Assets": the case-insensitive fallback would take a source tree's "assets" for it.
  const auto holdsAssets = [](const fs::path& folder) {
    std::error_code ec;
    return !folder.empty() && fs::is_directory(folder / "Assets", ec);
  };
  if (holdsAssets(workingDirectory)) return workingDirectory;
  if (holdsAssets(executableFolder)) return executableFolder;
  if (error != nullptr) {
    *error = "no Assets folder found, neither in the working directory (" + workingDirectory.string() +
             ") nor beside the game (" + executableFolder.string() + ")";
  }
  return {};
}

}  // namespace plat
