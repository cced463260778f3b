// The heads-up display of a running game: lives, bombs, health bar, dash meter, talk box with portrait,
// warning and zone banners, the flash and the end screens; it also plays the level script.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "frontend/level_script.h"
#include "frontend/menu_element.h"

class TextLabel;

class Hud;
extern Hud* g_hud;

class Hud {
 public:
  static constexpr int kElementCount = 37;
  // Elements by role.
  static constexpr int kFirstLife = 0, kFirstBomb = 5, kIconCount = 5;
  static constexpr int kTalkFrame = 12, kTalkBack = 13, kPortrait = 14;
  static constexpr int kWarningLeft = 15, kWarningRight = 16, kDangerLeft = 17, kDangerRight = 18;
  static constexpr int kDash = 19, kDashUnderline = 20, kFlash = 21, kComplete = 22, kEndBackdrop = 23;
  static constexpr int kContinue = 26, kQuit = 27, kEndSelect = 28;
  static constexpr int kHealthBar = 35, kHealthFrame = 36;

  Hud();
  ~Hud();
  Hud(const Hud&) = delete;
  Hud& operator=(const Hud&) = delete;

  // The character that empties the name being typed (Backspace).
  static constexpr char kEraseName = 1;

  // One frame of dt seconds; lives and bombs of player 0; state is the engine's.
  void Update(float dt, int lives, int bombs, int state);
  void OnStateChange(int state);
  // The end screens' keys. Game over: enter takes the choice (Continue reloads the zone with the score at 0,
  // Quit leaves for the high-score screen), toggle flips it. You win: enter leaves for the high-score
  // screen. Name entry: kEraseName empties the name, a character a name may hold joins it (ten at most),
  // enter adds the score to the table.
  void HandleInput(char ch, bool enter, bool toggle, int state);

  // The level script (hud_script.cpp). Load reads into an empty script; Clear empties it but keeps the
  // queued triggers. NextScriptEvent is one step, from a level trigger or from the end of a display.
  void LoadScriptEvents(const std::string& path);
  void ClearScriptEvents();
  void NextScriptEvent(bool fromTrigger);

  bool won = false;
  int zone = 1;
  std::array<MenuElement, kElementCount> elements;
  float talkTimer = 0.0f;
  bool talkShown = false;
  float warningTimer = 0.0f;
  bool warningShown = false;
  float completeTimer = 0.0f;
  bool completeShown = false;
  std::array<TextLabel*, 3> talkLines{};
  TextLabel* nameLabel = nullptr;
  std::vector<ScriptEvent> events;
  int nextEvent = 0;
  uint32_t chain = 0;
  int queuedTriggers = 0;
  std::string playerName;
  bool continueSelected = true;

 private:
  // Runs events[nextEvent]; true when the step may spend a queued trigger afterwards (any event but a talk
  // line, a zone change or the end of the game).
  bool RunScriptEvent();
  void ShowTalkLine(const ScriptEvent& e);
  void ShipEffect();
  // After a warning or zone banner ends: the chained event, or a queued trigger.
  void ContinueAfterDisplay();
  void UpdateTalk(float dt, int state);
  void SetGroups(int first, int last, int group);
  void SetTalkLinesVisible(bool visible);

  bool reportedEnd = false;  // the end of the script has been reported once
};
