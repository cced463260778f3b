// Engine construction, destruction and its small services (score display, input object).
#include "app/engine.h"

#include <cstdio>
#include <stdexcept>
#include <string>

#include "app/timer.h"
#include "game/player.h"
#include "game/projectile.h"
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

  InitSubsystems();
  SetState(1);
  scoreDigitRects = ScoreDigitRects(score);
}

void Engine::InitSubsystems() {
  // Sound, graphics, the enemy manager and the console join here as they are built.
  CreateInput();
}

Engine::~Engine() {
  // Users of the graphics object go first, then the graphics object, then sound and input.
  DeleteLevelObjects();
  ReleaseInput();
}

void Engine::DeleteLevelObjects() {
  for (auto* list : {&enemyObjects, &pendingObjects, &objects}) {
    for (Projectile* p : *list) delete p;
    list->clear();
  }
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

float Engine::ScoreDigitX(int k) { return 0.82f + 0.025f * static_cast<float>(6 - k); }

void Engine::UpdateScoreDisplay() { scoreDigitRects = ScoreDigitRects(score); }
