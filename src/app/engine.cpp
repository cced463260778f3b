// Engine construction, destruction and its small services (score display, input object, sound slots).
#include "app/engine.h"

#include <cstdio>
#include <stdexcept>
#include <string>

#include "app/game_state.h"
#include "app/sound_system.h"
#include "app/timer.h"
#include "console/console_commands.h"
#include "enemies/enemy_manager.h"
#include "frontend/high_scores.h"
#include "frontend/hud.h"
#include "frontend/menu.h"
#include "game/player.h"
#include "game/projectile.h"
#include "graphics/graphics.h"
#include "graphics/sprite.h"
#include "platform/keyboard.h"
#include "platform/services.h"

Engine* g_engine = nullptr;
float g_gameSpeed = 50.0f;

Engine::Engine(plat::Services& s)
    : keyLeft(plat::key::Left),
      keyRight(plat::key::Right),
      keyDown(plat::key::Down),
      keyUp(plat::key::Up),
      keyPause(plat::key::Pause),
      keyFire(plat::key::D),
      keySecondary(plat::key::S),
      keySpecial(plat::key::A),
      services(s) {
  if (g_engine != nullptr) throw std::runtime_error("Two instances of Engine Class found");
  g_engine = this;

  Timer::SetClock(&services.clock());
  Timer timer;

  try {
    InitSubsystems();
  } catch (...) {
    // No destructor runs for a constructor that throws: release what was made and leave no engine behind.
    ReleaseInput();
    delete enemyManager;
    enemyManager = nullptr;
    ReleaseSound();
    ReleaseGraphics();
    g_engine = nullptr;
    throw;
  }
  console.Init();
  g_menu = new Menu();  // with the title scene
  SetState(kFirstSplash);
  console.RegisterVariable("ecount", &enemyManager->count, kIntVariable);
  console.RegisterVariable("fps", &fps, kIntVariable);
  console.RegisterVariable("score", &score, kIntVariable);
  console.RegisterVariable("speed", &g_gameSpeed, kFloatVariable);
  RegisterConsoleCommands(console);
  CreateScreenSprites();
  UpdateScoreDisplay();
  g_highScores = new HighScores(HighScores::kFile, services.files());
}

void Engine::InitSubsystems() {
  sound = new SoundSystem(services.audio());
  graphics = new Graphics();
  if (!graphics->Init(services, 800, 600, false)) {
    throw std::runtime_error("The graphics could not be started; the game cannot run without them.");
  }
  console.RegisterVariable("track", &graphics->showWaypoints, kBoolVariable);
  // The wall clock's seconds, read through the services so that a scripted clock makes a run repeatable.
  enemyManager =
      new EnemyManager(services.files(), static_cast<uint32_t>(services.clock().UnixTimeSeconds()));
  CreateInput();
}

void Engine::CreateScreenSprites() {
  // A picture that cannot be loaded leaves its pointer null (the loader reports it); nothing uses it then.
  graphics->CreateSprite(&pauseSprite, "Assets\\Art\\Paused.dds", 0.35f, 0.4f, 1.0f, 1.0f, nullptr, 1.0f,
                         nullptr, 1);
  if (pauseSprite != nullptr) pauseSprite->SetVisible(false);

  // The cell rectangle runs upward (top 40, bottom 0): the digit is drawn in the 40 pixels above its place.
  const plat::sprite::Rect zeroCell{0, 40, 20, 0};
  const plat::gpu::Argb blackKey = 0xFF000000;
  for (int k = 0; k < kScoreDigits; ++k) {
    Sprite*& digit = scoreDigits[static_cast<size_t>(k)];
    graphics->CreateSprite(&digit, "Assets\\Art\\hud_score.bmp", ScoreDigitX(k), 0.075f, 1.0f, 1.0f,
                           &zeroCell, 1.0f, &blackKey, 1);
    if (digit != nullptr) digit->SetVisible(false);
  }
}

void Engine::SetScoreDigitsVisible(bool visible) {
  for (Sprite* digit : scoreDigits) {
    if (digit != nullptr) digit->SetVisible(visible);
  }
}

Engine::~Engine() {
  // Users of the graphics object go first (level objects and players, the display, the enemies, the menu
  // and the high scores), then input, sound and the graphics object.
  DeleteLevelObjects();
  delete g_hud;
  g_hud = nullptr;
  delete enemyManager;
  enemyManager = nullptr;
  delete g_menu;
  g_menu = nullptr;
  delete g_highScores;  // saves the table
  g_highScores = nullptr;
  ReleaseInput();
  ReleaseSound();
  ReleaseGraphics();
}

void Engine::ReleaseSound() {
  delete sound;
  sound = nullptr;
}

SoundSlot* Engine::GetSound(int slot) {
  return sound != nullptr ? sound->GetSlot(slot) : nullptr;
}

void Engine::PlaySound(SoundSlot* slot, float px, float py, float pz, float vx, float vy, float vz,
                       bool positional) {
  if (sound == nullptr) return;
  if (!positional) {
    sound->Play(slot);
    return;
  }
  const float position[3] = {px, py, pz};
  const float velocity[3] = {vx, vy, vz};
  sound->Play3D(slot, position, velocity);
}

void Engine::ReleaseGraphics() {
  if (graphics == nullptr) return;
  graphics->Shutdown();
  delete graphics;
  graphics = nullptr;
  // The screen sprites belonged to it.
  pauseSprite = nullptr;
  scoreDigits.fill(nullptr);
}

void Engine::DeleteObjectLists() {
  for (auto* list : {&enemyObjects, &pendingObjects, &objects}) {
    for (Projectile* p : *list) delete p;
    list->clear();
  }
  if (enemyManager != nullptr) enemyManager->Clear();
}

void Engine::DeleteLevelObjects() {
  DeleteObjectLists();
  for (Player* p : players) delete p;
  players.clear();
}

void Engine::CreateInput() {
  ReleaseInput();
  input = new Input(services.keyboards(), services.clock());
  input->InitKeyboard();
}

void Engine::ReleaseInput() {
  if (input == nullptr) return;
  input->Release();
  delete input;
  input = nullptr;
}

std::array<DigitRect, Engine::kScoreDigits> Engine::ScoreDigitRects(int value) {
  constexpr int kCell = 20;
  constexpr DigitRect kBlank{200, 40, 220, 0};
  char text[16];
  const int length = std::snprintf(text, sizeof text, "%d", value);
  std::array<DigitRect, kScoreDigits> rects;
  rects.fill(kBlank);
  // The text read backwards: element 0 is the ones digit; a score above seven digits shows its lowest seven.
  for (int k = 0; k < kScoreDigits && k < length; ++k) {
    const char c = text[length - 1 - k];
    // A minus sign (a negative score set from the console) shows as a blank cell.
    if (c < '0' || c > '9') continue;
    const int d = c - '0';
    rects[k] = DigitRect{d * kCell, 40, d * kCell + kCell, 0};
  }
  return rects;
}

float Engine::ScoreDigitX(int k) {
  return 0.82f + 0.025f * static_cast<float>(6 - k);
}

void Engine::UpdateScoreDisplay() {
  scoreDigitRects = ScoreDigitRects(score);
  for (int k = 0; k < kScoreDigits; ++k) {
    Sprite* digit = scoreDigits[static_cast<size_t>(k)];
    if (digit == nullptr) continue;
    const DigitRect& r = scoreDigitRects[static_cast<size_t>(k)];
    const plat::sprite::Rect rect{r.left, r.top, r.right, r.bottom};
    digit->SetRect(&rect);
  }
}
