// The game states the engine steps through, from the splash screens to the name entry. The menu and the
// display show each screen element whose group equals the current state.
#pragma once

enum GameState : int {
  kFirstSplash = 1,
  kSecondSplash = 2,
  kThirdSplash = 3,  // the further splash states: nothing enters them
  kFourthSplash = 4,
  kLastSplash = 5,
  kMainMenu = 6,
  kOptions = 7,
  kHighScoreScreen = 8,
  kGameStart = 11,
  kLevelStart = 12,  // the level-start glide or a camera move
  kTopView = 13,
  kSideView = 14,
  kRailView = 15,  // the chase view
  kPaused = 16,
  kConsole = 17,
  kGameOver = 18,
  kGameWon = 19,
  kNameEntry = 20,
};
