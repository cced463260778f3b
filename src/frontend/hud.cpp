// The display's pictures and labels, its frame update by game state and its life cycle.
#include "frontend/hud.h"

#include <algorithm>

#include "app/engine.h"
#include "app/game_state.h"
#include "frontend/high_scores.h"
#include "game/player.h"
#include "graphics/graphics.h"
#include "graphics/sprite.h"

Hud* g_hud = nullptr;

namespace {

// One element of the display, in the 800 by 600 layout.
struct ElementSpec {
  const char* file;
  int group;
  float shownX, shownY, hiddenX, hiddenY, scaleX, scaleY, speed, shownAlpha, hiddenAlpha;
  int layer;
  bool colourKey;
};

#define KV_HUD_ART "Assets\\Art\\Menu Art\\"
constexpr const char* kLifeIcon = "Assets\\Art\\hud_life.DDS";

constexpr ElementSpec kElements[Hud::kElementCount] = {
    {kLifeIcon, kSideView, 5, 5, 5, 5, 0.3f, 0.3f, 1, 1, 0, 5, false},
    {kLifeIcon, kSideView, 30, 5, 30, 5, 0.3f, 0.3f, 1, 1, 0, 5, false},
    {kLifeIcon, kSideView, 55, 5, 55, 5, 0.3f, 0.3f, 1, 1, 0, 5, false},
    {kLifeIcon, kSideView, 80, 5, 80, 5, 0.3f, 0.3f, 1, 1, 0, 5, false},
    {kLifeIcon, kSideView, 105, 5, 105, 5, 0.3f, 0.3f, 1, 1, 0, 5, false},
    {KV_HUD_ART "hud Bomb.bmp", kSideView, 5, 550, 5, 550, 0.3f, 0.3f, 1, 1, 0, 5, true},
    {KV_HUD_ART "hud Bomb.bmp", kSideView, 5, 530, 5, 530, 0.3f, 0.3f, 1, 1, 0, 5, true},
    {KV_HUD_ART "hud Bomb.bmp", kSideView, 5, 510, 5, 510, 0.3f, 0.3f, 1, 1, 0, 5, true},
    {KV_HUD_ART "hud Bomb.bmp", kSideView, 5, 490, 5, 490, 0.3f, 0.3f, 1, 1, 0, 5, true},
    {KV_HUD_ART "hud Bomb.bmp", kSideView, 5, 470, 5, 470, 0.3f, 0.3f, 1, 1, 0, 5, true},
    {KV_HUD_ART "rail Left.bmp", kTopView, -50, 0, -200, 0, 1, 1, 1, 1, 0, 6, true},
    {KV_HUD_ART "rail Right.bmp", kTopView, 650, 0, 800, 0, 1, 1, 1, 1, 0, 6, true},
    {KV_HUD_ART "hud Talk.bmp", 0, 158, 460, 158, 460, 1, 1, 1, 1, 0, 2, true},
    {KV_HUD_ART "hud Talk Back.bmp", 0, 158, 460, 158, 460, 1, 1, 1, 0.2f, 0, 3, true},
    {KV_HUD_ART "hud TestChar.bmp", 0, 158, 460, 158, 460, 1, 1, 1, 1, 0, 1, true},
    {KV_HUD_ART "hud Warning.bmp", 0, -100, 180, -800, 180, 1, 1, 1, 0.5f, 0, 1, true},
    {KV_HUD_ART "hud Warning.bmp", 0, -100, 180, 800, 180, 1, 1, 1, 0.5f, 0, 1, true},
    {KV_HUD_ART "hud Danger.bmp", 0, 10, 50, 10, 651, 1, 1, 1, 1, 1, 2, true},
    {KV_HUD_ART "hud Danger.bmp", 0, 660, 50, 660, -600, 1, 1, 1, 1, 1, 2, true},
    {KV_HUD_ART "hud Dash.bmp", 0, 5, 50, 5, 50, 0.6f, 0.6f, 1, 1, 1, 1, true},
    {KV_HUD_ART "hud DashUnderline.bmp", 0, 5, 50, 5, 50, 0.6f, 0.6f, 1, 1, 1, 1, true},
    {KV_HUD_ART "hud White.bmp", 0, 0, 0, 0, 0, 400, 300, 0.2f, 1, 0, 0, true},
    {KV_HUD_ART "hud Complete.bmp", 0, 170, 200, 170, 200, 1, 1, 0.5f, 1, 0, 0, true},
    {KV_HUD_ART "intro Back.bmp", 0, 0, 0, 0, 0, 400, 300, 1, 1, 0, 3, true},
    {KV_HUD_ART "hud Game.bmp", kGameOver, 150, 100, -300, 100, 1, 1, 0.7f, 1, 1, 2, true},
    {KV_HUD_ART "hud Over.bmp", kGameOver, 430, 100, 800, 100, 1, 1, 0.7f, 1, 1, 2, true},
    {KV_HUD_ART "hud Continue.bmp", kGameOver, 300, 350, 300, 350, 1, 1, 0.7f, 1, 0, 2, true},
    {KV_HUD_ART "hud Quit.bmp", kGameOver, 300, 450, 300, 450, 1, 1, 0.7f, 1, 0, 2, true},
    {KV_HUD_ART "hud EndSelect.bmp", kGameOver, 300, 350, 300, 350, 1, 1, 1.5f, 1, 0, 1, true},
    {KV_HUD_ART "hud High.bmp", kNameEntry, 150, 100, -300, 100, 1, 1, 0.7f, 1, 1, 2, true},
    {KV_HUD_ART "hud Score.bmp", kNameEntry, 430, 100, 800, 100, 1, 1, 0.7f, 1, 1, 2, true},
    {KV_HUD_ART "hud HighScore.bmp", kNameEntry, 300, 400, 300, 400, 1, 1, 0.7f, 1, 0, 2, true},
    {KV_HUD_ART "hud You.bmp", kGameWon, 150, 100, -300, 100, 1, 1, 0.7f, 1, 1, 2, true},
    {KV_HUD_ART "hud Win.bmp", kGameWon, 430, 100, 800, 100, 1, 1, 0.7f, 1, 1, 2, true},
    {KV_HUD_ART "hud YouWinEnter.bmp", kGameWon, 300, 400, 300, 400, 1, 1, 0.7f, 1, 0, 2, true},
    {KV_HUD_ART "hud Life.bmp", 0, 10, 75, 10, 75, 16, 1, 0.7f, 1, 0, 1, true},
    {KV_HUD_ART "hud LifeMeter.bmp", 0, 10, 75, 10, 75, 1, 1, 0.7f, 1, 0, 0, true},
};
#undef KV_HUD_ART

constexpr float kTalkLineY[3] = {0.8f, 0.8333333f, 0.8666667f};
constexpr float kTalkTextX = 0.36f;
constexpr plat::gpu::Argb kMagenta = 0xFFFF00FF;
constexpr plat::gpu::Argb kYellow = 0xFFFFFF00;
// The health bar's height in layout units per point of health, its speed and its limits.
constexpr float kBarPerHealth = 32.0f, kBarSpeed = 20.0f, kBarMin = 1.0f, kBarMax = 160.0f;

}  // namespace

Hud::Hud() {
  for (int i = 0; i < kElementCount; ++i) {
    const ElementSpec& s = kElements[i];
    elements[static_cast<size_t>(i)].Init(s.file, s.group, {s.shownX, s.shownY, 0}, {s.hiddenX, s.hiddenY, 0},
                                          {s.scaleX, s.scaleY, 0}, s.speed, s.shownAlpha, s.hiddenAlpha,
                                          s.layer, false, s.colourKey);
  }
  if (g_graphics == nullptr) return;
  const char* initial[3] = {"Initial", "Initial 2", "Initial 3"};
  for (size_t i = 0; i < talkLines.size(); ++i) {
    g_graphics->CreateTextLabel(&talkLines[i], kTalkTextX, kTalkLineY[i], initial[i], kMagenta);
  }
  g_graphics->CreateTextLabel(&nameLabel, 0.375f, 0.5f, "Player Name", kYellow);
  SetTalkLinesVisible(false);
  if (nameLabel != nullptr) nameLabel->SetVisible(false);
}

Hud::~Hud() {
  // The elements delete their own sprites; the labels belong to the graphics object too.
  if (g_graphics == nullptr) return;
  for (TextLabel* label : talkLines) g_graphics->DeleteTextLabel(label);
  g_graphics->DeleteTextLabel(nameLabel);
}

void Hud::SetGroups(int first, int last, int group) {
  for (int i = first; i <= last; ++i) elements[static_cast<size_t>(i)].group = group;
}

void Hud::SetTalkLinesVisible(bool visible) {
  for (TextLabel* label : talkLines) {
    if (label != nullptr) label->SetVisible(visible);
  }
}

void Hud::OnStateChange(int state) {
  if (state == kNameEntry) playerName.clear();
}

void Hud::Update(float dt, int lives, int bombs, int state) {
  if (state == kGameOver || state == kGameWon || state == kNameEntry) {
    g_gameSpeed = 0.0f;
    elements[kEndBackdrop].group = state;
    SetTalkLinesVisible(false);
    if (nameLabel != nullptr) {
      nameLabel->SetVisible(state == kNameEntry);
      if (state == kNameEntry) nameLabel->SetText(playerName.c_str());
    }
    for (int i : {kDash, kDashUnderline}) {
      if (elements[static_cast<size_t>(i)].sprite != nullptr)
        elements[static_cast<size_t>(i)].sprite->SetAlpha(0.0f);
    }
    for (MenuElement& e : elements) e.Update(dt);
    return;
  }

  for (int i = 0; i < kIconCount; ++i) {
    elements[static_cast<size_t>(kFirstLife + i)].group = lives > i ? state : 0;
    elements[static_cast<size_t>(kFirstBomb + i)].group = bombs > i ? state : 0;
  }

  // Health bar and dash meter follow player 0; with no player (the level just failed to load) both are empty.
  const Player* player = g_engine != nullptr && !g_engine->players.empty() ? g_engine->players[0] : nullptr;
  const float health = player != nullptr ? static_cast<float>(player->GetHealth()) : 0.0f;
  const float charge = player != nullptr ? player->GetDashCharge() : 0.0f;
  SetGroups(kHealthBar, kHealthFrame, state);
  MenuElement& bar = elements[kHealthBar];
  const float target = health * kBarPerHealth;
  if (target < bar.scaleY) bar.scaleY -= kBarSpeed * dt;
  if (target > bar.scaleY) bar.scaleY += kBarSpeed * dt;
  bar.scaleY = std::clamp(bar.scaleY, kBarMin, kBarMax);

  SetGroups(kDash, kDashUnderline, state);
  if (elements[kDash].sprite != nullptr) elements[kDash].sprite->SetAlpha(charge);
  if (elements[kDashUnderline].sprite != nullptr) {
    elements[kDashUnderline].sprite->SetAlpha(charge == 1.0f ? 1.0f : 0.0f);
  }

  if (talkShown) UpdateTalk(dt, state);

  if (warningShown) {
    warningTimer -= dt;
    if (warningTimer > 0.0f) {
      SetGroups(kWarningLeft, kDangerRight, state);
      elements[kWarningLeft].shownAlpha += dt;
      elements[kWarningRight].shownAlpha += dt;
    } else {
      SetGroups(kWarningLeft, kDangerRight, 0);
      warningShown = false;
      for (int i : {kWarningLeft, kWarningRight}) {
        elements[static_cast<size_t>(i)].shownAlpha = 0.5f;
        elements[static_cast<size_t>(i)].alpha = 0.5f;
      }
      ContinueAfterDisplay();
    }
  }

  if (completeShown) {
    completeTimer -= dt;
    if (completeTimer > 0.0f) {
      elements[kComplete].group = state;
    } else {
      elements[kComplete].group = 0;
      completeShown = false;
      ContinueAfterDisplay();
    }
  }

  for (MenuElement& e : elements) e.Update(dt);
}

void Hud::UpdateTalk(float dt, int state) {
  talkTimer -= dt;
  if (talkTimer > 0.0f) {
    SetGroups(kTalkFrame, kPortrait, state);
    return;
  }
  SetGroups(kTalkFrame, kPortrait, 0);
  SetTalkLinesVisible(false);
  if (chain == 0) {
    talkShown = false;
    if (queuedTriggers > 0) {
      --queuedTriggers;
      NextScriptEvent(true);
    }
  } else {
    // The same speaker goes on at once; another one after half a second with the box hidden.
    const bool sameSpeaker =
        nextEvent > 0 && static_cast<size_t>(nextEvent) < events.size() &&
        events[static_cast<size_t>(nextEvent)].type == events[static_cast<size_t>(nextEvent - 1)].type;
    if (sameSpeaker || talkTimer <= -0.5f) NextScriptEvent(false);
  }
  // A line started here shows its text at once; its box and portrait return with the next frame's update.
}

void Hud::HandleInput(char ch, bool enter, bool toggle, int state) {
  if (g_engine == nullptr) return;
  auto resetScript = [this] {
    nextEvent = 0;
    chain = 0;
    queuedTriggers = 0;
    g_gameSpeed = 50.0f;
  };
  if (state == kGameWon && enter) {
    resetScript();
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
      resetScript();
      if (continueSelected) {
        g_engine->score = 0;
        if (zone == 1 || zone == 2) g_engine->LoadLevel(zone == 1 ? "l1z1.kvl" : "l1z2.kvl");
      } else {
        g_engine->ClearLevel();
        g_engine->SetState(kHighScoreScreen);
      }
    }
    if (toggle) continueSelected = !continueSelected;
    MenuElement& selector = elements[kEndSelect];
    selector.shownPos = elements[continueSelected ? kContinue : kQuit].shownPos;
    selector.hiddenPos = elements[continueSelected ? kQuit : kContinue].shownPos;
  }
}
