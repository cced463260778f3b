// Sprites and text labels, and the graphics object's lists of them (creation, placement, deletion, order).
#include "graphics/sprite.h"

#include <algorithm>

#include "graphics/graphics.h"

void Sprite::Set(float x, float y, float scaleX, float scaleY, const plat::sprite::Rect* rect, float alpha,
                 int newLayer) {
  position = math::Vec2{x, y};
  layer = newLayer;
  SetAlpha(alpha);
  if (texture != nullptr) {
    if (rect != nullptr) {
      sourceRect = *rect;
      wholeTexture = false;
    } else {
      wholeTexture = true;
    }
  }
  scale = math::Vec2{scaleX, scaleY};
  RebuildTransform();
}

void Sprite::SetPosition(float x, float y) {
  position = math::Vec2{x, y};
  RebuildTransform();
}

void Sprite::SetScale(float sx, float sy) {
  scale = math::Vec2{sx, sy};
  RebuildTransform();
}

void Sprite::SetAlpha(float alpha) {
  double a = static_cast<double>(alpha) * 255.0;
  // Only the low byte counts; a value no int holds (or NaN) has no meaningful byte and gives 0.
  if (!(a > -2147483648.0 && a < 2147483648.0)) a = 0.0;
  const auto byte = static_cast<uint32_t>(static_cast<int>(a)) & 0xFFu;
  colour = (byte << 24) | 0xFFFFFFu;
}

void Sprite::SetRect(const plat::sprite::Rect* rect) {
  if (rect != nullptr) sourceRect = *rect;
  wholeTexture = false;
}

void Sprite::RebuildTransform() {
  transform = math::MatrixTransformation2D(scale, position);
}

TextLabel::TextLabel(int px, int py, const char* t, plat::gpu::Argb c)
    : x(px), y(py), text(t != nullptr ? t : ""), colour(c) {}

bool SpriteLayerGreater(const Sprite* a, const Sprite* b) {
  return a->layer > b->layer;
}

bool Graphics::CreateSprite(Sprite** out, const char* file, float x, float y, float scaleX, float scaleY,
                            const plat::sprite::Rect* rect, float alpha, const plat::gpu::Argb* colourKey,
                            int layer) {
  int index = FindSpriteTexture(file);
  if (index < 0) index = LoadSpriteTexture(file, colourKey);
  if (index < 0) return false;

  auto* sprite = new Sprite();
  sprite->texture = spriteTextures[static_cast<size_t>(index)].texture.get();
  sprite->Set(static_cast<float>(width) * x, static_cast<float>(height) * y, scaleX, scaleY, rect, alpha,
              layer);
  sprites.push_back(sprite);
  if (out != nullptr) *out = sprite;

  // Insertion sort by descending layer: the list is sorted but for the newcomer, so this costs one pass,
  // and sprites of equal layer keep their creation order.
  for (size_t i = 1; i < sprites.size(); ++i) {
    for (size_t j = i; j > 0 && SpriteLayerGreater(sprites[j], sprites[j - 1]); --j) {
      std::swap(sprites[j], sprites[j - 1]);
    }
  }
  return true;
}

bool Graphics::CreateTextLabel(TextLabel** out, float x, float y, const char* text, plat::gpu::Argb colour) {
  auto* label = new TextLabel(static_cast<int>(static_cast<float>(width) * x),
                              static_cast<int>(static_cast<float>(height) * y), text, colour);
  textLabels.push_back(label);
  if (out != nullptr) *out = label;
  return true;
}

void Graphics::SetSpritePosition(Sprite*& sprite, float x, float y) {
  if (sprite != nullptr) sprite->SetPosition(static_cast<float>(width) * x, static_cast<float>(height) * y);
}

void Graphics::SetTextPosition(TextLabel*& label, float x, float y) {
  if (label != nullptr) {
    label->SetPosition(static_cast<int>(static_cast<float>(width) * x),
                       static_cast<int>(static_cast<float>(height) * y));
  }
}

bool Graphics::DeleteSprite(Sprite* sprite) {
  auto it = std::find(sprites.begin(), sprites.end(), sprite);
  if (it == sprites.end()) return false;
  sprites.erase(it);
  delete sprite;
  return true;
}

bool Graphics::DeleteTextLabel(TextLabel* label) {
  auto it = std::find(textLabels.begin(), textLabels.end(), label);
  if (it == textLabels.end()) return false;
  textLabels.erase(it);
  delete label;
  return true;
}

bool Graphics::ReleaseTexturesAndSprites() {
  spriteTextures.clear();
  for (Sprite* sprite : sprites) delete sprite;
  sprites.clear();
  return true;
}
