// Screen pictures (Sprite) and screen text lines (TextLabel), owned by the graphics object.
#pragma once

#include <string>

#include "math/math3d.h"
#include "platform/gpu.h"
#include "platform/sprite_batch.h"

class Sprite {
 public:
  Sprite() = default;

  // x, y in pixels. The texture must be set first: the rectangle is taken only when there is one.
  void Set(float x, float y, float scaleX, float scaleY, const plat::sprite::Rect* rect, float alpha,
           int layer);
  void SetPosition(float x, float y);
  void SetScale(float sx, float sy);
  // Alpha 0..1 to the colour's top byte; values outside wrap in the low eight bits of alpha * 255.
  void SetAlpha(float alpha);
  // From now on only this part of the texture is drawn.
  void SetRect(const plat::sprite::Rect* rect);
  void SetVisible(bool v) { visible = v; }
  bool IsVisible() const { return visible; }
  bool UsesWholeTexture() const { return wholeTexture; }

  math::Matrix transform = math::MatrixIdentity();
  plat::gpu::Texture* texture = nullptr;  // borrowed from the sprite-texture cache
  plat::gpu::Argb colour = 0;
  plat::sprite::Rect sourceRect;
  int layer = 0;
  math::Vec2 position;
  math::Vec2 scale;
  bool wholeTexture = false;
  bool visible = true;

 private:
  void RebuildTransform();
};

class TextLabel {
 public:
  TextLabel(int x, int y, const char* text, plat::gpu::Argb colour);

  void SetText(const char* t) { text = t != nullptr ? t : ""; }
  void SetPosition(int px, int py) {
    x = px;
    y = py;
  }
  void SetColor(plat::gpu::Argb c) { colour = c; }
  void SetVisible(bool v) { visible = v; }
  bool IsVisible() const { return visible; }

  int x = 0, y = 0;
  std::string text;
  plat::gpu::Argb colour = 0;
  bool visible = true;
};

// True when a's layer is above b's: the sprite list runs from the largest layer to the smallest.
bool SpriteLayerGreater(const Sprite* a, const Sprite* b);
