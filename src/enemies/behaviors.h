// The formation behaviours: each moves, fires and ends one enemy per call, once per frame, keeping its state
// in the enemy's scratch entries.
#pragma once

class Enemy;

using Behavior = void (*)(Enemy*);

void SimpleLine(Enemy* enemy);
void TripleShot(Enemy* enemy);
void RotateCannon(Enemy* enemy);
void LaserFollow(Enemy* enemy);
void LoopUpLeft(Enemy* enemy);
void LoopDownRight(Enemy* enemy);
void HookUpLeft(Enemy* enemy);
void HookDownRight(Enemy* enemy);
void Follow(Enemy* enemy);
void Rotate(Enemy* enemy);
void WaveUpLeft(Enemy* enemy);
void WaveDownRight(Enemy* enemy);
void RailBasicLeft(Enemy* enemy);
void RailBasicRight(Enemy* enemy);
void Asteroid(Enemy* enemy);

// The behaviour named exactly (case and length) by a table word, or null.
Behavior FindBehavior(const char* name);
