// Game object base.
#include "game/entity.h"

#include "app/timer.h"

Entity::Entity() : spawnTimeMs(Timer().GetTimeMs()) {}

void Entity::OnCollision(Entity*, int) {}

int Entity::GetAgeMs() const { return Timer().GetTimeMs() - spawnTimeMs; }
