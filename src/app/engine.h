// The one top-level game object: owns the subsystems, holds the game state, the score and the frame driver.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "app/input.h"
#include "console/console.h"
#include "game/collision.h"
#include "math/math3d.h"
#include "math/saturating.h"

namespace plat {
class Services;
}
class EnemyManager;
class Graphics;
class Player;
class Projectile;
class SoundSystem;
class Sprite;
struct SoundSlot;

class Engine;
extern Engine* g_engine;
extern float g_gameSpeed;

// Source rectangle of one score digit in the "hud_score.bmp" atlas, in texels.
struct DigitRect {
  int left, top, right, bottom;
  bool operator==(const DigitRect&) const = default;
};

class Engine {
 public:
  static constexpr int kScoreDigits = 7;

  explicit Engine(plat::Services& services);
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // One frame: clock, input, per-state step, updates, render, purge.
  void Frame();
  void SetState(int s);
  // Window focus lost and regained.
  void Pause();
  void RestoreState();
  void CreateInput();
  void ReleaseInput();

  Player* GetPlayer() { return players[0]; }
  // The console may set the score to any value: the sum stops at the ends of int.
  void AddScore(int n) { score = math::SaturatingAdd(score, n); }
  void AddObject(Projectile* object) { pendingObjects.push_back(object); }
  // Sound slot 0 to 11 (null outside, or without a sound system) and its play: in space at the position with
  // the velocity when positional, else flat. A null slot plays nothing.
  SoundSlot* GetSound(int slot);
  void PlaySound(SoundSlot* slot, float px, float py, float pz, float vx, float vy, float vz,
                 bool positional);
  void UpdateScoreDisplay();

  // Loads a level with a fresh ship and enters its start view; a level that cannot be loaded leaves the
  // game in the main menu (false).
  bool LoadLevel(const char* file);
  void ClearLevel();
  void ProcessLevelEvents();
  void UpdateGame();
  void CheckCollisions();
  void PurgeObjects();
  // The black sky and one warp tunnel (a free particle system) around the ship: in the title scene the first
  // entity model, in play player 0's, following the rail's axes.
  void StartWarpEffect(bool title);

  // The digit cells shown for a score: element 0 is the ones digit.
  static std::array<DigitRect, kScoreDigits> ScoreDigitRects(int score);
  // Horizontal place of score digit k as a fraction of the screen width.
  static float ScoreDigitX(int k);
  // The level script that goes with a level file: "Assets\Levels\" + its name without its last four
  // characters + "Events.txt".
  static std::string ScriptFileName(const std::string& levelFile);

  int state = 0;
  SoundSystem* sound = nullptr;  // owned
  int score = 0;
  int fps = 0;
  int frameCount = 0;
  int fpsMs = 0;
  int previousState = 0;
  // The rail frame's axes, written every play frame; effects may track them.
  math::Vec3 forward{0.0f, 0.0f, 1.0f};
  math::Vec3 up{0.0f, 1.0f, 0.0f};
  math::Vec3 side{1.0f, 0.0f, 0.0f};
  std::vector<Projectile*> objects;
  std::vector<Projectile*> pendingObjects;
  std::vector<Projectile*> enemyObjects;
  std::vector<Player*> players;
  Input* input = nullptr;
  CollisionSystem collision;
  Graphics* graphics = nullptr;          // owned; the same object as g_graphics
  EnemyManager* enemyManager = nullptr;  // owned
  // The developer console with its registered functions and variables.
  Console console;

  int keyLeft, keyRight, keyDown, keyUp, keyPause, keyFire, keySecondary, keySpecial;

  // The digit cells most recently given to the score display.
  std::array<DigitRect, kScoreDigits> scoreDigitRects{};
  // "Paused.dds", shown only while paused; null when the picture could not be loaded.
  Sprite* pauseSprite = nullptr;
  // Element 0 shows the ones digit, element 6 the millions; null where the atlas could not be loaded.
  std::array<Sprite*, kScoreDigits> scoreDigits{};
  // The current level's script file (read by the display).
  std::string scriptFile;
  // Per play view (top, side, rail), the game time at which each direction key (left, right, up, down) was
  // last let go: a quick second press dashes.
  int releaseTimes[3][4] = {};

 private:
  // Creates the sound system, the graphics object and the input object. Throws when the graphics cannot
  // start: the game cannot run without them, and the failure has been shown already.
  void InitSubsystems();
  void CreateScreenSprites();
  void SetScoreDigitsVisible(bool visible);
  void ReleaseGraphics();
  void ReleaseSound();
  void DeleteObjectLists();
  void DeleteLevelObjects();
  int MenuSelection() const;

  void HandleSplashInput();
  void HandleMenuInput();
  void HandlePausedInput();
  void HandleConsoleInput();
  void HandleGameOverInput();
  void HandleNameEntryInput();
  void HandleTopViewInput();
  void HandleSideViewInput();
  void HandleRailViewInput();
  bool HandlePlayKeys();

  plat::Services& services;
  int splashClock1 = 0;
  int splashClock2 = 0;
  // The pause and the console each return to the state they interrupted; the single previousState
  // would otherwise let a focus change inside the console trap the game between the two.
  bool pausedByFocus = false;
  int pauseReturnState = 0;
  int consoleReturnState = 0;
};
