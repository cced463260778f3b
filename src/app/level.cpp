// The engine's side of a level: loading with a fresh ship, the level's events, the game update along the
// rail, the collision pass, the end-of-frame purge and clearing the level.
#include <algorithm>
#include <string>

#include "app/engine.h"
#include "app/game_state.h"
#include "app/timer.h"
#include "game/player.h"
#include "game/projectile.h"
#include "graphics/graphics.h"
#include "graphics/level_event.h"
#include "platform/services.h"

namespace {

// Deletes and removes the dead objects of a list; the others keep their order.
void PurgeDead(std::vector<Projectile*>& list) {
  auto keep = std::stable_partition(list.begin(), list.end(), [](Projectile* p) { return !p->dead; });
  for (auto it = keep; it != list.end(); ++it) delete *it;
  list.erase(keep, list.end());
}

int StateForCameraMode(int mode) {
  if (mode == 7) return kRailView;
  if (mode == 6) return kSideView;
  return kTopView;
}

math::Vec3 ToVec3(const float v[3]) { return {v[0], v[1], v[2]}; }

void Store(float out[3], const math::Vec3& v) {
  out[0] = v.x;
  out[1] = v.y;
  out[2] = v.z;
}

}  // namespace

std::string Engine::ScriptFileName(const std::string& levelFile) {
  // The level's name without its extension (only when it has one), then "Events.txt".
  std::string base = levelFile;
  const size_t dot = base.find_last_of('.');
  const size_t slash = base.find_last_of("\\/");
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) base.erase(dot);
  return "Assets\\Levels\\" + base + "Events.txt";
}

bool Engine::LoadLevel(const char* file) {
  DeleteObjectLists();

  // Weapons carry over a reload: the last player's values win; a new game starts with the defaults.
  int weaponCode = 1, weaponLevel = 0, primaryLevel = 1;
  for (Player* p : players) {
    weaponCode = p->GetWeaponCode();
    weaponLevel = p->GetWeaponLevel();
    primaryLevel = p->GetPrimaryLevel();
    delete p;
  }
  players.clear();

  const int startMode = graphics->LoadLevel(file);
  if (startMode <= 0) {
    // The game cannot be played without the level's track: say which file, and go back to the menu.
    services.dialogs().ShowMessage(std::string("The level \"") + file + "\" could not be loaded.",
                                   "Ridov Korvessa Ravizod");
    ClearLevel();
    SetState(kMainMenu);
    return false;
  }
  graphics->SetSkybox(0);

  auto* player = new Player(this, &previousState);
  player->SetWeaponCode(weaponCode);
  player->SetWeaponLevel(weaponLevel);
  player->SetPrimaryLevel(primaryLevel);
  player->railSegment = 0;
  player->railProgress = 0.0f;
  players.push_back(player);

  scriptFile = ScriptFileName(file);
  graphics->colorAdd[0] = graphics->colorAdd[1] = graphics->colorAdd[2] = 0.0f;
  SetState(StateForCameraMode(startMode));
  return true;
}

void Engine::ClearLevel() {
  DeleteLevelObjects();
  graphics->ClearScene();
  graphics->EnterTitleMode();
  score = 0;
}

void Engine::ProcessLevelEvents() {
  LevelEvent event;
  // The place is read afresh for each event: an event may change the level or the player.
  while (!players.empty() &&
         graphics->NextEvent(players[0]->railSegment, players[0]->railProgress, &event)) {
    switch (event.kind) {
      case kCameraView:
        SetState(kLevelStart);
        graphics->camera.BeginTransition(event.a >= 0 && event.a <= 2 ? event.a : 3);
        break;
      case kCameraDone: {
        const int mode = graphics->camera.GetMode();
        if (mode >= 5 && mode <= 7) SetState(StateForCameraMode(mode));
        break;
      }
      case kGameSpeed:
        g_gameSpeed = static_cast<float>(event.a);
        break;
      case kEnemySpawn:
      case kScriptStep:
        // Enemies and the level script join with their subsystems.
        break;
      default:
        break;
    }
  }
}

void Engine::UpdateGame() {
  if (players.empty()) return;
  ProcessLevelEvents();
  if (players.empty()) return;

  Timer timer;
  Player* player = players[0];
  math::Vec3 point, sideAxis, upAxis, forwardAxis;
  graphics->UpdatePath(&player->railSegment, &player->railProgress, static_cast<float>(timer.GetFrameMs()),
                       g_gameSpeed, &point, &sideAxis, &upAxis, &forwardAxis);
  Store(up, upAxis);
  Store(side, sideAxis);
  Store(forward, forwardAxis);

  graphics->camera.SetFollow(player->GetCameraYaw(), player->GetCameraPitch());
  graphics->camera.Update(static_cast<float>(timer.GetFrameMs()), player->railSegment, player->railProgress);

  const bool fast = state == kRailView;
  for (Projectile* p : objects) p->Update(fast);
  for (Projectile* p : enemyObjects) p->Update(false);
  for (Player* p : players) {
    if (state != kLevelStart) p->Update();
    p->UpdateTransform(point, ToVec3(forward), ToVec3(up), ToVec3(side));
  }
}

void Engine::CheckCollisions() { collision.Update(players, {}, objects, enemyObjects); }

void Engine::PurgeObjects() {
  PurgeDead(objects);
  PurgeDead(enemyObjects);
  objects.insert(objects.end(), pendingObjects.begin(), pendingObjects.end());
  pendingObjects.clear();
}
