// Game over, you win and the name entry: their pictures, the Continue or Quit choice and the typed name.
#include "frontend/end_screens.h"

#include "app/engine.h"
#include "app/game_state.h"
#include "frontend/high_scores.h"
#include "graphics/graphics.h"
#include "graphics/sprite.h"

namespace {

constexpr int kNone = MenuElement::kHiddenGroup;

// clang-format off
constexpr MenuElementDesc kElements[EndScreens::kElementCount] = {
    // The black backdrop, stretched over the screen; it follows the end state shown.
    {"intro Back.bmp", kNone, 0, 0, 0, 0, 400, 300, 1, 1, 0, 3, false},
    // Game over: the two words slide in from the sides, the two choices fade in under them.
    {"hud Game.bmp", kGameOver, 150, 100, -300, 100, 1, 1, 0.7f, 1, 1, 2, false},
    {"hud Over.bmp", kGameOver, 430, 100, 800, 100, 1, 1, 0.7f, 1, 1, 2, false},
    {"hud Continue.bmp", kGameOver, 300, 350, 300, 350, 1, 1, 0.7f, 1, 0, 2, false},
    {"hud Quit.bmp", kGameOver, 300, 450, 300, 450, 1, 1, 0.7f, 1, 0, 2, false},
    {"hud EndSelect.bmp", kGameOver, 300, 350, 300, 350, 1, 1, 1.5f, 1, 0, 1, false},
    // Name entry.
    {"hud High.bmp", kNameEntry, 150, 100, -300, 100, 1, 1, 0.7f, 1, 1, 2, false},
    {"hud Score.bmp", kNameEntry, 430, 100, 800, 100, 1, 1, 0.7f, 1, 1, 2, false},
    {"hud HighScore.bmp", kNameEntry, 300, 400, 300, 400, 1, 1, 0.7f, 1, 0, 2, false},
    // You win.
    {"hud You.bmp", kGameWon, 150, 100, -300, 100, 1, 1, 0.7f, 1, 1, 2, false},
    {"hud Win.bmp", kGameWon, 430, 100, 800, 100, 1, 1, 0.7f, 1, 1, 2, false},
    {"hud YouWinEnter.bmp", kGameWon, 300, 400, 300, 400, 1, 1, 0.7f, 1, 0, 2, false},
};
// clang-format on

constexpr float kNameX = 0.375f, kNameY = 0.5f;
constexpr plat::gpu::Argb kNameColour = 0xFFFFFF00;  // yellow
constexpr float kPlaySpeed = 50.0f;

bool IsEndState(int state) {
  return state == kGameOver || state == kGameWon || state == kNameEntry;
}

}  // namespace

EndScreens::EndScreens() {
  InitMenuElements(elements.data(), kElements, kElementCount);
  if (g_graphics != nullptr) {
    g_graphics->CreateTextLabel(&nameLabel, kNameX, kNameY, "Player Name", kNameColour);
    if (nameLabel != nullptr) nameLabel->SetVisible(false);
  }
}

EndScreens::~EndScreens() {
  if (g_graphics != nullptr) g_graphics->DeleteTextLabel(nameLabel);
}

const char* EndScreens::ZoneLevel(int zone) {
  if (zone == 1) return "l1z1.kvl";
  if (zone == 2) return "l1z2.kvl";
  return nullptr;
}

void EndScreens::OnStateChange(int newState) {
  if (newState == kNameEntry) playerName.clear();
}

void EndScreens::Update(float dt, int state) {
  const bool ending = IsEndState(state);
  if (ending) g_gameSpeed = 0.0f;
  elements[kBackdrop].group = ending ? state : kNone;
  if (nameLabel != nullptr) {
    nameLabel->SetVisible(state == kNameEntry);
    if (state == kNameEntry) nameLabel->SetText(playerName.c_str());
  }
  for (MenuElement& element : elements) element.Update(dt);
}

void EndScreens::HandleInput(char ch, bool enter, bool toggle, int state) {
  if (g_engine == nullptr) return;
  if (state == kGameWon && enter) {
    g_gameSpeed = kPlaySpeed;
    g_engine->ClearLevel();
    g_engine->SetState(kHighScoreScreen);
  } else if (state == kNameEntry) {
    if (ch == kEraseName) {
      playerName.clear();
      return;
    }
    if (HighScores::IsNameCharacter(ch) && playerName.size() < HighScores::kMaxNameLength)
      playerName.push_back(ch);
    if (enter) {
      if (g_highScores != nullptr) g_highScores->Add(g_engine->score, playerName.c_str());
      g_engine->score = 0;
      g_engine->SetState(won ? kGameWon : kGameOver);
    }
  } else if (state == kGameOver) {
    if (enter) {
      g_gameSpeed = kPlaySpeed;
      if (continueSelected) {
        g_engine->score = 0;
        if (const char* level = ZoneLevel(zone)) g_engine->LoadLevel(level);
      } else {
        g_engine->ClearLevel();
        g_engine->SetState(kHighScoreScreen);
      }
    }
    if (toggle) continueSelected = !continueSelected;
    MenuElement& selector = elements[kSelector];
    const MenuElement& chosen = elements[continueSelected ? kContinue : kQuit];
    const MenuElement& other = elements[continueSelected ? kQuit : kContinue];
    selector.shownPos = chosen.shownPos;
    selector.hiddenPos = other.shownPos;
  }
}
