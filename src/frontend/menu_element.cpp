// The slide and fade of the menu's and the display's pictures.
#include "frontend/menu_element.h"

#include <algorithm>
#include <string>

#include "app/engine.h"
#include "app/game_state.h"
#include "graphics/graphics.h"
#include "graphics/sprite.h"

namespace {
constexpr float kInvWidth = 0.00125f;
constexpr float kInvHeight = 0.0016666667f;
constexpr plat::gpu::Argb kMagentaKey = 0xFFFF00FF;
}  // namespace

void InitMenuElements(MenuElement* elements, const MenuElementDesc* descs, int count) {
  for (int i = 0; i < count; ++i) {
    const MenuElementDesc& e = descs[i];
    const std::string file = std::string("Assets\\Art\\Menu Art\\") + e.file;
    elements[i].Init(file.c_str(), e.group, {e.shownX, e.shownY, 0}, {e.hiddenX, e.hiddenY, 0},
                     {e.scaleX, e.scaleY, 0}, e.speed, e.shownAlpha, e.hiddenAlpha, e.layer, e.instantHide,
                     true);
  }
}

bool NearlyEqual(float a, float b) {
  return a - b > -0.05f && a - b < 0.05f;
}

bool WithinDistance(const math::Vec3& a, const math::Vec3& b) {
  return math::Vec3Length(a - b) < 5.0f;
}

MenuElement::~MenuElement() {
  if (sprite != nullptr && g_graphics != nullptr) g_graphics->DeleteSprite(sprite);
}

void MenuElement::Init(const char* file, int group_, const math::Vec3& shown, const math::Vec3& hidden,
                       const math::Vec3& scale, float speed_, float shownAlpha_, float hiddenAlpha_,
                       int layer, bool instantHide_, bool colourKey) {
  group = group_;
  shownPos = shown;
  hiddenPos = hidden;
  pos = hidden;
  speed = speed_;
  shownAlpha = shownAlpha_;
  hiddenAlpha = hiddenAlpha_;
  alpha = hiddenAlpha_;
  instantHide = instantHide_;
  scaleX = scale.x;
  scaleY = scale.y;
  if (sprite != nullptr || g_graphics == nullptr) return;
  layoutScaleY = static_cast<float>(g_graphics->GetHeight()) * (1.0f / kLayoutHeight);
  layoutScaleX = static_cast<float>(g_graphics->GetWidth()) * (1.0f / kLayoutWidth);
  g_graphics->CreateSprite(&sprite, file, hidden.x * kInvWidth, hidden.y * kInvHeight, layoutScaleX * scaleX,
                           layoutScaleY * scaleY, nullptr, hiddenAlpha, colourKey ? &kMagentaKey : nullptr,
                           layer);
}

bool MenuElement::Update(float dt) {
  dt = std::min(dt, 0.1f);
  if (g_engine != nullptr && g_engine->state == kPaused) return false;
  const bool shown = g_engine != nullptr && g_engine->state == group;
  const math::Vec3 target = shown ? shownPos : hiddenPos;
  const float targetAlpha = shown ? shownAlpha : hiddenAlpha;

  const bool arrived = shown && pos == target;
  bool changed = false;
  if (!(pos == target)) {
    changed = true;
    if ((!shown && instantHide) || WithinDistance(pos, target)) {
      pos = target;
    } else {
      pos = pos + math::Vec3Normalize(target - pos) * (math::Vec3Length(shownPos - hiddenPos) * speed * dt);
    }
  }
  if (alpha != targetAlpha) {
    changed = true;
    if ((!shown && instantHide) || NearlyEqual(alpha, targetAlpha)) {
      alpha = targetAlpha;
    } else {
      alpha += (targetAlpha > alpha ? 1.0f : -1.0f) * speed * dt;
    }
  }
  if (sprite != nullptr && g_graphics != nullptr) {
    if (changed) {
      g_graphics->SetSpritePosition(sprite, pos.x * kInvWidth, pos.y * kInvHeight);
      sprite->SetAlpha(alpha);
    }
    sprite->SetScale(layoutScaleX * scaleX, layoutScaleY * scaleY);
  }
  return arrived;
}
