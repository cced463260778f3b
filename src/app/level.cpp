// The engine's side of a level: loading, clearing, the game update and the end-of-frame purge.
#include <algorithm>

#include "app/engine.h"
#include "game/player.h"
#include "game/projectile.h"
#include "graphics/graphics.h"

namespace {

// Deletes and removes the dead objects of a list; the others keep their order.
void PurgeDead(std::vector<Projectile*>& list) {
  auto keep = std::stable_partition(list.begin(), list.end(), [](Projectile* p) { return !p->dead; });
  for (auto it = keep; it != list.end(); ++it) delete *it;
  list.erase(keep, list.end());
}

}  // namespace

void Engine::LoadLevel(const char*) {
  DeleteLevelObjects();
  // A loaded level renders in level mode; without a track yet it starts in the top view.
  graphics->titleMode = false;
  SetState(13);
}

void Engine::ClearLevel() {
  DeleteLevelObjects();
  graphics->ClearScene();
  graphics->EnterTitleMode();
  score = 0;
}

void Engine::UpdateGame() {
  if (players.empty()) return;
}

void Engine::CheckCollisions() {}

void Engine::PurgeObjects() {
  PurgeDead(objects);
  PurgeDead(enemyObjects);
  objects.insert(objects.end(), pendingObjects.begin(), pendingObjects.end());
  pendingObjects.clear();
}
