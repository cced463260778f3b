// Projectile base.
#include "game/projectile.h"

void Projectile::Update(bool) {}
