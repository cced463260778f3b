// Every enemy, boss body and destroyable boss part: hit flashes, behaviour state, the damage rules of the
// part-based bosses, the shared death (score, explosion, sound, drop) and the carry along with the camera.
#pragma once

#include <cstdint>

#include "game/entity.h"

// Enemy type ids with a meaning of their own: the four bosses.
enum EnemyTypeId { kPhantomId = 6, kPsychoRearId = 7, kPsychoSideId = 8, kPsychoFrontId = 9 };

class Enemy : public Entity {
 public:
  static constexpr int kSlots = 10;

  Enemy();
  // A boss's body and parts point at each other: whichever is deleted first takes itself out of the other's
  // links, so no link is ever left on a deleted enemy.
  ~Enemy() override;

  // Takes the other object's contact damage by the rules of this enemy's type; nothing while the enemy
  // manager's start delay runs.
  void OnCollision(Entity* other, int part) override;

  // Ends an enemy whose health is gone or whose lifetime is over. With a timeout (not 0) and an age of at
  // least that, a silent removal; else a kill: score, explosion, sound and a one-in-dropOneIn power-up.
  static void Die(Enemy* enemy, int timeoutMs, int dropOneIn);
  // A kill's pay: the enemy's score goes to the engine's. Die pays it; a boss pays when the player's fire
  // ends its body or a separate part.
  void PayScore() const;
  // Moves the enemy's model along the rail's forward axis at the rail speed for one frame, so it keeps its
  // place relative to the rail camera.
  static void MoveWithCamera(Enemy* enemy);
  // One frame of model part slot's hit flash: while lit and with flash time left it blinks up and down at 4
  // a second and the time counts down; otherwise the flash is off. Nothing without that part.
  void StepHitFlash(int slot, bool lit);

  int hitFlashMs[kSlots] = {};      // flash left per model part
  uint8_t flashPhase[kSlots] = {};  // 0 rising, 1 falling
  int typeId = -1;
  int spawnDelayMs = 0;  // member index times the formation's delay step
  int scratch[kSlots];   // behaviour state, -1 = unset; [5] is the fire jitter
  float scratchF[kSlots] = {};
  Enemy* linkA = nullptr;  // boss links: a part's body, or a body's first part
  Enemy* linkB = nullptr;  // a body's second part
  int health = 0;
  int score = 0;
  bool remove = false;    // the group deletes the enemy on its next update
  float speed = 0.0f;     // read by the Follow behaviour only
  bool chainHit = false;  // set by a chaining rail shot's hit; never cleared
};
