// The game's numbered states, held in Engine::state; screens show their elements by these numbers too.
#pragma once

enum GameState : int {
  kFirstSplash = 1,
  kSecondSplash = 2,
  kLastSplash = 5,
  kMainMenu = 6,
  kOptions = 7,
  kHighScoreScreen = 8,
  kGameStart = 11,
  kLevelStart = 12,
  kTopView = 13,
  kSideView = 14,
  kRailView = 15,
  kPaused = 16,
  kConsole = 17,
  kGameOver = 18,
  kGameWon = 19,
  kNameEntry = 20,
};
