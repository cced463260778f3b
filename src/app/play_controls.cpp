// The control handlers of the three play views: the bound keys drive the ship's axes with each view's
// rates, a quick second press of a direction key dashes, and the fire keys fire.
#include "app/engine.h"
#include "app/game_state.h"
#include "app/timer.h"
#include "game/player.h"
#include "platform/keyboard.h"

namespace {

using Accelerate = void (Player::*)(float rate, float limit);
using Brake = void (Player::*)(float rate);
using Dash = void (Player::*)();

// Pressing a direction key again less than this long after letting it go starts a dash.
constexpr int kDoubleTapMs = 100;

struct AxisKey {
  int Engine::*key;
  Accelerate accelerate;
  Dash dash;  // null where the key does not dash in this view
  int releaseSlot;
};

struct Axis {
  AxisKey keys[2];  // in the order they are tested
  Brake brake;
  float rate, max, brakeRate;
};

enum ReleaseSlot { kLeft, kRight, kUp, kDown };

// Top view: up/down drive depth, left/right lateral; only left and right dash.
const Axis kTopAxes[2] = {
    {{{&Engine::keyDown, &Player::AccelerateBack, nullptr, kDown},
      {&Engine::keyUp, &Player::AccelerateForward, nullptr, kUp}},
     &Player::BrakeZ,
     60.0f,
     15.0f,
     60.0f},
    {{{&Engine::keyLeft, &Player::AccelerateLeft, &Player::DashLeft, kLeft},
      {&Engine::keyRight, &Player::AccelerateRight, &Player::DashRight, kRight}},
     &Player::BrakeX,
     60.0f,
     15.0f,
     60.0f},
};

// Side view: left/right drive depth, up/down vertical; only up and down dash.
const Axis kSideAxes[2] = {
    {{{&Engine::keyLeft, &Player::AccelerateBack, nullptr, kLeft},
      {&Engine::keyRight, &Player::AccelerateForward, nullptr, kRight}},
     &Player::BrakeZ,
     60.0f,
     15.0f,
     60.0f},
    {{{&Engine::keyUp, &Player::AccelerateUp, &Player::DashUp, kUp},
      {&Engine::keyDown, &Player::AccelerateDown, &Player::DashDown, kDown}},
     &Player::BrakeY,
     60.0f,
     15.0f,
     60.0f},
};

// Rail view: up/down vertical, left/right lateral; all four dash.
const Axis kRailAxes[2] = {
    {{{&Engine::keyDown, &Player::AccelerateDown, &Player::DashDown, kDown},
      {&Engine::keyUp, &Player::AccelerateUp, &Player::DashUp, kUp}},
     &Player::BrakeY,
     40.0f,
     10.0f,
     10.0f},
    {{{&Engine::keyLeft, &Player::AccelerateLeft, &Player::DashLeft, kLeft},
      {&Engine::keyRight, &Player::AccelerateRight, &Player::DashRight, kRight}},
     &Player::BrakeX,
     40.0f,
     25.0f,
     5.0f},
};

enum class FireStep { FirePressed, FireHeld, WeaponHeld, WeaponReleased, SpecialHeld };

const FireStep kTopFire[5] = {FireStep::FirePressed, FireStep::FireHeld, FireStep::WeaponReleased,
                              FireStep::WeaponHeld, FireStep::SpecialHeld};
const FireStep kSideFire[5] = {FireStep::FirePressed, FireStep::FireHeld, FireStep::WeaponHeld,
                               FireStep::WeaponReleased, FireStep::SpecialHeld};
const FireStep kRailFire[5] = {FireStep::FirePressed, FireStep::FireHeld, FireStep::WeaponHeld,
                               FireStep::SpecialHeld, FireStep::WeaponReleased};

// One movement axis: each key in turn records its release time, dashes on a quick second press and
// accelerates while held; with neither key held the axis brakes.
void DriveAxis(Engine& e, const Axis& axis, int (&releaseTimes)[4]) {
  Player* player = e.players[0];
  const Input& input = *e.input;
  const int now = Timer().GetTimeMs();
  bool anyHeld = false;
  for (const AxisKey& k : axis.keys) {
    const int code = e.*k.key;
    int& releasedAt = releaseTimes[k.releaseSlot];
    if (k.dash != nullptr && input.KeyReleased(code)) releasedAt = now;
    if (!input.KeyHeld(code)) continue;
    anyHeld = true;
    if (k.dash != nullptr && now - releasedAt < kDoubleTapMs) (player->*k.dash)();
    (player->*k.accelerate)(axis.rate, axis.max);
  }
  if (!anyHeld) (player->*axis.brake)(axis.brakeRate);
}

// The fire keys in the view's order; every shot a call returns joins the live list at once.
void FireKeys(Engine& e, const FireStep (&steps)[5]) {
  Player* player = e.players[0];
  const Input& input = *e.input;
  const int keyFire = e.keyFire, keySecondary = e.keySecondary, keySpecial = e.keySpecial;
  auto keep = [&e](std::vector<Projectile*> shots) {
    e.objects.insert(e.objects.end(), shots.begin(), shots.end());
  };
  for (FireStep step : steps) {
    switch (step) {
      case FireStep::FirePressed:
        if (input.KeyPressed(keyFire)) keep(player->FirePrimary(input.KeyHoldTime(keyFire), false));
        break;
      case FireStep::FireHeld:
        if (input.KeyHeld(keyFire)) keep(player->FirePrimary(input.KeyHoldTime(keyFire), true));
        break;
      case FireStep::WeaponHeld:
        if (input.KeyHeld(keySecondary)) keep(player->FireWeapon(input.KeyHoldTime(keySecondary)));
        break;
      case FireStep::WeaponReleased:
        if (input.KeyReleased(keySecondary)) player->StopChargeSound();
        break;
      case FireStep::SpecialHeld:
        if (input.KeyHeld(keySpecial)) keep(player->FireSuper(input.KeyHoldTime(keySpecial)));
        break;
    }
  }
}

}  // namespace

// Grave opens the console (the frame goes on); Escape leaves the game. False when the handler must stop.
bool Engine::HandlePlayKeys() {
  if (input->KeyPressed(plat::key::Grave)) SetState(kConsole);
  if (input->KeyPressed(plat::key::Escape)) {
    ClearLevel();
    SetState(kMainMenu);
    return false;
  }
  return !players.empty() && players[0]->IsAlive();
}

void Engine::HandleTopViewInput() {
  if (input == nullptr || !HandlePlayKeys()) return;
  DriveAxis(*this, kTopAxes[0], releaseTimes[0]);
  DriveAxis(*this, kTopAxes[1], releaseTimes[0]);
  FireKeys(*this, kTopFire);
}

void Engine::HandleSideViewInput() {
  if (input == nullptr || !HandlePlayKeys()) return;
  DriveAxis(*this, kSideAxes[0], releaseTimes[1]);
  DriveAxis(*this, kSideAxes[1], releaseTimes[1]);
  FireKeys(*this, kSideFire);
}

void Engine::HandleRailViewInput() {
  if (input == nullptr || !HandlePlayKeys()) return;
  DriveAxis(*this, kRailAxes[0], releaseTimes[2]);
  if (input->KeyHeld(plat::key::Q)) players[0]->DashLeft();
  DriveAxis(*this, kRailAxes[1], releaseTimes[2]);
  FireKeys(*this, kRailFire);
}
