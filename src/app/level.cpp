// The engine's side of a level: loading with a fresh ship, the level's events, the game update along the
// rail, the collision pass, the end-of-frame purge and clearing the level.
#include <algorithm>
#include <cstdio>
#include <string>

#include "app/engine.h"
#include "app/game_state.h"
#include "app/sound_system.h"
#include "app/timer.h"
#include "enemies/enemy_manager.h"
#include "frontend/hud.h"
#include "game/player.h"
#include "game/projectile.h"
#include "graphics/graphics.h"
#include "graphics/level_event.h"
#include "graphics/model.h"
#include "graphics/particle_system.h"
#include "platform/services.h"

namespace {

// Deletes and removes the dead objects of a list; the others keep their order.
void PurgeDead(std::vector<Projectile*>& list) {
  auto keep = std::stable_partition(list.begin(), list.end(), [](Projectile* p) { return !p->dead; });
  for (auto it = keep; it != list.end(); ++it) delete *it;
  list.erase(keep, list.end());
}

int StateForCameraMode(int mode) {
  if (mode == kModeChase) return kRailView;
  if (mode == kModeSide) return kSideView;
  return kTopView;
}

}  // namespace

std::string Engine::ScriptFileName(const std::string& levelFile) {
  // The level's name without its last four characters (its extension); a shorter name loses all it has.
  const std::string base = levelFile.substr(0, levelFile.size() - std::min<size_t>(levelFile.size(), 4));
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
  if (g_hud != nullptr) {
    g_hud->ClearScriptEvents();
    g_hud->LoadScriptEvents(scriptFile);
  }
  sound->PlayMusic(kLevelMusic, true);
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
  while (!players.empty() && graphics->NextEvent(players[0]->railSegment, players[0]->railProgress, &event)) {
    switch (event.kind) {
      case kCameraView:
        enemyManager->Clear();
        SetState(kLevelStart);
        graphics->camera.BeginTransition(event.a >= kViewChase && event.a <= kViewTop ? event.a : kViewOrbit);
        break;
      case kCameraDone: {
        const int mode = graphics->camera.GetMode();
        if (mode >= kModeTop && mode <= kModeChase) SetState(StateForCameraMode(mode));
        break;
      }
      case kGameSpeed:
        g_gameSpeed = static_cast<float>(event.a);
        break;
      case kScriptStep:
        PlaySound(GetSound(kSoundCursor), 0, 0, 0, 0, 0, 0, false);
        if (g_hud != nullptr) g_hud->NextScriptEvent(true);
        break;
      case kEnemySpawn:
        if (!enemyManager->SpawnEnemy(event.a, event.b, event.x, event.y, event.z)) {
          std::fprintf(
              stderr,
              "Level: an enemy spawn of enemy %d and formation %d made nothing (ids the tables lack, or "
              "a boss whose model is unfit)\n",
              event.a, event.b);
        }
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
  math::Vec3 point;
  graphics->UpdatePath(&player->railSegment, &player->railProgress, static_cast<float>(timer.GetFrameMs()),
                       g_gameSpeed, &point, &side, &up, &forward);

  graphics->camera.SetFollow(player->GetCameraYaw(), player->GetCameraPitch());
  graphics->camera.Update(static_cast<float>(timer.GetFrameMs()), player->railSegment, player->railProgress);
  enemyManager->SetAxes(up.x, up.y, up.z, side.x, side.y, side.z, forward.x, forward.y, forward.z);

  const bool fast = state == kRailView;
  for (Projectile* p : objects) p->Update(fast);
  for (Projectile* p : enemyObjects) p->Update(false);
  for (Player* p : players) {
    if (state != kLevelStart) p->Update();
    p->UpdateTransform(point, forward, up, side);
  }
}

void Engine::CheckCollisions() {
  const std::vector<Entity*> enemies = enemyManager->Members();
  collision.Update(players, enemies, objects, enemyObjects);
}

void Engine::PurgeObjects() {
  PurgeDead(objects);
  PurgeDead(enemyObjects);
  objects.insert(objects.end(), pendingObjects.begin(), pendingObjects.end());
  pendingObjects.clear();
}

void Engine::StartWarpEffect(bool title) {
  graphics->SetSkybox(2);
  for (const ParticleSystem* system : graphics->freeParticleSystems) {
    if (system != nullptr && system->kind == kWarpParticles) return;  // one tunnel at a time
  }
  Model* owner = nullptr;
  if (title) {
    if (!graphics->entityModels.empty()) owner = graphics->entityModels[0];
  } else if (!players.empty()) {
    owner = players[0]->GetModel();
  }
  if (owner == nullptr) return;

  // The tunnel rings the first lock point of the ship's second part; a model without one lends its own
  // position and axes.
  const ObjectPart* part = owner->parts.size() > 1 ? owner->parts[1] : nullptr;
  ParticleEffectDesc desc;
  desc.owner = owner;
  desc.kind = kWarpParticles;
  desc.count = 4096;
  desc.attached = false;
  const bool lockPoint = part != nullptr && !part->lockPoints.empty();
  desc.vecA = lockPoint ? &part->lockPoints[0].worldPosition : &owner->position;
  if (title) {
    desc.vecC = part != nullptr ? &part->worldZAxis : &owner->zAxis;
    desc.vecD = part != nullptr ? &part->worldXAxis : &owner->xAxis;
    desc.vecE = part != nullptr ? &part->worldYAxis : &owner->yAxis;
    desc.size = 80.0f;
    desc.pointSize = 10.0f;
  } else {
    desc.vecC = &forward;
    desc.vecD = &side;
    desc.vecE = &up;
    desc.size = 800.0f;
    desc.pointSize = 15.0f;
  }
  graphics->SpawnParticleSystem(&desc);
}
