// The view camera: the views that follow the rail frame, the transitions and the orbit, and the view matrix.
#include "graphics/camera.h"

#include <cstddef>

#include "graphics/waypoint.h"

namespace {

constexpr float kViewDistance = 300.0f;   // top and side views
constexpr float kChaseDistance = 200.0f;  // behind the ship
constexpr float kChaseRise = 20.0f;       // above the track in the chase view
constexpr float kFollowDeadZone = 0.3f;
constexpr float kFollowShift = 100.0f;  // eye shift per unit of follow beyond the dead zone
constexpr float kFollowTilt = -0.2f;    // radians per unit of follow
constexpr float kTurnSeconds = 2.0f;
constexpr float kOrbitSeconds = 10.0f;
constexpr float kFullTurn = 6.28318f;
constexpr float kPoseHeight = 200.0f;

// The follow value beyond the dead zone; the bounds themselves give 0.
float BeyondDeadZone(float value) {
  if (value > kFollowDeadZone) return value - kFollowDeadZone;
  if (value < -kFollowDeadZone) return value + kFollowDeadZone;
  return 0.0f;
}

math::Quat RotationOf(math::Vec3 r, math::Vec3 u, math::Vec3 l) {
  return math::QuaternionRotationMatrix(math::BuildAxisMatrix(r, u, l));
}

}  // namespace

void Camera::SetAxes(const math::Vec3& newLook, const math::Vec3& newUp, const math::Vec3& newRight) {
  look = math::Vec3Normalize(newLook);
  up = math::Vec3Normalize(newUp);
  right = math::Vec3Normalize(newRight);
}

void Camera::SetPathFrame(const math::Vec3& side, const math::Vec3& newUp, const math::Vec3& forward,
                          const math::Vec3& point) {
  trackSide = side;
  trackUp = newUp;
  trackForward = forward;
  trackPoint = point;
}

void Camera::SetFollow(float yaw, float pitch) {
  followYaw = yaw;
  followPitch = pitch;
}

void Camera::SetMode(int newMode) {
  switch (newMode) {
    case kModePoseDown:
      right = {1.0f, 0.0f, 0.0f};
      up = {0.0f, 0.0f, 1.0f};
      look = {0.0f, -1.0f, 0.0f};
      eye.y = kPoseHeight;
      break;
    case kModePoseCentre:
      look = orbitCentre - eye;
      right = math::Vec3Cross(up, look);
      up = math::Vec3Cross(look, right);
      break;
    case kModePoseSide:
      right = {0.0f, 0.0f, 1.0f};
      up = {0.0f, 1.0f, 0.0f};
      look = {-1.0f, 0.0f, 0.0f};
      eye.x = kPoseHeight;
      break;
    case kModeTop:
    case kModeSide: {
      // Both views stand at the first segment, so they need one.
      if (waypointList == nullptr || waypointList->size() < 2) return;
      const Waypoint& first = (*waypointList)[0];
      waypointIndex = 0;
      progress = 0.0f;
      if (newMode == kModeTop) {
        up = first.GetDirection();
        right = first.GetSide();
        eye = first.GetPosition() + kViewDistance * math::Vec3Normalize(first.GetUp());
      } else {
        up = first.GetUp();
        right = first.GetDirection();
        eye = first.GetPosition() + kViewDistance * math::Vec3Normalize(first.GetSide());
      }
      look = math::Vec3Cross(right, up);
      break;
    }
    default:
      break;
  }
  look = math::Vec3Normalize(look);
  right = math::Vec3Normalize(right);
  up = math::Vec3Normalize(up);
  mode = newMode;
}

void Camera::ApplyMode() {
  switch (mode) {
    case kModeTop:
      right = trackSide;
      up = trackForward;
      break;
    case kModeSide:
      right = trackForward;
      up = trackUp;
      break;
    default:
      right = trackSide;
      up = trackUp;
      break;
  }
  look = math::Vec3Cross(right, up);
}

void Camera::Update(float dtMs, int newWaypointIndex, float newProgress) {
  ApplyMode();
  if (!transitionIdle) {
    waypointIndex = newWaypointIndex;
    progress = newProgress;
    bool finished = false;
    switch (transitionTarget) {
      case kViewChase:
        finished = StepTransition(dtMs, kViewChase, kTurnSeconds, kChaseDistance);
        break;
      case kViewSide:
        finished = StepTransition(dtMs, kViewSide, kTurnSeconds, kViewDistance);
        break;
      case kViewTop:
        finished = StepTransition(dtMs, kViewTop, kTurnSeconds, kViewDistance);
        break;
      default:
        finished = StepTransition(dtMs, kViewOrbit, kOrbitSeconds,
                                  (mode == kModeTop || mode == kModeSide) ? kViewDistance : kChaseDistance);
        break;
    }
    if (finished) transitionDone = true;
  } else if (newWaypointIndex == waypointIndex) {
    // In the frame the segment changes the eye stays put while the axes follow the new frame.
    if (mode == kModeTop || mode == kModeSide) {
      eye = trackPoint - look * kViewDistance;
    } else if (mode == kModeChase) {
      PlaceChaseEye();
    }
  }
  waypointIndex = newWaypointIndex;
  progress = newProgress;
}

void Camera::PlaceChaseEye() {
  eye = trackPoint - trackForward * kChaseDistance;
  const float lateral = BeyondDeadZone(followYaw) * kFollowShift;
  const float vertical = BeyondDeadZone(followPitch) * -kFollowShift + kChaseRise;
  eye = eye + trackSide * lateral + trackUp * vertical;
  const math::Matrix tilt =
      math::MatrixMultiply(math::MatrixRotationAxis(trackForward, followYaw * kFollowTilt),
                           math::MatrixRotationAxis(trackSide, followPitch * kFollowTilt));
  look = math::Vec3TransformNormal(trackForward, tilt);
  right = math::Vec3TransformNormal(trackSide, tilt);
  up = math::Vec3TransformNormal(trackUp, tilt);
}

void Camera::BeginTransition(int target) {
  startRotation = RotationOf(right, up, look);
  transitionIdle = false;
  transitionTarget = target;
  transitionClock = 0.0f;
}

math::Vec3 Camera::TransitionPoint() const {
  // The segment must start at a waypoint with a following one: the last waypoint has no direction.
  if (waypointList != nullptr && waypointIndex >= 0 &&
      static_cast<size_t>(waypointIndex) + 1 < waypointList->size()) {
    const Waypoint& w = (*waypointList)[static_cast<size_t>(waypointIndex)];
    return w.GetPosition() + w.GetDirection() * progress;
  }
  return trackPoint;
}

bool Camera::StepTransition(float dtMs, int target, float duration, float distance) {
  const float s = dtMs * 0.001f;
  transitionClock += s;
  math::Vec3 q = TransitionPoint();

  if (target == kViewOrbit) {
    orbitCentre = q;
    OrbitStep(kFullTurn / duration * s);
    if (transitionClock >= duration) {
      transitionIdle = true;
      return true;  // the mode stays as it was
    }
    eye = q - look * distance;
    const float remaining = duration - transitionClock;
    const float gap = math::Vec3Length(q - eye);
    const float standard = mode == kModeChase ? kChaseDistance : kViewDistance;
    if (remaining < duration * 0.5f) {
      MoveEye(dtMs, remaining, gap - standard);
    } else {
      MoveEye(dtMs, remaining, gap - distance);
    }
    return false;
  }

  math::Vec3 newLook, newUp, newRight;
  int newMode;
  if (target == kViewChase) {
    newLook = trackForward;
    newUp = trackUp;
    newRight = trackSide;
    newMode = kModeChase;
    q = q + trackUp * kChaseRise;
  } else if (target == kViewSide) {
    newLook = -trackSide;
    newUp = trackUp;
    newRight = trackForward;
    newMode = kModeSide;
  } else {
    newLook = -trackUp;
    newUp = trackForward;
    newRight = trackSide;
    newMode = kModeTop;
  }
  newLook = math::Vec3Normalize(newLook);
  newUp = math::Vec3Normalize(newUp);
  newRight = math::Vec3Normalize(newRight);

  const math::Quat targetRotation = RotationOf(newRight, newUp, newLook);
  const math::Quat r =
      math::QuaternionSlerp(startRotation, targetRotation, 1.0f - (duration - transitionClock) / duration);
  const math::Matrix turned = math::MatrixRotationQuaternion(r);
  right = math::Vec3Normalize({turned.m[0][0], turned.m[0][1], turned.m[0][2]});
  up = math::Vec3Normalize({turned.m[1][0], turned.m[1][1], turned.m[1][2]});
  look = math::Vec3Normalize({turned.m[2][0], turned.m[2][1], turned.m[2][2]});

  // The eye keeps its distance and turns onto the new line of sight, then closes in on the view's distance.
  const float gap = math::Vec3Length(q - eye);
  eye = q - look * gap;
  MoveEye(dtMs, duration - transitionClock, gap - distance);

  if (transitionClock >= duration) {
    up = newUp;
    right = newRight;
    look = newLook;
    transitionIdle = true;
    eye = q - look * distance;
    mode = newMode;
    return true;
  }
  return false;
}

void Camera::OrbitStep(float angle) {
  const math::Vec3 c = orbitCentre;
  const math::Matrix aboutCentre =
      math::MatrixMultiply(math::MatrixTranslation(-c.x, -c.y, -c.z), math::MatrixRotationAxis(up, angle));
  eye = math::Vec3TransformCoord(eye,
                                 math::MatrixMultiply(aboutCentre, math::MatrixTranslation(c.x, c.y, c.z)));
  look = math::Vec3Normalize(orbitCentre - eye);
  right = math::Vec3Normalize(math::Vec3Cross(up, look));
  up = math::Vec3Normalize(up);
}

void Camera::MoveEye(float dtMs, float remaining, float distance) {
  // No frame time means no share of the gap to close this frame (and no division by zero).
  if (remaining <= 0.0f || dtMs <= 0.0f) return;
  eye = eye + look * (distance / ((1000.0f / dtMs) * remaining));
}

math::Matrix Camera::GetViewMatrix() {
  look = math::Vec3Normalize(look);
  up = math::Vec3Normalize(math::Vec3Cross(look, right));
  right = math::Vec3Normalize(math::Vec3Cross(up, look));
  math::Matrix v = math::MatrixIdentity();
  const math::Vec3 axes[3] = {right, up, look};
  for (int c = 0; c < 3; ++c) {
    v.m[0][c] = axes[c].x;
    v.m[1][c] = axes[c].y;
    v.m[2][c] = axes[c].z;
  }
  v.m[3][0] = -math::Vec3Dot(right, eye);
  v.m[3][1] = -math::Vec3Dot(up, eye);
  v.m[3][2] = -math::Vec3Dot(look, eye);
  return v;
}
