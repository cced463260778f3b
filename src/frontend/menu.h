// The front end shown while no game runs: the two splash screens, the main menu over the turning title
// scene, the high-score screen and the (unreachable) options screen.
#pragma once

#include <array>

#include "frontend/menu_element.h"

class Model;
class TextLabel;

class Menu {
 public:
  static constexpr int kElementCount = 38;
  static constexpr int kScoreRows = 10;  // rows of the high-score screen
  // Main-menu entries; Options is drawn faded and never selected.
  enum Entry : int { kStart = 0, kOptionsEntry = 1, kHighScores = 2, kQuit = 3 };
  // Elements the menu drives by index.
  static constexpr int kStartBar = 7;         // the bar behind Start: the highlight waits for it
  static constexpr int kSplashBackdrop = 11;  // kept up through the splash states
  static constexpr int kFirstHighlight = 14;  // one highlight bar per entry, 14 to 17

  // Builds every element (the splash backdrop shows at once), the twenty high-score labels and the title
  // scene.
  Menu();
  // Deletes the elements' sprites and the labels; the title models stay in the scene until it is cleared.
  ~Menu();
  Menu(const Menu&) = delete;
  Menu& operator=(const Menu&) = delete;

  void OnStateChange(int newState);
  // -1 for Up, +1 for Down; stops at Start and Quit and steps over Options.
  void MoveSelection(int delta);
  // Slides and fades the elements, shows the highlight once the bars are in, fills the high-score labels in
  // the high-score screen and turns the title scene.
  void Update(float dt);

  // The black sky, the ship with its engine trail, the title model and the warp tunnel around the ship.
  void SetupTitleScene();
  // Turns the ship slowly; the title model keeps 800 units ahead of it, a little to one side.
  void AnimateTitle(float dt);

  int selection = kStart;
  // The options screen's state; the screen is built but no state change shows it.
  int optionCell = 29, difficulty = 10, effects = 23, resolution = 16, controlSlot = 1;
  bool captureKey = false;
  int elementCount = kElementCount;
  std::array<MenuElement, kElementCount> elements;
  int state = 0;                // the last state passed to OnStateChange
  Model* ship = nullptr;        // null when its model could not be loaded
  Model* titleModel = nullptr;  // likewise
  std::array<TextLabel*, kScoreRows> nameLabels{};
  std::array<TextLabel*, kScoreRows> scoreLabels{};
};

extern Menu* g_menu;
