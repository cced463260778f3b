// Text: one line drawn with its top-left corner at a pixel position, in a face found by name.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/gpu.h"

namespace plat::text {

struct FontDesc {
  int cellHeight = 20;
  int weight = 700;  // 700 is bold
  bool italic = false;
  std::string face = "Arial";
};

class Font {
 public:
  virtual ~Font() = default;
  // No clipping; alpha blended over the current target; restores the device state it changes.
  virtual void DrawText(std::string_view text, int x, int y, gpu::Argb colour) = 0;
};
// Null when no face can be found or rasterised.
std::unique_ptr<Font> CreateFont(gpu::Device& device, const FontDesc& desc);

}  // namespace plat::text
