// The ship's movement within its box around the rail point: acceleration and braking per axis, the dash
// motion, the per-view clamps, the glide back to the centre, and the placement with banking and reticles.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "app/game_state.h"
#include "app/timer.h"
#include "game/helper.h"
#include "game/player.h"
#include "graphics/graphics.h"
#include "graphics/model.h"

namespace {

constexpr float kDegreesToRadians = 0.01745328f;
constexpr float kDashSpeed = 100.0f;     // offset units per second
constexpr float kDashRollRate = 720.0f;  // degrees per second
constexpr float kBrakeLimit = 15.0f;
constexpr float kSelfCentringLimit = 25.0f;
constexpr float kGlideSnap = 0.5f;
constexpr float kShipBehindPoint = 100.0f;
constexpr float kReticleNear = 100.0f;
constexpr float kReticleFar = 250.0f;

// The box the offsets stay in, per view state: x, y and z ranges.
struct ViewBox {
  math::Vec3 low, high;
};
constexpr ViewBox kTopBox{{-100.0f, -0.5f, -25.0f}, {100.0f, 0.5f, 200.0f}};
constexpr ViewBox kSideBox{{-0.5f, -110.0f, -65.0f}, {0.5f, 110.0f, 240.0f}};
constexpr ViewBox kChaseBox{{-47.0f, -27.0f, -0.5f}, {47.0f, 41.0f, 0.5f}};

float& Component(math::Vec3& v, int axis) {
  return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

// Zeroes a value and its glide rate once the value is within the snap window.
void Snap(float& value, float& rate) {
  if (std::fabs(value) < kGlideSnap) {
    value = 0.0f;
    rate = 0.0f;
  }
}

}  // namespace

void Player::Accelerate(int axis, float direction, float rate, float limit) {
  const float step = rate * Timer().GetFrameSeconds();
  float& v = Component(velocity, axis);
  v += direction * step;
  // Pushing against the current motion turns the ship faster: three steps in all on x and y, four on z.
  if ((direction > 0.0f && v < 0.0f) || (direction < 0.0f && v > 0.0f)) {
    v += direction * step * (axis == 2 ? 3.0f : 2.0f);
  }
  if (direction > 0.0f && v > limit) v = limit;
  if (direction < 0.0f && v < -limit) v = -limit;
}

void Player::Brake(int axis, float rate) {
  const float v = Component(velocity, axis);
  const float strength = 3.0f * std::min(std::fabs(v), rate);
  if (v < 0.0f) {
    Accelerate(axis, 1.0f, strength, kBrakeLimit);
  } else if (v > 0.0f) {
    Accelerate(axis, -1.0f, strength, kBrakeLimit);
  }
}

void Player::AccelerateLeft(float rate, float limit) {
  Accelerate(0, -1.0f, rate, limit);
}
void Player::AccelerateRight(float rate, float limit) {
  Accelerate(0, 1.0f, rate, limit);
}
void Player::AccelerateUp(float rate, float limit) {
  Accelerate(1, 1.0f, rate, limit);
}
void Player::AccelerateDown(float rate, float limit) {
  Accelerate(1, -1.0f, rate, limit);
}
void Player::AccelerateForward(float rate, float limit) {
  Accelerate(2, 1.0f, rate, limit);
}
void Player::AccelerateBack(float rate, float limit) {
  Accelerate(2, -1.0f, rate, limit);
}
void Player::BrakeX(float rate) {
  Brake(0, rate);
}
void Player::BrakeY(float rate) {
  Brake(1, rate);
}
void Player::BrakeZ(float rate) {
  Brake(2, rate);
}

void Player::UpdateDash() {
  if (!dashing) return;
  const Timer timer;
  const float dt = timer.GetFrameSeconds();
  offset.x += dt * static_cast<float>(dashDirection[0]) * kDashSpeed;
  offset.y += dt * static_cast<float>(dashDirection[1]) * kDashSpeed;
  // Whole degrees, each step truncated toward zero.
  roll = static_cast<int>(static_cast<float>(roll) +
                          dt * (static_cast<float>(dashDirection[0]) * kDashRollRate));
  roll = static_cast<int>(static_cast<float>(roll) +
                          dt * (static_cast<float>(dashDirection[1]) * -kDashRollRate));
  dashLeft -= timer.GetFrameMs();
  if (dashLeft <= 0) {
    roll = 0;
    dashing = false;
    dashLeft = 0;
    dashDirection[0] = dashDirection[1] = 0;
  }
}

void Player::UpdateMovement() {
  const int state = State();
  UpdateDash();

  // The chase view pulls the ship back toward the middle of the screen.
  if (state == kRailView) {
    const float rate = 0.15f * std::fabs(offset.x);
    if (offset.x > 0.0f) {
      AccelerateLeft(rate, kSelfCentringLimit);
    } else {
      AccelerateRight(rate, kSelfCentringLimit);
    }
  }

  const float dt = Timer().GetFrameSeconds();
  offset.x += dt * velocity.x * (state == kRailView ? 4.0f : 12.0f);
  offset.y += dt * velocity.y * 10.0f;
  offset.z += dt * velocity.z * 12.0f;
  ClampToView();
}

void Player::ClampToView() {
  const int state = State();
  const ViewBox* box = state == kTopView    ? &kTopBox
                       : state == kSideView ? &kSideBox
                       : state == kRailView ? &kChaseBox
                                            : nullptr;
  if (box == nullptr) return;  // outside the play views the offsets and camera sources stay as they are
  offset.x = std::clamp(offset.x, box->low.x, box->high.x);
  offset.y = std::clamp(offset.y, box->low.y, box->high.y);
  offset.z = std::clamp(offset.z, box->low.z, box->high.z);
  if (state == kRailView) {
    cameraYawSource = offset.x;
    cameraPitchSource = offset.y;
  } else {
    cameraYawSource = 0.0f;
    cameraPitchSource = 0.0f;
  }
}

void Player::UpdateTransform(const math::Vec3& point, math::Vec3 forward, math::Vec3 up, math::Vec3 right) {
  const int state = State();
  SetOrientation(right, up, forward);  // normalises the three axes the ship is then placed along
  const math::Vec3 at = point + offset.x * right + offset.y * up + (offset.z - kShipBehindPoint) * forward;
  SetPosition(at.x, at.y, at.z);

  // The reticles face the camera: its look, up and right become their X, Y and Z axes.
  for (Model* reticle : reticles) {
    if (reticle == nullptr) continue;
    if (g_graphics != nullptr) {
      math::Vec3 look = g_graphics->camera.GetLook();
      math::Vec3 cameraUp = g_graphics->camera.GetUp();
      math::Vec3 cameraRight = g_graphics->camera.GetRight();
      reticle->SetOrientation(&look, &cameraUp, &cameraRight);
    }
    reticle->visible = IsAlive() && state == kRailView;
  }

  MoveHelpersToStations(state);

  // Banking: the ship leans into its motion (not pitched in the side view, yawed only in the chase view).
  const float pitch = -(velocity.y + 2.0f / 3.0f * cameraPitchSource) * kDegreesToRadians;
  const float yaw = (velocity.x + 0.5f * cameraYawSource) * kDegreesToRadians;
  math::Vec3 ahead = forward;
  if (model != nullptr) {
    if (state != kSideView) model->Pitch(pitch);
    if (state == kRailView) model->Yaw(yaw);
    model->Roll(-(static_cast<float>(roll) + velocity.x) * kDegreesToRadians);
    ahead = model->zAxis;
  }
  const float distances[2] = {kReticleNear, kReticleFar};
  for (int i = 0; i < 2; ++i) {
    if (reticles[i] == nullptr) continue;
    const math::Vec3 p = at + distances[i] * ahead;
    reticles[i]->SetPosition(p.x, p.y, p.z);
  }

  // In the chase view the helpers lean with the ship, but do not roll.
  if (state != kRailView) return;
  for (int i = 0; i < helperCount; ++i) {
    Model* helper = helpers[i] != nullptr ? helpers[i]->GetModel() : nullptr;
    if (helper == nullptr) continue;
    helper->Pitch(pitch);
    helper->Yaw(yaw);
  }
}

void Player::MoveHelpersToStations(int state) {
  if (model == nullptr || model->parts.empty()) return;
  const std::vector<LockPoint>& points = model->parts[0]->lockPoints;
  for (int i = 0; i < helperCount; ++i) {
    Helper* helper = helpers[i];
    if (helper == nullptr) continue;
    const std::string station = HelperStationName(state, i);
    for (const LockPoint& point : points) {
      if (point.name != station) continue;
      helper->MoveToward(point.worldPosition.x, point.worldPosition.y, point.worldPosition.z);
      // The ship's current axes: in the placement, before its banking.
      math::Vec3 right = model->xAxis, up = model->yAxis, forward = model->zAxis;
      helper->SetOrientation(right, up, forward);
    }
  }
}

void Player::UpdateLevelStart() {
  // The helpers keep to the stations of the view being left (a level start counts as the top view).
  const int left = previousState != nullptr ? *previousState : 0;
  MoveHelpersToStations(left == kLevelStart ? kTopView : left);

  if (startFlag) {
    // Rates that would bring each value to 0 in one second.
    startFlag = false;
    velocity.z = 0.0f;
    velocityGlideRate[0] = -velocity.x;
    velocityGlideRate[1] = -velocity.y;
    offsetGlideRate = -offset;
  }
  const float dt = Timer().GetFrameSeconds();
  velocity.x += dt * velocityGlideRate[0];
  velocity.y += dt * velocityGlideRate[1];
  offset = offset + dt * offsetGlideRate;

  // A step that jumps over the window does not snap; the value keeps its rate.
  Snap(velocity.x, velocityGlideRate[0]);
  Snap(velocity.y, velocityGlideRate[1]);
  Snap(offset.x, offsetGlideRate.x);
  Snap(offset.y, offsetGlideRate.y);
  Snap(offset.z, offsetGlideRate.z);

  UpdateDash();
}
