// The player's ship: health, lives, bombs, weapon selection, hit flash, death and respawn, the dash, and its
// movement within a box around the rail point (player_movement.cpp).
#pragma once

#include <string>
#include <vector>

#include "game/entity.h"
#include "math/math3d.h"

class Engine;
class Graphics;
class Helper;
class Model;
class Projectile;
struct LockPoint;

// The weapon codes: 1 is the primary gun (no secondary weapon selected), 2 to 5 the secondary weapons.
enum WeaponCode : int { kBeamGun = 1, kRayCannon = 2, kSpreadShot = 3, kMissiles = 4, kRailgun = 5 };

class Player : public Entity {
 public:
  static constexpr int kMaxHealth = 5;
  static constexpr int kStartLives = 2;
  static constexpr int kStartBombs = 3;
  static constexpr int kDashMs = 500;
  static constexpr int kDashCooldownMs = 1000;
  static constexpr int kFlashMs = 2500;
  static constexpr int kTintFadeMs = 500;
  static constexpr int kRespawnMs = 2000;
  static constexpr int kMaxHelpers = 4;

  // The engine's current state picks the view; previousState is the engine's previous-state field. Either
  // may be null (no view then: movement is not clamped).
  Player(Engine* engine, int* previousState);
  ~Player() override;

  void Init();
  // Per frame in the three play views (states 13, 14 and 15).
  void Update();
  void OnCollision(Entity* other, int part) override;

  void PickUpWeapon(int code);
  int GetWeaponCode() const { return weaponCode; }
  void SetWeaponCode(int code) { weaponCode = code; }
  int GetWeaponLevel() const { return weaponLevel; }
  void SetWeaponLevel(int level) { weaponLevel = level; }
  int GetPrimaryLevel() const { return primaryLevel; }
  void SetPrimaryLevel(int level) { primaryLevel = level; }

  void SetHealth(int h);
  int GetHealth() const { return health; }
  int GetLives() const { return lives; }
  void SetLives(int n) { lives = n; }
  int GetBombs() const { return bombs; }
  bool IsAlive() const { return !shipDead; }
  void SetStartFlag() { startFlag = true; }

  // Radians for the chase camera's follow.
  float GetCameraYaw() const { return cameraYawSource * 0.009696267f; }
  float GetCameraPitch() const { return cameraPitchSource * 0.01163552f; }

  // A dash starts unless one runs or the last began less than 1000 ms ago.
  void DashRight();
  void DashLeft();
  void DashUp();
  void DashDown();
  // Time since the last dash start over the cool-down, 0..1.
  float GetDashCharge() const;

  // Shows the next helper at the ship's position; nothing once all four are shown.
  void AddHelper();
  int GetHelperCount() const { return helperCount; }
  // Helper i (0 to 3), shown or not; null outside.
  Helper* GetHelper(int i) const { return i >= 0 && i < kMaxHelpers ? helpers[i] : nullptr; }

  // The weapons (weapons.cpp): every fire call returns the shots it made, in creation order; the caller
  // owns them. A fresh press of the primary fires whatever its cool-down; the held key waits for it.
  std::vector<Projectile*> FirePrimary(int holdTimeMs, bool held);
  std::vector<Projectile*> FireWeapon(int holdTimeMs);
  // Spends a bomb on a level-4 shot of the current weapon, or on one second of level-4 rapid fire for the
  // Spread Shot and the missiles. Nothing without bombs.
  std::vector<Projectile*> FireSuper(int holdTimeMs);
  // Once per frame: the rapid fire's level-4 shots of the current weapon, until its second has run out.
  std::vector<Projectile*> UpdateRapidFire();
  void StopChargeSound();
  void SetBombs(int n) { bombs = n; }
  int GetLastWeaponShot() const { return lastWeaponShot; }
  int GetRapidFireLeft() const { return rapidFireLeft; }
  float GetChargeHum() const { return chargeHum; }

  // Movement (player_movement.cpp). Rates are per second; an acceleration limits only the side it pushes to.
  void AccelerateLeft(float rate, float limit);
  void AccelerateRight(float rate, float limit);
  void AccelerateUp(float rate, float limit);
  void AccelerateDown(float rate, float limit);
  void AccelerateForward(float rate, float limit);
  void AccelerateBack(float rate, float limit);
  void BrakeX(float rate);
  void BrakeY(float rate);
  void BrakeZ(float rate);
  void UpdateMovement();
  // Places the ship, its reticles and its banking from the rail point and the rail's forward, up and right.
  // The ship's model normalises the axes before the ship is placed along them; the caller's stay as they are.
  void UpdateTransform(const math::Vec3& point, math::Vec3 forward, math::Vec3 up, math::Vec3 right);
  // Per frame of a camera transition: glides the offsets and velocities back to 0 over one second.
  void UpdateLevelStart();

  // The lock point of ship part 0 named exactly `name` (the last one when several are), or null.
  const LockPoint* FindLockPoint(const char* name) const;
  // The four engine exhausts: one per engine (model parts 1 to 4), at its first lock point and blown along
  // its forward axis; a part or lock point the model lacks gets none. Returns how many were attached.
  static int AttachExhausts(Graphics& graphics, Model* ship);
  // Name of helper station i for a state: "HelperTop<i>" (13), "HelperSide<i>" (14), "HelperRail<i>" (15),
  // else just the number.
  static std::string HelperStationName(int state, int index);

  // Read by the display and the tests.
  bool IsFlashing() const { return flashing; }
  bool IsDashing() const { return dashing; }
  float GetAlpha() const { return alpha; }
  int GetRoll() const { return roll; }
  int GetRayLockPoint() const { return rayLockPoint; }
  Model* GetReticle(int i) const { return (i == 0 || i == 1) ? reticles[i] : nullptr; }

  // The rail position, advanced by the engine's path update.
  int railSegment = 0;
  float railProgress = 0.0f;
  // Ship offset from the rail point along the rail's right, up and forward axes, and its velocity (per
  // second, before the per-axis scales).
  math::Vec3 offset;
  math::Vec3 velocity;
  bool godmode = false;

 private:
  // Hands the reticle models back to the graphics object.
  void ReleaseReticles();
  void ReleaseHelpers();
  // Hides every helper; none is shown afterwards.
  void HideHelpers();
  // Each shown helper flies toward its station of the given view (HelperStationName) and takes the ship's
  // axes.
  void MoveHelpersToStations(int state);
  // The engine's current state, 0 without an engine.
  int State() const;
  // Every shown helper fires its own bullet into shots.
  void FireHelpers(std::vector<Projectile*>& shots);
  // The secondary weapons at the current level, after their helpers (weapons.cpp).
  void FireRayCannon(int holdTimeMs, std::vector<Projectile*>& shots);
  void FireSpreadShot(std::vector<Projectile*>& shots);
  void FireMissiles(std::vector<Projectile*>& shots);
  void FireRailgun(std::vector<Projectile*>& shots);
  void PlayShotSound(int slot);
  // One axis: 0 x, 1 y, 2 z; direction +1 or -1.
  void Accelerate(int axis, float direction, float rate, float limit);
  void Brake(int axis, float rate);
  void StartDash(int dx, int dy);
  // The dash's sideways motion and roll for one frame, and its end.
  void UpdateDash();
  void ClampToView();

  math::Vec3 offsetGlideRate;
  int weaponCode = kBeamGun;
  int weaponLevel = 1;
  int primaryLevel = 1;
  bool startFlag = false;
  float cameraYawSource = 0.0f;
  float cameraPitchSource = 0.0f;
  Engine* engine = nullptr;
  int* previousState = nullptr;
  Model* reticles[2] = {nullptr, nullptr};
  float velocityGlideRate[2] = {0.0f, 0.0f};
  int lastWeaponShot = 0;
  int lastPrimaryShot = 0;
  int health = kMaxHealth;
  bool flashing = false;
  int flashTime = 0;
  float alpha = 1.0f;
  float alphaRate = -1.55f;
  bool shipDead = false;
  int respawnTime = 0;
  int lives = kStartLives;
  int bombs = kStartBombs;
  int rapidFireLeft = 0;
  int roll = 0;
  int dashLeft = 0;
  bool dashing = false;
  int dashDirection[2] = {0, 0};
  int lastDashStart = 0;
  int helperCount = 0;
  Helper* helpers[kMaxHelpers] = {nullptr, nullptr, nullptr, nullptr};  // owned; made hidden by Init
  int rayLockPoint = -1;
  float chargeHum = 0.0f;
};
