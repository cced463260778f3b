// The heads-up display's pictures: word art in the game's block lettering, frames and bars on the magenta
// key, the icons, the portrait sheet and the life icon with real alpha. Opaque colours only, none of them
// the key, so every edge against the key is clean.
#include <algorithm>
#include <cmath>
#include <string_view>
#include <utility>
#include <vector>

#include "hud_art.h"
#include "images.h"
#include "lettering.h"

namespace assetgen {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kKey = 0xFFFF00FF;
constexpr uint32_t kOutline = 0xFF1A0C04;
constexpr uint32_t kLetterTop = 0xFFFFF070, kLetterBottom = 0xFFFF8A10;  // the display's yellow to orange
constexpr uint32_t kFrameLight = 0xFF70D8FF, kFrameDark = 0xFF10304A;

// Text centred on (cx, cy) with a dark outline `edge` pixels wide.
void Lettering(Picture& p, std::string_view text, int scaleX, int scaleY, int cx, int cy, int edge,
               uint32_t top = kLetterTop, uint32_t bottom = kLetterBottom) {
  const int x = cx - TextWidth(text, scaleX) / 2, y = cy - 7 * scaleY / 2;
  for (int dy = -edge; dy <= edge; ++dy)
    for (int dx = -edge; dx <= edge; ++dx)
      DrawText(p, x + dx, y + dy, scaleX, scaleY, text, kOutline, kOutline);
  DrawText(p, x, y, scaleX, scaleY, text, top, bottom);
}

// A word as large as fits `width` (at most `maxScale` per dot), taller than wide by a third.
Picture Word(int w, int h, std::string_view text, int maxScale) {
  Picture p(w, h, kKey);
  const int scale = std::min(maxScale, (w - 16) / TextWidth(text, 1));
  const int scaleY = std::min(scale + (scale + 2) / 3, (h - 8) / 7);
  Lettering(p, text, scale, scaleY, w / 2, h / 2, scale >= 4 ? 2 : 1);
  return p;
}

// A rounded frame `thickness` wide, light outside and dark inside; the rest stays as it was.
void Frame(Picture& p, int left, int top, int w, int h, int radius, int thickness) {
  for (int y = top; y < top + h; ++y)
    for (int x = left; x < left + w; ++x) {
      if (!InRoundedRect(x, y, left, top, w, h, radius)) continue;
      if (InRoundedRect(x, y, left + thickness, top + thickness, w - 2 * thickness, h - 2 * thickness,
                        std::max(1, radius - thickness)))
        continue;
      const bool inner = !InRoundedRect(x, y, left + 1, top + 1, w - 2, h - 2, radius) ||
                         InRoundedRect(x, y, left + thickness - 1, top + thickness - 1, w - 2 * thickness + 2,
                                       h - 2 * thickness + 2, std::max(1, radius - thickness + 1));
      p.At(x, y) = inner ? kFrameDark : Lerp(kFrameLight, 0xFF3088C0, y - top, h);
    }
}

// Black and yellow diagonal hazard stripes over the rectangle.
void Hazard(Picture& p, int left, int top, int w, int h) {
  for (int y = top; y < top + h; ++y)
    for (int x = left; x < left + w; ++x) p.At(x, y) = ((x + y) / 12) % 2 ? 0xFFFFC820 : 0xFF181410;
}

Picture LifeIcon() {
  // A top-down fighter: needle nose, swept wings, twin tail fins; real alpha, transparent around it.
  const std::vector<std::pair<float, float>> hull = {{32, 2},  {37, 18}, {39, 28}, {61, 44}, {61, 52},
                                                     {40, 47}, {39, 54}, {46, 61}, {18, 61}, {25, 54},
                                                     {24, 47}, {3, 52},  {3, 44},  {25, 28}, {27, 18}};
  const auto inside = [&](float x, float y) {
    bool in = false;
    for (size_t i = 0, j = hull.size() - 1; i < hull.size(); j = i++) {
      const auto [xi, yi] = hull[i];
      const auto [xj, yj] = hull[j];
      if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
    }
    return in;
  };
  Picture p(64, 64, 0x00000000);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const float fx = float(x) + 0.5f, fy = float(y) + 0.5f;
      if (!inside(fx, fy)) continue;
      const bool edge =
          !inside(fx - 2, fy) || !inside(fx + 2, fy) || !inside(fx, fy - 2) || !inside(fx, fy + 2);
      const float cockpit = (fx - 32) * (fx - 32) / 9.0f + (fy - 24) * (fy - 24) / 36.0f;
      p.At(x, y) = edge ? 0xFF0C2238 : cockpit < 1.0f ? 0xFF40F0FF : Lerp(0xFFF0F8FF, 0xFF7890B0, y, 64);
    }
  return p;
}

Picture BombIcon() {
  Picture p(64, 64, kKey);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const int dx = x - 30, dy = y - 37, r2 = dx * dx + dy * dy;
      if (r2 <= 22 * 22) {
        const int light = (x - 22) * (x - 22) + (y - 29) * (y - 29);
        p.At(x, y) = r2 > 19 * 19 ? kOutline
                     : light < 36 ? 0xFFFFE0E0
                                  : Lerp(0xFFF04030, 0xFF701010, y - 15, 44);
      }
    }
  p.FillRect(36, 10, 10, 8, kOutline);  // the fuse cap
  p.FillRect(38, 12, 6, 6, 0xFF909090);
  for (int k = -6; k <= 6; ++k) {  // the spark
    p.FillRect(48 + k, 8, 1, 2, 0xFFFFD040);
    p.FillRect(48, 8 + k, 2, 1, 0xFFFFD040);
  }
  p.FillRect(46, 6, 6, 6, 0xFFFFFFA0);
  return p;
}

// A side bar of the top view: a steel panel in columns [from, from + 150) with a lit edge toward the play
// area, seams and range ticks.
Picture RailBar(bool left) {
  Picture p(256, 1024, kKey);
  const int from = left ? 50 : 0;
  for (int y = 0; y < 1024; ++y)
    for (int i = 0; i < 150; ++i) {
      const int inward = left ? i : 149 - i;  // 149 at the edge next to the play area
      uint32_t c = Lerp(0xFF0A1420, 0xFF263A52, inward, 150);
      if (y % 128 == 0 || y % 128 == 1) c = 0xFF060C14;
      if (inward >= 144) c = inward >= 147 ? kFrameLight : 0xFF1C5C88;
      if (inward >= 128 && inward < 140 && y % 32 < 2) c = 0xFF4C7CA8;
      p.At(from + i, y) = c;
    }
  return p;
}

// One speaker's portrait: helmet, visor and shoulders over an opaque cell.
struct Palette {
  uint32_t back, suit, helmet, visor, trim;
};
void Portrait(Picture& p, int left, int top, int height, const Palette& c) {
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < 128; ++x) {
      uint32_t colour = Lerp(c.back, 0xFF000000 | ((c.back & 0xFEFEFE) >> 1), y, height);
      const float hx = (float(x) - 64) / 34, hy = (float(y) - 56) / 38;
      const float sx = (float(x) - 64) / 58, sy = (float(y) - 140) / 46;
      const float helmet = hx * hx + hy * hy, shoulders = sx * sx + sy * sy;
      if (shoulders <= 1.0f) {
        colour = shoulders > 0.9f ? kOutline : std::abs(x - 64) < 6 ? c.trim : c.suit;
      }
      if (helmet <= 1.0f) {
        colour = helmet > 0.88f ? kOutline : Lerp(c.helmet, 0xFF000000 | ((c.helmet & 0xFEFEFE) >> 1), y, 96);
        if (y >= 48 && y < 70 && std::abs(x - 64) < 26) colour = y < 52 || y > 66 ? kOutline : c.visor;
        if (y >= 53 && y < 56 && x >= 46 && x < 60) colour = 0xFFF0FFFF;  // glint
        if (y < 40 && std::abs(x - 64) < 4) colour = c.trim;
      }
      p.At(left + x, top + y) = colour;
    }
}

Picture PortraitSheet() {
  Picture p(256, 512, kKey);
  Portrait(p, 0, 0, 128, {0xFF303840, 0xFF5A6068, 0xFFA0A8B0, 0xFF203040, 0xFFD0D0D0});      // operator
  Portrait(p, 128, 0, 128, {0xFF301818, 0xFF3A3C48, 0xFFC8C8D0, 0xFF301010, 0xFFE02020});    // 'R'
  Portrait(p, 0, 128, 130, {0xFF102818, 0xFF2E5038, 0xFFB0D0B8, 0xFF10402A, 0xFF40E070});    // 'S'
  Portrait(p, 128, 128, 128, {0xFF180C20, 0xFF141018, 0xFF5A2878, 0xFFC02040, 0xFFB060F0});  // 'r'
  Portrait(p, 128, 256, 128, {0xFF0C1830, 0xFF1C3868, 0xFFD8E8F8, 0xFF1060C0, 0xFF40B0FF});  // 'P'
  return p;
}

Picture TalkFrame() {
  Picture p(512, 128, kKey);
  Frame(p, 0, 0, 480, 128, 14, 5);
  return p;
}

Picture TalkBack() {
  Picture p(512, 128, kKey);
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 480; ++x)
      if (InRoundedRect(x, y, 0, 0, 480, 128, 14)) p.At(x, y) = Lerp(0xFF3060A0, 0xFF102040, y, 128);
  return p;
}

Picture WarningBanner() {
  Picture p(1024, 128, kKey);
  p.FillRect(0, 14, 1024, 100, 0xFF300404);
  Hazard(p, 0, 14, 1024, 12);
  Hazard(p, 0, 102, 1024, 12);
  Lettering(p, "WARNING", 10, 9, 500, 64, 3, 0xFFFFE040, 0xFFFF2010);
  return p;
}

Picture DangerStrip() {
  Picture p(128, 512, kKey);
  p.FillRect(16, 0, 96, 512, 0xFF300404);
  Hazard(p, 16, 0, 10, 512);
  Hazard(p, 102, 0, 10, 512);
  constexpr std::string_view kText = "DANGER";
  for (size_t k = 0; k < kText.size(); ++k)
    Lettering(p, kText.substr(k, 1), 8, 8, 64, 44 + int(k) * 84, 2, 0xFFFFE040, 0xFFFF2010);
  return p;
}

Picture DashWord() {
  Picture p(128, 32, kKey);
  Lettering(p, "DASH", 4, 3, 50, 11, 1, 0xFFE0FFFF, 0xFF40C8FF);
  return p;
}

Picture DashUnderline() {
  Picture p(128, 32, kKey);
  p.FillRect(4, 26, 94, 6, kOutline);
  p.FillRect(5, 27, 92, 4, 0xFF60F0FF);
  return p;
}

Picture CompleteBanner() {
  Picture p(512, 128, kKey);
  for (int y = 24; y < 104; ++y)
    for (int x = 8; x < 504; ++x)
      if (InRoundedRect(x, y, 8, 24, 496, 80, 12)) p.At(x, y) = 0xFF101828;
  Frame(p, 8, 24, 496, 80, 12, 3);
  Lettering(p, "ZONE COMPLETE", 6, 6, 256, 64, 2);
  return p;
}

Picture EndSelect() {
  Picture p(256, 64, kKey);
  Frame(p, 0, 0, 256, 64, 12, 4);
  return p;
}

Picture LifeMeter() {
  Picture p(32, 256, kKey);
  p.FillRect(0, 0, 16, 160, 0xFFE8F0F8);
  p.FillRect(2, 2, 12, 156, kKey);
  return p;
}

}  // namespace

bool WriteHudArt(const fs::path& assetsRoot) {
  const std::pair<const char*, Picture> menuArt[] = {
      {"hud Bomb.bmp", BombIcon()},
      {"rail Left.bmp", RailBar(true)},
      {"rail Right.bmp", RailBar(false)},
      {"hud Talk.bmp", TalkFrame()},
      {"hud Talk Back.bmp", TalkBack()},
      {"hud TestChar.bmp", PortraitSheet()},
      {"hud Warning.bmp", WarningBanner()},
      {"hud Danger.bmp", DangerStrip()},
      {"hud Dash.bmp", DashWord()},
      {"hud DashUnderline.bmp", DashUnderline()},
      {"hud White.bmp", Picture(2, 2, 0xFFFFFFFF)},
      {"hud Complete.bmp", CompleteBanner()},
      {"intro Back.bmp", Picture(2, 2, 0xFF000000)},
      {"hud Game.bmp", Word(256, 128, "GAME", 10)},
      {"hud Over.bmp", Word(256, 128, "OVER", 10)},
      {"hud Continue.bmp", Word(256, 64, "CONTINUE", 5)},
      {"hud Quit.bmp", Word(256, 64, "QUIT", 5)},
      {"hud EndSelect.bmp", EndSelect()},
      {"hud High.bmp", Word(256, 128, "HIGH", 10)},
      {"hud Score.bmp", Word(256, 128, "SCORE", 10)},
      {"hud HighScore.bmp", Word(256, 64, "ENTER YOUR NAME", 5)},
      {"hud You.bmp", Word(256, 128, "YOU", 10)},
      {"hud Win.bmp", Word(256, 128, "WIN", 10)},
      {"hud YouWinEnter.bmp", Word(256, 64, "PRESS ENTER", 5)},
      {"hud Life.bmp", Picture(1, 1, 0xFF30E048)},
      {"hud LifeMeter.bmp", LifeMeter()},
  };
  for (const auto& [name, picture] : menuArt) {
    if (!SavePicture(assetsRoot, std::string("Art/Menu Art/") + name, picture, ImageFormat::Bmp24))
      return false;
  }
  return SavePicture(assetsRoot, "Art/hud_life.DDS", LifeIcon(), ImageFormat::Dds);
}

}  // namespace assetgen
