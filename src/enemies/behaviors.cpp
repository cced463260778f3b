// The formation behaviours (placeholders until the behaviours land).
#include "enemies/behaviors.h"

#include "enemies/enemy.h"

void SimpleLine(Enemy*) {}
void TripleShot(Enemy*) {}
void RotateCannon(Enemy*) {}
void LaserFollow(Enemy*) {}
void LoopUpLeft(Enemy*) {}
void LoopDownRight(Enemy*) {}
void HookUpLeft(Enemy*) {}
void HookDownRight(Enemy*) {}
void Follow(Enemy*) {}
void Rotate(Enemy*) {}
void WaveUpLeft(Enemy*) {}
void WaveDownRight(Enemy*) {}
void RailBasicLeft(Enemy*) {}
void RailBasicRight(Enemy*) {}
void Asteroid(Enemy*) {}
