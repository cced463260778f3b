// The texture and mesh caches (exact-path keys, sharing, failures reported once), scene clearing, and
// sprites and text labels (placement, alpha, rectangles, layer order).
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "graphics/graphics.h"
#include "graphics/sprite.h"
#include "graphics_test_support.h"

namespace {

using gfxtest::GraphicsHarness;
using gfxtest::ScratchGameFolder;
namespace gpu = plat::gpu;

const std::string kSpriteBox = "Sprite: D3DXCreateTextureFromFile() - FAILED";

class Caches : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(h.initialised); }
  Graphics& g() { return *h.graphics; }
  GraphicsHarness h;
};

TEST_F(Caches, FindThenLoadSharesOneEntryKeyedOnTheExactPath) {
  const char* path = "Assets\\Art\\hud_score.bmp";
  EXPECT_EQ(g().FindTexture(path), -1);
  const int first = g().LoadTexture(path, nullptr);
  ASSERT_EQ(first, 0);
  EXPECT_EQ(g().FindTexture(path), first);
  EXPECT_EQ(g().sceneTextures.size(), 1u);
  EXPECT_EQ(g().sceneTextures[0].fileName, path);
  // The two texture caches are separate.
  EXPECT_EQ(g().FindSpriteTexture(path), -1);

  // Paths that differ in separator or case are different entries.
  const int backslash = g().LoadSpriteTexture("Assets\\Art\\hud_score.bmp", nullptr);
  const int slash = g().LoadSpriteTexture("Assets/Art/hud_score.bmp", nullptr);
  const int upper = g().LoadSpriteTexture("Assets\\Art\\HUD_score.bmp", nullptr);  // found case-insensitively
  EXPECT_EQ(backslash, 0);
  EXPECT_EQ(slash, 1);
  EXPECT_EQ(upper, 2);
  EXPECT_EQ(g().FindSpriteTexture("Assets/Art/hud_score.bmp"), 1);
  EXPECT_EQ(g().FindSpriteTexture("assets\\art\\hud_score.bmp"), -1);
  EXPECT_NE(g().spriteTextures[0].texture.get(), g().spriteTextures[1].texture.get());
}

TEST_F(Caches, SpritesOfOnePathShareTheTextureWithTheFirstKeyUploadedWhenFirstSeen) {
  const gpu::Argb black = 0xFF000000;
  const char* path = "Assets\\Art\\hud_score.bmp";  // 256 by 64
  const auto uploads = [&] { return h.log().Resources(plat::headless::ResourceKind::Texture).created; };
  const auto bound = [&] {
    return gfxtest::FindEvent(h.log().PreviousEvents(), "SetTexture " + std::string(path)) >= 0;
  };
  const int before = uploads();
  Sprite* keyed = nullptr;
  Sprite* plain = nullptr;
  ASSERT_TRUE(g().CreateSprite(&keyed, path, 0, 0, 1, 1, nullptr, 1, &black, 1));
  ASSERT_TRUE(g().CreateSprite(&plain, path, 0, 0, 1, 1, nullptr, 1, nullptr, 1));
  EXPECT_EQ(g().spriteTextures.size(), 1u);
  EXPECT_EQ(keyed->texture, plain->texture);
  EXPECT_EQ(keyed->texture->Width(), 256);
  EXPECT_EQ(keyed->texture->Height(), 64);
  plain->SetVisible(false);

  // Frames in which the picture leaves the screen as it was upload nothing.
  const struct {
    const char* what;
    float x, y, alpha;
    bool visible;
  } unseen[] = {
      {"hidden", 0, 0, 1, false},
      {"faded out", 0, 0, 0, true},
      {"right of the screen", 800, 0, 1, true},
      {"left of it", -256, 0, 1, true},
      {"above it", 0, -64, 1, true},
      {"below it", 0, 600, 1, true},
  };
  for (const auto& c : unseen) {
    keyed->Set(c.x, c.y, 1, 1, nullptr, c.alpha, 1);
    keyed->SetVisible(c.visible);
    h.Frame();
    EXPECT_EQ(uploads(), before) << c.what;
    EXPECT_FALSE(bound()) << c.what;
  }
  // One column of it on the screen: one texture, with the first request's key (the native test shows the
  // transparent background), drawn from then on without another upload.
  keyed->Set(799, 599, 1, 1, nullptr, 1, 1);
  keyed->SetVisible(true);
  h.Frame();
  EXPECT_EQ(uploads(), before + 1);
  EXPECT_TRUE(bound());
  h.Frame();
  EXPECT_EQ(uploads(), before + 1);
  EXPECT_TRUE(bound());
}

TEST(CachesScreenArt, PictureGoneBeforeItsFirstDrawIsReportedOnceAndNotDrawn) {
  ScratchGameFolder folder;
  GraphicsHarness h(folder.Root());
  ASSERT_TRUE(h.initialised);
  Sprite* sprite = nullptr;
  ASSERT_TRUE(
      h.graphics->CreateSprite(&sprite, "Assets\\Art\\Paused.dds", 0, 0, 1, 1, nullptr, 1, nullptr, 1));
  EXPECT_TRUE(h.services.MessageBoxes().empty());
  const int uploads = h.log().Resources(plat::headless::ResourceKind::Texture).created;
  std::filesystem::remove(folder.Root() / "Assets" / "Art" / "Paused.dds");
  h.Frame();
  h.Frame();
  EXPECT_EQ(h.services.MessageBoxes(), std::vector<std::string>{kSpriteBox});
  EXPECT_EQ(gfxtest::FindEvent(h.log().PreviousEvents(), "SetTexture Assets\\Art\\Paused.dds"), -1);
  EXPECT_EQ(h.log().Resources(plat::headless::ResourceKind::Texture).created, uploads);
}

TEST_F(Caches, MissingFilesFailAreReportedOnceEachAndAreNotCached) {
  Sprite* sprite = reinterpret_cast<Sprite*>(0x1);  // stands for the caller's previous value
  Sprite* const before = sprite;
  EXPECT_FALSE(g().CreateSprite(&sprite, "Assets\\Art\\Nowhere.bmp", 0, 0, 1, 1, nullptr, 1, nullptr, 0));
  EXPECT_EQ(sprite, before);
  EXPECT_FALSE(g().CreateSprite(&sprite, "Assets\\Art\\Nowhere.bmp", 0, 0, 1, 1, nullptr, 1, nullptr, 0));
  EXPECT_TRUE(g().sprites.empty());
  EXPECT_TRUE(g().spriteTextures.empty());
  EXPECT_EQ(h.services.MessageBoxes(), std::vector<std::string>{kSpriteBox});
  // Another missing file is a report of its own.
  EXPECT_EQ(g().LoadTexture("Assets\\Art\\Elsewhere.jpg", nullptr), -1);
  EXPECT_EQ(h.services.MessageBoxes().size(), 2u);
  // A missing mesh likewise, and it is not cached.
  EXPECT_EQ(g().LoadMesh("Assets\\Art\\Nothing.X"), -1);
  EXPECT_EQ(g().LoadMesh("Assets\\Art\\Nothing.X"), -1);
  EXPECT_TRUE(g().meshes.empty());
  EXPECT_EQ(h.services.MessageBoxes(),
            (std::vector<std::string>{kSpriteBox, kSpriteBox, ": D3DXLoadMeshFromX() - FAILED"}));
}

TEST_F(Caches, MeshLoadsItsMaterialsAndTexturesFromTheArtFolder) {
  const char* path = "Assets\\Art\\TestHull.X";
  const int index = g().LoadMesh(path);
  ASSERT_EQ(index, 0);
  EXPECT_EQ(g().FindMesh(path), 0);
  EXPECT_EQ(g().FindMesh("Assets/Art/TestHull.X"), -1);
  const Mesh& mesh = *g().meshes[0];
  EXPECT_EQ(mesh.fileName, path);
  ASSERT_FALSE(mesh.materials.empty());
  ASSERT_EQ(mesh.textures.size(), mesh.materials.size());
  for (const gpu::Material& m : mesh.materials) {
    EXPECT_EQ(m.ambient.r, m.diffuse.r);
    EXPECT_EQ(m.ambient.a, m.diffuse.a);
  }
  EXPECT_GT(mesh.boundingRadius, 0.0f);
  // Its texture went to the scene cache under the art folder's path.
  const int texture = g().FindTexture("Assets\\Art\\TestHull.bmp");
  ASSERT_GE(texture, 0);
  EXPECT_EQ(mesh.textures[0], g().sceneTextures[static_cast<size_t>(texture)].texture.get());
}

TEST(CachesMeshTexture, MeshWhoseTextureIsMissingShowsBothMessagesAndIsNotCached) {
  ScratchGameFolder folder;
  {
    std::ofstream x(folder.Root() / "Assets" / "Art" / "Lost.X");
    x << "xof 0303txt 0032\n"
         "Mesh {\n 3;\n 0.0;0.0;0.0;,\n 1.0;0.0;0.0;,\n 0.0;1.0;0.0;;\n 1;\n 3;0,1,2;;\n"
         " MeshNormals {\n  1;\n  0.0;0.0;-1.0;;\n  1;\n  3;0,0,0;;\n }\n"
         " MeshTextureCoords {\n  3;\n  0.0;0.0;,\n  1.0;0.0;,\n  0.0;1.0;;\n }\n"
         " MeshMaterialList {\n  1;\n  1;\n  0;;\n"
         "  Material {\n   1.0;1.0;1.0;1.0;;\n   0.0;\n   0.0;0.0;0.0;;\n   0.0;0.0;0.0;;\n"
         "   TextureFilename { \"Missing.bmp\"; }\n  }\n }\n}\n";
  }
  GraphicsHarness h(folder.Root());
  ASSERT_TRUE(h.initialised);
  EXPECT_EQ(h.graphics->LoadMesh("Assets\\Art\\Lost.X"), -1);
  EXPECT_TRUE(h.graphics->meshes.empty());
  EXPECT_EQ(h.services.MessageBoxes(),
            (std::vector<std::string>{kSpriteBox, ": D3DXCreateTextureFromFile() - FAILED"}));
}

TEST_F(Caches, ReleaseModelDeletesOnlyListedModelsAndClearSceneKeepsScreenArtSpritesAndLabels) {
  Model* blended = h.AddModel(g().blendedModels);
  Model* kept = h.AddModel(g().blendedModels);
  Model stranger;
  Model* strangerPointer = &stranger;
  EXPECT_FALSE(g().ReleaseModel(strangerPointer));
  EXPECT_EQ(strangerPointer, &stranger);
  EXPECT_TRUE(g().ReleaseModel(blended));
  EXPECT_EQ(blended, nullptr);
  EXPECT_EQ(g().blendedModels, std::vector<Model*>{kept});
  EXPECT_EQ(g().meshes.size(), 1u);  // the mesh stays cached

  h.AddModel(g().entityModels, "Assets\\Art\\TestHull.X");
  Model* scenery = h.AddModel(g().sceneryModels);
  g().visibleScenery.push_back(scenery);
  g().waypoints = {Waypoint(0, 0, 0)};
  Sprite* sprite = nullptr;
  ASSERT_TRUE(g().CreateSprite(&sprite, "Assets\\Art\\Paused.dds", 0, 0, 1, 1, nullptr, 1, nullptr, 0));
  TextLabel* label = nullptr;
  g().CreateTextLabel(&label, 0, 0, "still here", 0xFFFFFFFF);

  EXPECT_TRUE(g().ClearScene());
  EXPECT_TRUE(g().entityModels.empty());
  EXPECT_TRUE(g().blendedModels.empty());
  EXPECT_TRUE(g().sceneryModels.empty());
  EXPECT_TRUE(g().visibleScenery.empty());
  EXPECT_TRUE(g().waypoints.empty());
  EXPECT_EQ(g().FindMesh("Assets\\Art\\TestHull.X"), -1);
  EXPECT_TRUE(g().sceneTextures.empty());
  EXPECT_EQ(g().FindSpriteTexture("Assets\\Art\\Paused.dds"), 0);
  EXPECT_EQ(g().sprites, std::vector<Sprite*>{sprite});
  EXPECT_EQ(g().textLabels, std::vector<TextLabel*>{label});
}

TEST(SpriteRecord, AlphaGoesToTheTopByteAndWraps) {
  Sprite s;
  s.SetAlpha(1.0f);
  EXPECT_EQ(s.colour, 0xFFFFFFFFu);
  s.SetAlpha(0.5f);
  EXPECT_EQ(s.colour, 0x7FFFFFFFu);
  s.SetAlpha(0.0f);
  EXPECT_EQ(s.colour, 0x00FFFFFFu);
  s.SetAlpha(1.2f);  // 306: the byte 0x32
  EXPECT_EQ(s.colour, 0x32FFFFFFu);
  s.SetAlpha(-0.2f);  // -51: the byte 0xCD
  EXPECT_EQ(s.colour, 0xCDFFFFFFu);
}

TEST(SpriteRecord, RectangleTakenOnlyWithATextureAndSpritesAndLabelsPlacedFromFractions) {
  Sprite s;
  const plat::sprite::Rect cell{20, 40, 40, 0};
  s.Set(10, 20, 2, 3, &cell, 1, 4);
  EXPECT_FALSE(s.UsesWholeTexture());  // no texture yet: the rectangle was not taken
  EXPECT_EQ(s.sourceRect.right, 0);
  EXPECT_EQ(s.layer, 4);
  // Scale about the origin, then the position.
  EXPECT_EQ(s.transform.m[0][0], 2.0f);
  EXPECT_EQ(s.transform.m[1][1], 3.0f);
  EXPECT_EQ(s.transform.m[3][0], 10.0f);
  EXPECT_EQ(s.transform.m[3][1], 20.0f);

  GraphicsHarness h;
  ASSERT_TRUE(h.initialised);
  Sprite* sprite = nullptr;
  ASSERT_TRUE(h.graphics->CreateSprite(&sprite, "Assets\\Art\\Paused.dds", 0.35f, 0.4f, 1, 1, nullptr, 1,
                                       nullptr, 1));
  EXPECT_TRUE(sprite->UsesWholeTexture());
  EXPECT_EQ(sprite->position.x, 280.0f);
  EXPECT_EQ(sprite->position.y, 240.0f);
  sprite->SetRect(&cell);
  EXPECT_FALSE(sprite->UsesWholeTexture());
  sprite->SetPosition(1, 2);
  EXPECT_FALSE(sprite->UsesWholeTexture());
  sprite->Set(0, 0, 1, 1, nullptr, 1, 1);
  EXPECT_TRUE(sprite->UsesWholeTexture());
  h.graphics->SetSpritePosition(sprite, 0.5f, 0.25f);
  EXPECT_EQ(sprite->transform.m[3][0], 400.0f);
  EXPECT_EQ(sprite->transform.m[3][1], 150.0f);

  // Text labels are placed in whole pixels from fractions too.
  TextLabel* label = nullptr;
  EXPECT_TRUE(h.graphics->CreateTextLabel(&label, 0.3375f, 0.5f, "Ready", 0xFF00FF00));
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->x, 270);
  EXPECT_EQ(label->y, 300);
  EXPECT_TRUE(label->IsVisible());
  h.graphics->SetTextPosition(label, 0.999f, 0.001f);  // truncated toward zero
  EXPECT_EQ(label->x, 799);
  EXPECT_EQ(label->y, 0);
  TextLabel stranger(0, 0, "x", 0);
  EXPECT_FALSE(h.graphics->DeleteTextLabel(&stranger));
  EXPECT_TRUE(h.graphics->DeleteTextLabel(label));
  EXPECT_TRUE(h.graphics->textLabels.empty());
}

class SpriteOrder : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(h.initialised); }
  Sprite* Make(const char* file, int layer) {
    Sprite* s = nullptr;
    EXPECT_TRUE(h.graphics->CreateSprite(&s, file, 0, 0, 1, 1, nullptr, 1, nullptr, layer));
    return s;
  }
  GraphicsHarness h;
};

TEST_F(SpriteOrder, LargerLayersComeFirstSoLayerZeroIsDrawnOnTopAndHiddenOnesAreSkipped) {
  Sprite* front = Make("Assets\\Art\\Paused.dds", 0);
  Sprite* back = Make("Assets\\Art\\hud_score.bmp", 5);
  Sprite* middle = Make("Assets\\Art\\Paused.dds", 2);
  EXPECT_EQ(h.graphics->sprites, (std::vector<Sprite*>{back, middle, front}));
  EXPECT_TRUE(SpriteLayerGreater(back, front));
  EXPECT_FALSE(SpriteLayerGreater(front, front));

  h.graphics->titleMode = false;
  h.Frame();
  // Drawn in list order: the layer-5 picture first, the layer-0 one last, over it.
  std::vector<std::string> textures;
  for (const auto* d : gfxtest::DrawsOf(h.log().PreviousDraws())) {
    if (d->state.target == "BackBuffer" && d->call == "DrawPrimitiveUP") textures.push_back(d->state.texture);
  }
  ASSERT_FALSE(textures.empty());
  EXPECT_EQ(textures.front(), "Assets\\Art\\hud_score.bmp");
  EXPECT_EQ(textures.back(), "Assets\\Art\\Paused.dds");
  for (Sprite* s : {front, back, middle}) EXPECT_TRUE(h.graphics->DeleteSprite(s));

  // Hidden sprites are skipped; deletion keeps the order.
  Sprite* a = Make("Assets\\Art\\Paused.dds", 3);
  Sprite* b = Make("Assets\\Art\\hud_score.bmp", 3);
  Sprite* c = Make("Assets\\Art\\Paused.dds", 1);
  // Equal layers keep their creation order.
  EXPECT_EQ(h.graphics->sprites, (std::vector<Sprite*>{a, b, c}));
  a->SetVisible(false);
  c->SetVisible(false);
  h.Frame();
  for (const auto* d : gfxtest::DrawsOf(h.log().PreviousDraws())) {
    if (d->state.target == "BackBuffer" && d->call == "DrawPrimitiveUP") {
      EXPECT_EQ(d->state.texture, "Assets\\Art\\hud_score.bmp");
    }
  }
  Sprite stranger;
  EXPECT_FALSE(h.graphics->DeleteSprite(&stranger));
  EXPECT_TRUE(h.graphics->DeleteSprite(b));
  EXPECT_EQ(h.graphics->sprites, (std::vector<Sprite*>{a, c}));
  EXPECT_EQ(h.graphics->spriteTextures.size(), 2u);  // the texture stays cached
}

}  // namespace
