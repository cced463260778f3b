// Sound files (WAV, MP3 and the other formats libsndfile knows, told by content) read as 16-bit mono, whole
// from memory or in chunks from a file, with limits on what a damaged file can make the reader do.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace plat::sound {

constexpr int kMaxChannels = 8;
constexpr int kMinSampleRate = 1000;
constexpr int kMaxSampleRate = 192000;
// A sample is decoded whole into memory: at most this many frames (about three minutes at 44100 Hz).
constexpr size_t kMaxSampleFrames = size_t{1} << 23;
// A sample's file is read whole first: at most this many bytes.
constexpr uintmax_t kMaxSampleFileBytes = uintmax_t{64} << 20;

struct DecodedSound {
  int sampleRate = 0;
  std::vector<int16_t> samples;  // mono
  int DurationMs() const;
};

// Decodes a whole file held in memory (channels mixed down to mono). False, with *error saying why, when the
// bytes are not a sound it can decode, decode to nothing, or run past kMaxSampleFrames.
bool Decode(std::span<const uint8_t> bytes, DecodedSound& out, std::string* error);

// An open sound file read in chunks of mono samples.
class Reader {
 public:
  // Reads from the open file, which it keeps. Null, with *error saying why, when the file is not a sound
  // within the limits above.
  static std::unique_ptr<Reader> OpenFile(ReadOnlyFile file, std::string* error);
  // The bytes must outlive the reader.
  static std::unique_ptr<Reader> OpenMemory(std::span<const uint8_t> bytes, std::string* error);
  ~Reader();
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  int SampleRate() const;
  // Writes up to `frames` samples; with loop set the file starts again from its beginning when it ends.
  // Returns the count written: fewer than asked only at the end of a file that does not loop, or when the
  // file yields nothing more (a read error, or nothing after a rewind).
  size_t Read(int16_t* out, size_t frames, bool loop);

 private:
  struct Impl;
  explicit Reader(std::unique_ptr<Impl> impl);
  size_t ReadOnce(int16_t* out, size_t frames);
  std::unique_ptr<Impl> impl_;
};

// A game file decoded whole (Decode); a failure (also a file over kMaxSampleFileBytes) is reported on stderr
// naming the file, and returns false.
bool LoadSound(const FileSystem& files, std::string_view gamePath, DecodedSound& out);
// A game file opened for reading in chunks; null, reported on stderr naming the file, when it cannot be.
// Any size will do: the reader holds a chunk at a time.
std::unique_ptr<Reader> OpenSound(const FileSystem& files, std::string_view gamePath);

}  // namespace plat::sound
