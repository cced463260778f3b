// Host file mapping: the game's backslash paths resolved below a root folder, with a per-component
// case-insensitive fallback, plus whole-file reads and an atomic text write.
#include "platform/files.h"

#include <algorithm>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <system_error>

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

bool IsRegularFile(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(path, ec);
}

}  // namespace

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

std::unique_ptr<std::istream> FileSystem::OpenText(std::string_view gamePath) const {
  try {
    std::string path = Resolve(gamePath);
    if (!IsRegularFile(path)) return nullptr;
    auto stream = std::make_unique<std::ifstream>(path);
    if (!stream->is_open()) return nullptr;
    return stream;
  } catch (const std::exception&) {
    return nullptr;
  }
}

bool FileSystem::ReadAll(std::string_view gamePath, std::vector<uint8_t>& out) const {
  out.clear();
  try {
    std::string path = Resolve(gamePath);
    if (!IsRegularFile(path)) return false;
    std::ifstream stream(path, std::ios::binary);
    if (!stream.is_open()) return false;
    out.assign(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
    if (stream.bad()) {
      out.clear();
      return false;
    }
    return true;
  } catch (const std::exception&) {
    out.clear();
    return false;
  }
}

bool FileSystem::WriteTextAtomic(std::string_view gamePath, std::string_view text) const {
  std::string temp;
  try {
    std::string target = ResolveForWrite(gamePath);
    if (target.empty()) return false;
    temp = target + ".tmp";
    {
      std::ofstream stream(temp, std::ios::binary | std::ios::trunc);
      if (!stream.is_open()) return false;
      stream.write(text.data(), static_cast<std::streamsize>(text.size()));
      stream.close();
      if (stream.fail()) throw std::runtime_error("write failed");
    }
    std::error_code ec;
    fs::rename(temp, target, ec);
    if (ec) throw std::runtime_error("rename failed");
    return true;
  } catch (const std::exception&) {
    if (!temp.empty()) {
      std::error_code ignored;
      fs::remove(temp, ignored);
    }
    return false;
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
