// The front end's pictures, all in the shared block lettering on the magenta key: lettering with a hard dark
// outline (no soft edge that could meet the key colour), bars, frames and panels, and the two splash logos.
#include "menu_art.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <string_view>

#include "images.h"
#include "lettering.h"

namespace assetgen {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kKey = 0xFFFF00FF;

// How lettering is painted: a fill gradient over the glyph height, a lit upper and a shaded lower edge on
// every stroke, a dark outline around it and an optional drop shadow.
struct Style {
  uint32_t top, bottom;
  uint32_t light, shade;
  uint32_t outline;
  int outlineWidth;
  int bevel;   // depth of the lit and shaded edges, pixels
  int shadow;  // drop-shadow offset, pixels; 0 for none
};

// The menu's white-to-cyan, the title words' larger cut of it, and the end screens' yellow-to-orange.
constexpr Style kMenuStyle{0xFFE8F8FF, 0xFF28A4E8, 0xFFFFFFFF, 0xFF14609C, 0xFF050E26, 2, 1, 0};
constexpr Style kTitleStyle{0xFFF0FAFF, 0xFF1E90E0, 0xFFFFFFFF, 0xFF0C4C88, 0xFF040A1E, 4, 3, 6};
constexpr Style kSmallStyle{0xFFE8F8FF, 0xFF60C0F0, 0xFFFFFFFF, 0xFF3080C0, 0xFF050E26, 1, 0, 0};
constexpr Style kEndStyle{0xFFFFF060, 0xFFFF9020, 0xFFFFFFC8, 0xFFB84C10, 0xFF201008, 3, 2, 0};
constexpr Style kEndSmallStyle{0xFFFFF060, 0xFFFFA830, 0xFFFFFFC8, 0xFFC06018, 0xFF201008, 2, 1, 0};
constexpr uint32_t kShadow = 0xFF000000;

enum class Align { Left, Centre, Right };

// The lettering of `text` with its top-left glyph corner at (x, y). False when the lettering or its outline
// would leave the picture.
bool Letter(Picture& p, int x, int y, int sx, int sy, std::string_view text, const Style& s) {
  const int reach = s.outlineWidth + s.shadow;
  if (x - s.outlineWidth < 0 || y - s.outlineWidth < 0 || x + TextWidth(text, sx) + reach > p.width ||
      y + 7 * sy + reach > p.height)
    return false;
  Picture ink(p.width, p.height, 0);
  DrawText(ink, x, y, sx, sy, text, 1, 1);
  const auto inked = [&](int px, int py) {
    return px >= 0 && py >= 0 && px < p.width && py < p.height && ink.At(px, py) != 0;
  };
  const auto near = [&](int px, int py, int radius) {
    for (int dy = -radius; dy <= radius; ++dy)
      for (int dx = -radius; dx <= radius; ++dx)
        if (inked(px + dx, py + dy)) return true;
    return false;
  };
  const int height = 7 * sy;
  for (int py = 0; py < p.height; ++py)
    for (int px = 0; px < p.width; ++px) {
      if (inked(px, py)) {
        bool lit = false, shaded = false;
        for (int d = 1; d <= s.bevel; ++d) {
          lit |= !inked(px, py - d);
          shaded |= !inked(px, py + d);
        }
        p.At(px, py) = lit      ? s.light
                       : shaded ? s.shade
                                : Lerp(s.top, s.bottom, std::clamp(py - y, 0, height - 1), height);
      } else if (near(px, py, s.outlineWidth)) {
        p.At(px, py) = s.outline;
      } else if (s.shadow > 0 && near(px - s.shadow, py - s.shadow, s.outlineWidth)) {
        p.At(px, py) = kShadow;
      }
    }
  return true;
}

// A picture of one line of lettering on the key, centred in height and placed across by `align` with
// `margin` pixels kept at the side it leans to. Empty (and reported) when it does not fit.
Picture Word(int w, int h, std::string_view text, int sx, int sy, const Style& s, Align align, int margin) {
  Picture p(w, h, kKey);
  const int width = TextWidth(text, sx);
  const int x = align == Align::Left ? margin : align == Align::Right ? w - margin - width : (w - width) / 2;
  if (!Letter(p, x, (h - 7 * sy) / 2, sx, sy, text, s)) {
    std::fprintf(stderr, "assetgen: the word \"%.*s\" does not fit its %dx%d picture\n", int(text.size()),
                 text.data(), w, h);
    return Picture();
  }
  return p;
}

// A rounded frame of `thickness` pixels: a dark line at both edges and a bright band between them.
void Frame(Picture& p, int left, int top, int w, int h, int radius, int thickness, uint32_t bright,
           uint32_t dark) {
  for (int y = top; y < top + h; ++y)
    for (int x = left; x < left + w; ++x) {
      if (!InRoundedRect(x, y, left, top, w, h, radius)) continue;
      if (InRoundedRect(x, y, left + thickness, top + thickness, w - 2 * thickness, h - 2 * thickness,
                        std::max(0, radius - thickness)))
        continue;
      const bool edge = !InRoundedRect(x, y, left + 1, top + 1, w - 2, h - 2, std::max(0, radius - 1)) ||
                        InRoundedRect(x, y, left + thickness - 1, top + thickness - 1, w - 2 * thickness + 2,
                                      h - 2 * thickness + 2, std::max(0, radius - thickness + 1));
      p.At(x, y) = edge ? dark : bright;
    }
}

// A panel with a vertical gradient; the rest of the picture stays as it is.
void Panel(Picture& p, int left, int top, int w, int h, uint32_t topColour, uint32_t bottomColour) {
  for (int y = top; y < top + h; ++y) p.FillRect(left, y, w, 1, Lerp(topColour, bottomColour, y - top, h));
}

// --- Main menu ---------------------------------------------------------------------------------------

// The bar under an entry: dark at the left, brightening toward its rounded right end, with a lit top edge.
Picture MenuBar() {
  Picture p(256, 64, kKey);
  constexpr int kLeft = 0, kTop = 2, kWidth = 230, kHeight = 55;
  for (int y = kTop; y < kTop + kHeight; ++y)
    for (int x = kLeft; x < kLeft + kWidth; ++x) {
      if (!InRoundedRect(x, y, kLeft - 20, kTop, kWidth + 20, kHeight, 12)) continue;
      uint32_t colour = Lerp(0xFF020814, 0xFF1C64B0, x - kLeft, kWidth);
      if (y <= kTop + 1) colour = Lerp(0xFF0A1C34, 0xFF8CD0FF, x - kLeft, kWidth);
      if (y >= kTop + kHeight - 2) colour = Lerp(0xFF01040A, 0xFF0C3460, x - kLeft, kWidth);
      p.At(x, y) = colour;
    }
  return p;
}

Picture Entry(std::string_view text) {
  return Word(256, 64, text, 3, 5, kMenuStyle, Align::Left, 14);
}

// --- Splash logos ------------------------------------------------------------------------------------

// An eight-pointed star in a ring over the word PRESENTS.
Picture StarEmblem() {
  Picture p(256, 256, kKey);
  constexpr float kCx = 127.5f, kCy = 104.5f;
  constexpr float kPi = std::numbers::pi_v<float>;
  for (int y = 0; y < 210; ++y)
    for (int x = 0; x < 256; ++x) {
      const float dx = float(x) - kCx, dy = float(y) - kCy;
      const float r = std::hypot(dx, dy);
      // Star radius by angle: eight points, the long ones on the axes, narrowing sharply to each tip.
      const float a = std::atan2(dy, dx);
      const float onPoint = std::fabs(std::fmod(a + 2 * kPi, kPi / 4) - kPi / 8) / (kPi / 8);  // 1 on a tip
      const float tip = std::lround(a / (kPi / 4)) % 2 == 0 ? 78.0f : 50.0f;
      const float star = 22.0f + (tip - 22.0f) * onPoint * onPoint * onPoint;
      if (r >= 86.0f && r < 96.0f) {
        p.At(x, y) = (r < 87.5f || r >= 94.5f) ? 0xFF050E26 : Lerp(0xFFA8E4FF, 0xFF2C80D0, y, 210);
      } else if (r < star + 2.0f) {
        p.At(x, y) = r >= star   ? 0xFF050E26
                     : r < 12.0f ? 0xFFFFFFFF
                                 : Lerp(0xFFE8F8FF, 0xFF28A4E8, int(r), 80);
      }
    }
  Letter(p, (256 - TextWidth("PRESENTS", 3)) / 2, 214, 3, 4, "PRESENTS", kMenuStyle);
  return p;
}

// The monogram R K R in a frame over the game's full name.
Picture Monogram() {
  Picture p(256, 256, kKey);
  Panel(p, 40, 30, 176, 120, 0xFF0C1C3C, 0xFF040A18);
  Frame(p, 36, 26, 184, 128, 16, 6, 0xFF4CB0F0, 0xFF050E26);
  Letter(p, (256 - TextWidth("R K R", 6)) / 2, 55, 6, 10, "R K R", kTitleStyle);
  Letter(p, (256 - TextWidth("RIDOV KORVESSA", 2)) / 2, 176, 2, 3, "RIDOV KORVESSA", kSmallStyle);
  Letter(p, (256 - TextWidth("RAVIZOD", 2)) / 2, 206, 2, 3, "RAVIZOD", kSmallStyle);
  return p;
}

// --- High-score screen and options screen ------------------------------------------------------------

// 512x1024 with a 400x600 panel at the top left; the rest is the key.
constexpr int kPanelWidth = 400, kPanelHeight = 600;

// The heading, the column titles, the rank numbers and a frame whose inside is the key, so the backing
// panel shows through behind the names and scores the game writes at x 70 and 250, rows 150 + 30i.
Picture ScoresPanel() {
  Picture p(512, 1024, kKey);
  Letter(p, (kPanelWidth - TextWidth("HIGH SCORES", 5)) / 2, 36, 5, 7, "HIGH SCORES", kTitleStyle);
  Letter(p, 70, 112, 2, 2, "NAME", kSmallStyle);
  Letter(p, 250, 112, 2, 2, "SCORE", kSmallStyle);
  Frame(p, 12, 132, kPanelWidth - 24, 328, 14, 5, 0xFF3C9CE0, 0xFF050E26);
  for (int i = 0; i < 10; ++i) {
    const std::string rank = std::to_string(i + 1);
    Letter(p, 56 - TextWidth(rank, 2), 153 + 30 * i, 2, 2, rank, kSmallStyle);
  }
  Letter(p, (kPanelWidth - TextWidth("PRESS ENTER", 2)) / 2, 500, 2, 3, "PRESS ENTER", kSmallStyle);
  return p;
}

// The dark navy backing of the high-score and options screens.
Picture BackPanel() {
  Picture p(512, 1024, kKey);
  Panel(p, 0, 0, kPanelWidth, kPanelHeight, 0xFF0E2248, 0xFF040A1C);
  return p;
}

// The options screen's left panel: fine grid lines over a dark fill.
Picture FillerPanel() {
  Picture p(512, 1024, kKey);
  for (int y = 0; y < kPanelHeight; ++y)
    for (int x = 0; x < kPanelWidth; ++x)
      p.At(x, y) = (x % 25 == 0 || y % 25 == 0) ? 0xFF12305A : Lerp(0xFF081428, 0xFF02060E, y, kPanelHeight);
  return p;
}

// The options screen's right panel with its heading.
Picture OptionsPanel() {
  Picture p(512, 1024, kKey);
  Panel(p, 0, 0, kPanelWidth, kPanelHeight, 0xFF0A1A38, 0xFF030814);
  Frame(p, 0, 0, kPanelWidth, kPanelHeight, 12, 4, 0xFF3C9CE0, 0xFF050E26);
  Letter(p, 20, 12, 3, 4, "OPTIONS", kMenuStyle);
  return p;
}

// A 256x64 outline frame with the key inside.
Picture Selector(uint32_t bright, uint32_t dark) {
  Picture p(256, 64, kKey);
  Frame(p, 2, 2, 252, 60, 12, 5, bright, dark);
  return p;
}

// --- Screens that end a game -------------------------------------------------------------------------

// The big words stand in pairs: the first leans right toward the second, which leans left.
Picture BigWord(std::string_view text, Align align) {
  return Word(256, 128, text, 8, 12, kEndStyle, align, 10);
}

struct Named {
  const char* file;
  Picture picture;
};

}  // namespace

bool WriteMenuArt(const fs::path& assetsRoot) {
  const Named pictures[] = {
      {"mm Ridov.bmp", Word(512, 64, "RIDOV", 7, 6, kTitleStyle, Align::Left, 40)},
      {"mm Korvessa.bmp",
       [] {
         Picture p(1024, 256, kKey);
         Letter(p, 30, 8, 20, 22, "KORVESSA", kTitleStyle);
         return p;
       }()},
      {"mm Ravizod.bmp", Word(512, 128, "RAVIZOD", 11, 14, kTitleStyle, Align::Left, 30)},
      {"mm Start.bmp", Entry("START")},
      {"mm Options.bmp", Entry("OPTIONS")},
      {"mm HighScores.bmp", Entry("HIGH SCORES")},
      {"mm Quit.bmp", Entry("QUIT")},
      {"mm MenuBack.bmp", MenuBar()},
      {"intro Back.bmp", Picture(2, 2, 0xFF000000)},
      {"intro QM.bmp", StarEmblem()},
      {"intro RT.bmp", Monogram()},
      {"hs Scores.bmp", ScoresPanel()},
      {"opt Back.bmp", BackPanel()},
      {"opt Filler.bmp", FillerPanel()},
      {"opt Options.bmp", OptionsPanel()},
      {"opt Controls.bmp", Entry("CONTROLS")},
      {"opt Difficulty.bmp", Entry("DIFFICULTY")},
      {"opt Sound.bmp", Entry("SOUND")},
      {"opt Resolution.bmp", Entry("RESOLUTION")},
      {"opt Effects.bmp", Entry("EFFECTS")},
      {"opt Unlockable.bmp", Entry("LOCKED")},
      {"opt Return.bmp", Entry("RETURN")},
      {"opt Difficulty Selection.bmp", Entry("NORMAL")},
      {"opt Resolution Selection.bmp", Entry("800X600")},
      {"opt Effects Selection.bmp", Entry("HIGH")},
      {"opt Control Selection.bmp", Entry("KEYBOARD")},
      {"opt Selecter.bmp", Selector(0xFF4CB0F0, 0xFF050E26)},
      {"opt Set Control.bmp", Entry("PRESS A KEY")},
      {"hud Game.bmp", BigWord("GAME", Align::Right)},
      {"hud Over.bmp", BigWord("OVER", Align::Left)},
      {"hud High.bmp", BigWord("HIGH", Align::Right)},
      {"hud Score.bmp", BigWord("SCORE", Align::Left)},
      {"hud You.bmp", BigWord("YOU", Align::Right)},
      {"hud Win.bmp", BigWord("WIN", Align::Left)},
      {"hud Continue.bmp", Word(256, 64, "CONTINUE", 4, 5, kEndSmallStyle, Align::Centre, 0)},
      {"hud Quit.bmp", Word(256, 64, "QUIT", 4, 5, kEndSmallStyle, Align::Centre, 0)},
      {"hud EndSelect.bmp", Selector(0xFFFFC040, 0xFF201008)},
      {"hud HighScore.bmp", Word(256, 64, "ENTER YOUR NAME", 2, 4, kEndSmallStyle, Align::Centre, 0)},
      {"hud YouWinEnter.bmp", Word(256, 64, "PRESS ENTER", 3, 5, kEndSmallStyle, Align::Centre, 0)},
  };
  bool ok = true;
  for (const Named& named : pictures)
    ok = SavePicture(assetsRoot, std::string("Art/Menu Art/") + named.file, named.picture,
                     ImageFormat::Bmp24) &&
         ok;
  return ok;
}

}  // namespace assetgen
