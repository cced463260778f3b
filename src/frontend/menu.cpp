// The menu's screens (splashes, main menu, high scores, options), its selection and its title scene.
#include "frontend/menu.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "app/engine.h"
#include "app/game_state.h"
#include "frontend/high_scores.h"
#include "graphics/graphics.h"
#include "graphics/model.h"
#include "graphics/particle_system.h"
#include "graphics/sprite.h"

Menu* g_menu = nullptr;

namespace {

constexpr int kNone = MenuElement::kHiddenGroup;

// clang-format off
constexpr MenuElementDesc kElements[Menu::kElementCount] = {
    // The main menu: title words, the four entries and the bars behind them.
    {"mm Korvessa.bmp", kMainMenu, 0, 55, 0, 55, 0.78f, 0.78f, 0.8f, 1, 0, 5, false},
    {"mm Ridov.bmp", kMainMenu, 0, 10, 1000, 10, 0.78f, 0.78f, 1, 1, 0, 10, false},
    {"mm Ravizod.bmp", kMainMenu, 0, 190, -1000, 190, 0.78f, 0.78f, 1, 1, 0, 5, false},
    {"mm Start.bmp", kMainMenu, 570, 350, 801, 350, 1, 1, 1, 1, 1, 5, false},
    {"mm Options.bmp", kMainMenu, 570, 410, 801, 410, 1, 1, 0.9f, 0.5f, 0.5f, 5, false},
    {"mm HighScores.bmp", kMainMenu, 570, 470, 801, 470, 1, 1, 0.8f, 1, 1, 5, false},
    {"mm Quit.bmp", kMainMenu, 570, 530, 801, 530, 1, 1, 0.7f, 1, 1, 5, false},
    {"mm MenuBack.bmp", kMainMenu, 570, 350, 801, 350, 1, 1, 1, 0.5f, 0, 10, false},
    {"mm MenuBack.bmp", kMainMenu, 570, 410, 801, 410, 1, 1, 0.9f, 0.25f, 0, 10, false},
    {"mm MenuBack.bmp", kMainMenu, 570, 470, 801, 470, 1, 1, 0.8f, 0.5f, 0, 10, false},
    {"mm MenuBack.bmp", kMainMenu, 570, 530, 801, 530, 1, 1, 0.7f, 0.5f, 0, 10, false},
    // The splash screens: a black backdrop stretched over the screen and one logo each.
    {"intro Back.bmp", kFirstSplash, 0, 0, 0, 0, 400, 300, 0.7f, 1, 0, 3, false},
    {"intro QM.bmp", kFirstSplash, 270, 180, 270, 180, 1, 1, 1, 1, 0, 1, false},
    {"intro RT.bmp", kSecondSplash, 270, 170, 270, 170, 1, 1, 1, 1, 0, 2, false},
    // The selection highlight, one bar per entry.
    {"mm MenuBack.bmp", kMainMenu, 570, 350, 570, 350, 1, 1, 1, 0.9f, 0, 10, true},
    {"mm MenuBack.bmp", kNone, 570, 410, 570, 410, 1, 1, 1, 0.9f, 0, 10, true},
    {"mm MenuBack.bmp", kNone, 570, 470, 570, 470, 1, 1, 1, 0.9f, 0, 10, true},
    {"mm MenuBack.bmp", kNone, 570, 530, 570, 530, 1, 1, 1, 0.9f, 0, 10, true},
    // The options screen.
    {"opt Filler.bmp", kOptions, 0, 0, -401, 0, 1, 1, 1, 1, 1, 3, false},
    {"opt Back.bmp", kOptions, 0, 0, -401, 0, 1, 1, 1, 0.5f, 0, 4, false},
    {"opt Options.bmp", kOptions, 400, 0, 801, 0, 1, 1, 1, 1, 1, 3, false},
    {"opt Controls.bmp", kOptions, 410, 50, 801, 50, 1, 1, 1, 1, 0, 2, true},
    {"opt Difficulty.bmp", kOptions, 410, 100, 801, 100, 1, 1, 1, 1, 0, 2, true},
    {"opt Sound.bmp", kOptions, 410, 150, 801, 150, 1, 1, 1, 1, 0, 2, true},
    {"opt Resolution.bmp", kOptions, 410, 200, 801, 200, 1, 1, 1, 1, 0, 2, true},
    {"opt Effects.bmp", kOptions, 410, 250, 801, 250, 1, 1, 1, 1, 0, 2, true},
    {"opt Unlockable.bmp", kOptions, 410, 350, 801, 350, 1, 1, 1, 1, 0, 2, true},
    {"opt Unlockable.bmp", kOptions, 410, 400, 801, 400, 1, 1, 1, 1, 0, 2, true},
    {"opt Unlockable.bmp", kOptions, 410, 450, 801, 450, 1, 1, 1, 1, 0, 2, true},
    {"opt Return.bmp", kOptions, 410, 520, 801, 520, 1, 1, 1, 1, 0, 2, true},
    {"opt Difficulty Selection.bmp", kOptions, 620, 110, 801, 110, 0.7f, 0.7f, 1, 1, 0, 2, true},
    {"opt Resolution Selection.bmp", kOptions, 620, 210, 801, 210, 0.7f, 0.7f, 1, 1, 0, 2, true},
    {"opt Effects Selection.bmp", kOptions, 620, 260, 801, 260, 0.7f, 0.7f, 1, 1, 0, 2, true},
    {"opt Selecter.bmp", kOptions, 410, 520, 410, 520, 1, 1, 2, 1, 0, 1, true},
    {"opt Control Selection.bmp", kOptions, 620, 50, 801, 50, 0.7f, 0.7f, 1, 1, 0, 1, true},
    {"opt Set Control.bmp", kNone, 30, 200, 30, 200, 3, 3, 2, 1, 0, 1, true},
    // The high-score screen: its panel over the options screen's backing.
    {"hs Scores.bmp", kHighScoreScreen, 200, 0, 200, -601, 1, 1, 1, 1, 1, 3, false},
    {"opt Back.bmp", kHighScoreScreen, 200, 0, 200, -601, 1, 1, 1, 0.5f, 0, 4, false},
};
// clang-format on

constexpr float kSplashStartAlpha = 0.9f;
constexpr plat::gpu::Argb kLabelColour = 0xFFFFFFFF;
constexpr float kNameColumn = 0.3375f, kScoreColumn = 0.5625f;
constexpr float kFirstRowY = 150.0f, kRowHeight = 30.0f;

constexpr float kTitleTurnRate = 0.05f;  // radians a second
constexpr float kTitleAhead = 800.0f;    // the title model's distance in front of the ship
constexpr float kTitleAside = 30.0f;
constexpr float kTitleStartAhead = 500.0f;  // where it is first placed
constexpr int kBlackSky = 2;

}  // namespace

Menu::Menu() {
  InitMenuElements(elements.data(), kElements, kElementCount);
  elements[kSplashBackdrop].alpha = kSplashStartAlpha;  // the first splash shows at once

  if (g_graphics != nullptr) {
    for (int i = 0; i < kScoreRows; ++i) {
      const float y = (kFirstRowY + kRowHeight * static_cast<float>(i)) / MenuElement::kLayoutHeight;
      TextLabel*& name = nameLabels[static_cast<size_t>(i)];
      TextLabel*& score = scoreLabels[static_cast<size_t>(i)];
      g_graphics->CreateTextLabel(&name, kNameColumn, y, "NameTemp", 0);
      g_graphics->CreateTextLabel(&score, kScoreColumn, y, "NumberTemp", 0);
      for (TextLabel* label : {name, score}) {
        if (label == nullptr) continue;
        label->SetVisible(false);
        label->SetColor(kLabelColour);
      }
    }
  }
  SetupTitleScene();
}

Menu::~Menu() {
  if (g_graphics == nullptr) return;
  for (TextLabel* label : nameLabels) g_graphics->DeleteTextLabel(label);
  for (TextLabel* label : scoreLabels) g_graphics->DeleteTextLabel(label);
}

void Menu::OnStateChange(int newState) {
  state = newState;
  // The splash backdrop stays up through every splash state.
  if (newState >= kFirstSplash && newState <= kLastSplash) elements[kSplashBackdrop].group = newState;
}

void Menu::MoveSelection(int delta) {
  const int old = selection;
  selection += delta;
  if (selection < kStart) {
    selection = kStart;
    return;
  }
  if (selection > kQuit) {
    selection = kQuit;
    return;
  }
  if (selection == kOptionsEntry) selection = delta + kOptionsEntry;
  elements[static_cast<size_t>(kFirstHighlight + selection)].group = kMainMenu;
  if (old != selection) elements[static_cast<size_t>(kFirstHighlight + old)].group = kNone;
}

void Menu::Update(float dt) {
  for (MenuElement& element : elements) element.Update(dt);

  // The highlight shows only once the bars have slid in.
  if (elements[kStartBar].Update(0.0f)) {
    if (selection < kStart) selection = kStart;
    if (selection > kQuit) selection = kQuit;
    elements[static_cast<size_t>(kFirstHighlight + selection)].group = kMainMenu;
  } else {
    for (int i = kStart; i <= kQuit; ++i) elements[static_cast<size_t>(kFirstHighlight + i)].group = kNone;
  }

  const bool scoresShown = state == kHighScoreScreen && g_highScores != nullptr;
  for (int i = 0; i < kScoreRows; ++i) {
    TextLabel* name = nameLabels[static_cast<size_t>(i)];
    TextLabel* score = scoreLabels[static_cast<size_t>(i)];
    if (name == nullptr || score == nullptr) continue;
    name->SetVisible(scoresShown);
    score->SetVisible(scoresShown);
    if (!scoresShown) continue;
    // A name read from the file may be longer than name entry takes: only its start fits the column.
    const std::string_view shown = g_highScores->GetName(i);
    name->SetText(std::string(shown.substr(0, HighScores::kMaxNameLength)).c_str());
    score->SetText(std::to_string(g_highScores->GetScore(i)).c_str());
  }

  AnimateTitle(dt);
}

void Menu::SetupTitleScene() {
  if (g_graphics == nullptr) return;
  g_graphics->EnterTitleMode();
  g_graphics->SetSkybox(kBlackSky);

  if (!g_graphics->LoadModel(&ship, "KV01.mdl", -15.0f, -10.0f, 60.0f, false, false)) ship = nullptr;
  if (ship != nullptr && !ship->parts.empty() && !ship->parts[0]->lockPoints.empty()) {
    const ParticleEffectDesc trail = ShipTrailEffect(ship, kThrustParticles);
    g_graphics->SpawnParticleSystem(&trail);
  }

  const math::Vec3 start = (ship != nullptr ? ship->position : math::Vec3{-15.0f, -10.0f, 60.0f}) -
                           (ship != nullptr ? ship->zAxis : math::Vec3{0.0f, 0.0f, 1.0f}) * kTitleStartAhead;
  if (!g_graphics->LoadModel(&titleModel, "TitlePsycho.X", start.x, start.y, start.z, false, false)) {
    titleModel = nullptr;
  }

  // The tunnel rings the first entity model: only start it when that is the ship, not the title model
  // standing in for a ship that failed to load.
  if (g_engine != nullptr && ship != nullptr && !g_graphics->entityModels.empty() &&
      g_graphics->entityModels[0] == ship) {
    g_engine->StartWarpEffect(true);
  }
}

void Menu::AnimateTitle(float dt) {
  if (ship == nullptr || titleModel == nullptr || g_graphics == nullptr) return;
  // A level loaded while the menu still exists clears the scene, and the title models with it.
  const std::vector<Model*>& models = g_graphics->entityModels;
  if (std::find(models.begin(), models.end(), ship) == models.end() ||
      std::find(models.begin(), models.end(), titleModel) == models.end()) {
    ship = titleModel = nullptr;
    return;
  }
  ship->Yaw(dt * kTitleTurnRate);
  math::Vec3 x = ship->xAxis, y = ship->yAxis, z = ship->zAxis;
  const math::Vec3 at = ship->position - z * kTitleAhead + x * kTitleAside;
  titleModel->SetPosition(at.x, at.y, at.z);
  titleModel->SetOrientation(&x, &y, &z);
}
