// One picture of the menu screens or the heads-up display: a sprite that slides and fades toward its shown
// place and opacity while the game is in its group's state, and back toward its hidden ones otherwise.
#pragma once

#include "math/math3d.h"

class Sprite;

class MenuElement {
 public:
  // The layout every place is given in, whatever the real screen size.
  static constexpr float kLayoutWidth = 800.0f;
  static constexpr float kLayoutHeight = 600.0f;
  // The group of an element that no state shows.
  static constexpr int kHiddenGroup = 0;

  MenuElement() = default;
  ~MenuElement();
  MenuElement(const MenuElement&) = delete;
  MenuElement& operator=(const MenuElement&) = delete;

  // Stores the description and puts the element at its hidden place and opacity. The first call makes the
  // sprite (magenta is transparent when colourKey is set); later calls keep it, texture and layer alike.
  void Init(const char* file, int group, const math::Vec3& shownPos, const math::Vec3& hiddenPos,
            const math::Vec3& scale, float speed, float shownAlpha, float hiddenAlpha, int layer,
            bool instantHide, bool colourKey);
  // One step of motion of dt seconds (at most 0.1). True only when the element is shown and stood exactly
  // at its shown place when the call began. Nothing moves while the game is paused.
  bool Update(float dt);

  int group = 0;  // the game state the element is shown in; 0 hides it in every state
  float alpha = 0.0f;
  Sprite* sprite = nullptr;
  float shownAlpha = 0.0f;
  math::Vec3 shownPos;
  math::Vec3 hiddenPos;
  math::Vec3 pos;
  float scaleX = 1.0f, scaleY = 1.0f;
  float speed = 0.0f;  // share of the shown-to-hidden distance, and opacity units, per second
  float hiddenAlpha = 0.0f;
  bool instantHide = false;

  // Back-buffer size over the layout size, set at each sprite creation.
  static inline float layoutScaleX = 1.0f;
  static inline float layoutScaleY = 1.0f;
};

// One element as its holder's table describes it: places in the layout, the file in the menu art folder.
struct MenuElementDesc {
  const char* file;
  int group;
  float shownX, shownY, hiddenX, hiddenY, scaleX, scaleY, speed, shownAlpha, hiddenAlpha;
  int layer;
  bool instantHide;
};

// Inits each element by its description, in order, with the magenta colour key; file names are taken in
// "Assets\Art\Menu Art\".
void InitMenuElements(MenuElement* elements, const MenuElementDesc* descs, int count);

// -0.05 < a - b < 0.05.
bool NearlyEqual(float a, float b);
// |a - b| < 5.
bool WithinDistance(const math::Vec3& a, const math::Vec3& b);
