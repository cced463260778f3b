// Text drawing: a face found by fontconfig, printable ASCII rasterised once by FreeType into a glyph atlas,
// and each line drawn as atlas quads through the sprite batch.
#include "platform/font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

#include "platform/image.h"
#include "platform/sprite_batch.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace plat::text {
namespace {

constexpr int kFirstChar = 32, kLastChar = 126;
constexpr int kGlyphCount = kLastChar - kFirstChar + 1;
constexpr int kPadding = 1;  // empty texels between glyphs, so filtering never reaches a neighbour

struct Glyph {
  sprite::Rect rect;      // in the atlas; empty for glyphs without ink (space)
  int left = 0, top = 0;  // from the pen position on the baseline to the bitmap's top-left (top is upward)
  int advance = 0;        // pixels to the next pen position
  bool present = false;
};

struct GlyphBitmap {
  int width = 0, rows = 0;
  std::vector<uint8_t> coverage;  // top row first
};

struct FaceFile {
  std::string path;
  int index = 0;
};

// The file of the best match for family, weight and slant; nothing when fontconfig has no font at all.
std::optional<FaceFile> MatchFace(const std::string& family, int weight, bool italic) {
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return std::nullopt;
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(std::clamp(weight, 1, 1000)));
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return std::nullopt;
  std::optional<FaceFile> found;
  FcChar8* file = nullptr;
  int index = 0;
  if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
    if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
    found = FaceFile{reinterpret_cast<const char*>(file), index};
  }
  FcPatternDestroy(match);
  return found;
}

GlyphBitmap CopyBitmap(const FT_Bitmap& bitmap) {
  GlyphBitmap out;
  const bool gray = bitmap.pixel_mode == FT_PIXEL_MODE_GRAY;
  const bool mono = bitmap.pixel_mode == FT_PIXEL_MODE_MONO;
  if ((!gray && !mono) || bitmap.buffer == nullptr) return out;
  out.width = static_cast<int>(bitmap.width);
  out.rows = static_cast<int>(bitmap.rows);
  out.coverage.resize(static_cast<size_t>(out.width) * static_cast<size_t>(out.rows));
  const int pitch = bitmap.pitch;
  const int levels = gray ? std::max(2, static_cast<int>(bitmap.num_grays)) : 2;
  for (int y = 0; y < out.rows; ++y) {
    // A negative pitch stores the rows bottom first.
    const uint8_t* row =
        bitmap.buffer + static_cast<ptrdiff_t>(pitch >= 0 ? y : out.rows - 1 - y) * std::abs(pitch);
    for (int x = 0; x < out.width; ++x) {
      int value = gray ? row[x] * 255 / (levels - 1) : ((row[x >> 3] >> (7 - (x & 7))) & 1) * 255;
      out.coverage[static_cast<size_t>(y) * static_cast<size_t>(out.width) + static_cast<size_t>(x)] =
          static_cast<uint8_t>(std::min(255, value));
    }
  }
  return out;
}

// Shelf packing into a width-wide atlas; returns the height used.
int Pack(const std::vector<GlyphBitmap>& bitmaps, std::array<Glyph, kGlyphCount>& glyphs, int width) {
  int x = kPadding, y = kPadding, shelf = 0;
  for (int i = 0; i < kGlyphCount; ++i) {
    const GlyphBitmap& b = bitmaps[static_cast<size_t>(i)];
    if (b.width == 0 || b.rows == 0) continue;
    if (b.width + 2 * kPadding > width) return -1;
    if (x + b.width + kPadding > width) {
      x = kPadding;
      y += shelf + kPadding;
      shelf = 0;
    }
    glyphs[static_cast<size_t>(i)].rect = {x, y, x + b.width, y + b.rows};
    x += b.width + kPadding;
    shelf = std::max(shelf, b.rows);
  }
  return y + shelf + kPadding;
}

int NextPowerOfTwo(int v) {
  int p = 1;
  while (p < v) p *= 2;
  return p;
}

class AtlasFont final : public Font {
 public:
  AtlasFont(gpu::Device& device, std::unique_ptr<gpu::Texture> atlas,
            const std::array<Glyph, kGlyphCount>& glyphs, int ascent)
      : device_(device),
        atlas_(std::move(atlas)),
        glyphs_(glyphs),
        ascent_(ascent),
        batch_(sprite::CreateSpriteBatch(device)) {}

  void DrawText(std::string_view text, int x, int y, gpu::Argb colour) override {
    marker_.assign("text ");
    marker_.append(text);
    device_.Marker(marker_);
    batch_->Begin();
    int pen = x;
    const int baseline = y + ascent_;
    for (const char ch : text) {
      const int code = static_cast<unsigned char>(ch);
      if (code < kFirstChar || code > kLastChar) continue;
      const Glyph& g = glyphs_[static_cast<size_t>(code - kFirstChar)];
      if (!g.present) continue;
      if (g.rect.right > g.rect.left) {
        batch_->SetTransform(math::MatrixTransformation2D(
            {1.0f, 1.0f}, {static_cast<float>(pen + g.left), static_cast<float>(baseline - g.top)}));
        batch_->Draw(*atlas_, &g.rect, colour);
      }
      pen += g.advance;
    }
    batch_->End();
  }

 private:
  gpu::Device& device_;
  std::unique_ptr<gpu::Texture> atlas_;
  std::array<Glyph, kGlyphCount> glyphs_;
  int ascent_;
  std::unique_ptr<sprite::SpriteBatch> batch_;
  std::string marker_;  // reused so drawing allocates nothing once warmed up
};

void ReportOnce(const std::string& why) {
  static bool reported = false;
  if (reported) return;
  reported = true;
  std::fprintf(stderr, "font: %s\n", why.c_str());
}

// Owns the FreeType library and face for the duration of rasterising.
struct FreeTypeFace {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  ~FreeTypeFace() {
    if (face) FT_Done_Face(face);
    if (library) FT_Done_FreeType(library);
  }
};

}  // namespace

std::unique_ptr<Font> CreateFont(gpu::Device& device, const FontDesc& desc) {
  if (desc.cellHeight <= 0) {
    ReportOnce("cell height must be positive");
    return nullptr;
  }
  bool configured = false;
  {
#if defined(__SANITIZE_ADDRESS__)
    // Loading the system configuration loses a few hundred bytes inside fontconfig itself, once per process.
    __lsan::ScopedDisabler notOurs;
#endif
    configured = FcInit();
  }
  if (!configured) {
    ReportOnce("fontconfig could not be initialised");
    return nullptr;
  }
  FreeTypeFace ft;
  if (FT_Init_FreeType(&ft.library) != 0) {
    ReportOnce("FreeType could not be initialised");
    return nullptr;
  }
  // The requested family first (fontconfig's aliases map "Arial" to Liberation Sans), then the fallbacks.
  const std::array<std::string, 3> families = {desc.face, "DejaVu Sans", "sans-serif"};
  for (const std::string& family : families) {
    const std::optional<FaceFile> file = MatchFace(family, desc.weight, desc.italic);
    if (!file) continue;
    if (FT_New_Face(ft.library, file->path.c_str(), file->index, &ft.face) == 0) break;
    ft.face = nullptr;
  }
  if (!ft.face) {
    ReportOnce("no face found for \"" + desc.face + "\" nor any sans-serif fallback");
    return nullptr;
  }
  FT_Size_RequestRec request{};
  request.type = FT_SIZE_REQUEST_TYPE_CELL;
  request.height = static_cast<FT_Long>(desc.cellHeight) * 64;
  if (FT_Request_Size(ft.face, &request) != 0) {
    ReportOnce(std::string("face ") + ft.face->family_name + " cannot be sized");
    return nullptr;
  }
  // Ascent from the unrounded scaled metric, so ascent plus descent stays the requested cell height.
  const FT_Long ascender26 = FT_IS_SCALABLE(ft.face)
                                 ? FT_MulFix(ft.face->ascender, ft.face->size->metrics.y_scale)
                                 : ft.face->size->metrics.ascender;
  const int ascent = static_cast<int>(std::lround(static_cast<double>(ascender26) / 64.0));

  std::array<Glyph, kGlyphCount> glyphs{};
  std::vector<GlyphBitmap> bitmaps(kGlyphCount);
  for (int i = 0; i < kGlyphCount; ++i) {
    if (FT_Load_Char(ft.face, static_cast<FT_ULong>(kFirstChar + i), FT_LOAD_RENDER) != 0) continue;
    const FT_GlyphSlot slot = ft.face->glyph;
    Glyph& g = glyphs[static_cast<size_t>(i)];
    g.present = true;
    g.left = slot->bitmap_left;
    g.top = slot->bitmap_top;
    g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
    bitmaps[static_cast<size_t>(i)] = CopyBitmap(slot->bitmap);
  }

  // Smallest power-of-two atlas that holds every glyph: widen until the shelves fit in a square or less.
  int width = 64, height = -1;
  for (; width <= 4096; width *= 2) {
    height = Pack(bitmaps, glyphs, width);
    if (height > 0 && NextPowerOfTwo(height) <= width) break;
  }
  if (height <= 0 || width > 4096) {
    ReportOnce("glyphs of " + std::string(ft.face->family_name) + " do not fit an atlas");
    return nullptr;
  }
  image::Image atlas;
  atlas.width = width;
  atlas.height = NextPowerOfTwo(height);
  atlas.argb.assign(static_cast<size_t>(atlas.width) * static_cast<size_t>(atlas.height), 0x00FFFFFFu);
  for (int i = 0; i < kGlyphCount; ++i) {
    const GlyphBitmap& b = bitmaps[static_cast<size_t>(i)];
    const sprite::Rect& r = glyphs[static_cast<size_t>(i)].rect;
    for (int y = 0; y < b.rows; ++y) {
      for (int x = 0; x < b.width; ++x) {
        const uint32_t alpha =
            b.coverage[static_cast<size_t>(y) * static_cast<size_t>(b.width) + static_cast<size_t>(x)];
        atlas.argb[static_cast<size_t>(r.top + y) * static_cast<size_t>(atlas.width) +
                   static_cast<size_t>(r.left + x)] = (alpha << 24) | 0x00FFFFFFu;
      }
    }
  }
  std::string name = std::string("font ") + ft.face->family_name;
  if (ft.face->style_name) name += std::string(" ") + ft.face->style_name;
  name += " " + std::to_string(desc.cellHeight);
  std::vector<image::Image> levels;
  levels.push_back(std::move(atlas));
  std::unique_ptr<gpu::Texture> texture = device.CreateTexture(levels, name);
  if (!texture) {
    ReportOnce("the glyph atlas texture for " + name + " could not be created");
    return nullptr;
  }
  return std::make_unique<AtlasFont>(device, std::move(texture), glyphs, ascent);
}

}  // namespace plat::text
