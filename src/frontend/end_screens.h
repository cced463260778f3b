// The three screens that end a game over a black backdrop: game over with Continue or Quit, you win, and the
// name entry for a new high score. They exist from the start of a game until the return to the menu.
#pragma once

#include <array>
#include <string>

#include "frontend/menu_element.h"

class TextLabel;

class EndScreens {
 public:
  static constexpr int kElementCount = 12;
  // Elements the screens drive by index.
  static constexpr int kBackdrop = 0;
  static constexpr int kContinue = 3;
  static constexpr int kQuit = 4;
  static constexpr int kSelector = 5;
  // The character that erases the name being typed (Backspace).
  static constexpr char kEraseName = 1;

  EndScreens();
  ~EndScreens();
  EndScreens(const EndScreens&) = delete;
  EndScreens& operator=(const EndScreens&) = delete;

  // Entering the name entry starts a new name.
  void OnStateChange(int newState);
  // On an end screen the game stands still (rail speed 0) behind the backdrop; the name label shows the
  // name in the name entry. Every element slides and fades.
  void Update(float dt, int state);
  // Game over: Enter takes the choice (Continue reloads the zone with the score at 0, Quit leaves for the
  // high-score screen), toggle flips it. You win: Enter leaves for the high-score screen. Name entry: ch
  // joins the name when a name may hold it (ten at most), kEraseName empties it, Enter adds the score to
  // the table.
  void HandleInput(char ch, bool enter, bool toggle, int state);

  // The level file of a zone: 1 and 2 have one, others none.
  static const char* ZoneLevel(int zone);

  bool won = false;  // the game was won: the name entry leads to the win screen
  int zone = 1;      // the zone Continue reloads
  std::array<MenuElement, kElementCount> elements;
  TextLabel* nameLabel = nullptr;
  std::string playerName;
  bool continueSelected = true;
};
