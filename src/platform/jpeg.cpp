// JPEG decoding: libjpeg-turbo driven with an error manager that returns through setjmp/longjmp instead of
// exiting, treats corrupt-data warnings as errors, and caps image size, working memory and scans.
#include "platform/jpeg.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <string>

#include <jpeglib.h>

#include "platform/image_bytes.h"

namespace plat::image {
namespace {

// Art is far smaller. Rows are added as they decode, so a header claiming a large image with no data behind
// it allocates little; libjpeg's own buffers (whole-image coefficients for progressive files) stay under
// kMaxWorkingMemory.
constexpr uint64_t kMaxPixels = uint64_t(1) << 24;
constexpr long kMaxWorkingMemory = 128L << 20;
// Ordinary progressive files have about ten scans; thousands of tiny scans only cost decoding time.
constexpr int kMaxScans = 256;
static_assert(sizeof(unsigned long) >= sizeof(size_t), "jpeg_mem_src takes the buffer size as unsigned long");

struct ErrorManager {
  jpeg_error_mgr base;  // first, so the library's pointer converts back
  jpeg_progress_mgr progress;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

ErrorManager& ManagerOf(j_common_ptr cinfo) {
  return *reinterpret_cast<ErrorManager*>(cinfo->err);
}

[[noreturn]] void Abort(j_common_ptr cinfo) {
  std::longjmp(ManagerOf(cinfo).jump, 1);
}

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  (*cinfo->err->format_message)(cinfo, ManagerOf(cinfo).message);
  Abort(cinfo);
}

// Level -1 is a warning: the library would go on with grey or repeated data, so it is a failure here.
// Higher levels are trace messages, never shown.
void EmitMessage(j_common_ptr cinfo, int level) {
  if (level < 0) ErrorExit(cinfo);
}

void OutputMessage(j_common_ptr) {}

void LimitScans(j_common_ptr cinfo) {
  const auto* decompress = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (decompress->input_scan_number <= kMaxScans) return;
  std::snprintf(ManagerOf(cinfo).message, JMSG_LENGTH_MAX, "more than %d scans", kMaxScans);
  Abort(cinfo);
}

// Every library call happens here, between setjmp and the jumps back to it. The only objects this frame
// changes after setjmp live in the caller, as a jump would leave this frame's own locals indeterminate.
bool RunDecoder(jpeg_decompress_struct& cinfo, ErrorManager& errors, std::span<const uint8_t> bytes,
                Image& image) {
  if (setjmp(errors.jump)) return false;
  jpeg_create_decompress(&cinfo);
  cinfo.mem->max_memory_to_use = kMaxWorkingMemory;
  cinfo.progress = &errors.progress;
  jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&cinfo, TRUE);
  if (cinfo.image_width > kMaxSide || cinfo.image_height > kMaxSide ||
      uint64_t(cinfo.image_width) * cinfo.image_height > kMaxPixels) {
    std::snprintf(errors.message, JMSG_LENGTH_MAX, "size %ux%u too large", cinfo.image_width,
                  cinfo.image_height);
    return false;
  }
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  const JDIMENSION width = cinfo.output_width;
  JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                              width * JDIMENSION(cinfo.output_components), 1);
  image.width = int(width);
  image.height = int(cinfo.output_height);
  while (cinfo.output_scanline < cinfo.output_height) {
    const size_t y = cinfo.output_scanline;
    if (jpeg_read_scanlines(&cinfo, row, 1) != 1) {  // only a suspending source returns none
      std::snprintf(errors.message, JMSG_LENGTH_MAX, "decoding stopped at row %zu", y);
      return false;
    }
    // Grown by doubling, never past the whole image.
    if (image.argb.capacity() < (y + 1) * width)
      image.argb.reserve(std::min(size_t(width) * size_t(image.height),
                                  std::max((y + 1) * width, 2 * image.argb.capacity())));
    image.argb.resize((y + 1) * width);
    const JSAMPLE* p = row[0];
    for (size_t x = 0; x < width; ++x, p += 3)
      image.argb[y * width + x] = 0xFF000000u | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | uint32_t(p[2]);
  }
  jpeg_finish_decompress(&cinfo);
  return true;
}

}  // namespace

bool DecodeJpeg(std::span<const uint8_t> bytes, Image& out, std::string* error) {
  jpeg_decompress_struct cinfo{};
  ErrorManager errors{};
  cinfo.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = ErrorExit;
  errors.base.emit_message = EmitMessage;
  errors.base.output_message = OutputMessage;
  errors.progress.progress_monitor = LimitScans;
  Image image;
  const bool ok = RunDecoder(cinfo, errors, bytes, image);
  jpeg_destroy_decompress(&cinfo);  // frees everything the library allocated, after a failure too
  if (!ok) return Fail(error, std::string("cannot decode JPEG: ") + errors.message);
  out = std::move(image);
  return true;
}

}  // namespace plat::image
