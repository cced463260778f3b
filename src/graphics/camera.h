// The view camera held by the graphics object: eye and axes, the top, side and chase views that follow the
// rail frame, the timed transitions between them and the orbit, and the view matrix built from them.
#pragma once

#include <vector>

#include "math/math3d.h"

class Waypoint;

// What the camera shows: the three play views, the fixed inspection poses (set only by SetMode) and the mode
// before the first level.
enum CameraMode : int {
  kModePoseDown = 0,    // straight down from above
  kModeNone = 1,        // before the first level
  kModePoseCentre = 2,  // facing the orbit centre
  kModePoseSide = 3,    // along -x from the side
  kModeTop = 5,
  kModeSide = 6,
  kModeChase = 7,
};

// The views a camera event turns onto; any other number orbits once around the ship.
enum CameraView : int { kViewChase = 0, kViewSide = 1, kViewTop = 2, kViewOrbit = 3 };

class Camera {
 public:
  Camera() = default;

  math::Vec3 GetEye() const { return eye; }
  math::Vec3 GetLook() const { return look; }
  math::Vec3 GetUp() const { return up; }
  math::Vec3 GetRight() const { return right; }
  // A CameraMode.
  int GetMode() const { return mode; }
  // True while a transition or an orbit runs.
  bool InTransition() const { return !transitionIdle; }
  void SetEye(const math::Vec3& e) { eye = e; }
  // Stores each axis normalised.
  void SetAxes(const math::Vec3& newLook, const math::Vec3& newUp, const math::Vec3& newRight);
  // The rail's waypoint list, read by the top and side poses and by the transitions; not owned, may be null.
  void SetWaypoints(const std::vector<Waypoint>* list) { waypointList = list; }
  // Sets a pose, a view placed at the rail's first waypoint (top and side; these need two waypoints or
  // change nothing at all) or only the mode number (others). Running transitions are left alone.
  void SetMode(int newMode);
  // The rail frame of this frame, from the rail's path update.
  void SetPathFrame(const math::Vec3& side, const math::Vec3& newUp, const math::Vec3& forward,
                    const math::Vec3& point);
  // The player's follow values, which shift and tilt the chase view.
  void SetFollow(float yaw, float pitch);
  // Per play frame, after SetPathFrame and SetFollow: the mode's axes, then either a transition step or
  // the mode's eye placement.
  void Update(float dtMs, int newWaypointIndex, float newProgress);
  // Starts turning onto a CameraView; kViewOrbit orbits once around the ship.
  void BeginTransition(int target);
  // Re-orthonormalises the axes (the camera keeps them so) and returns the left-handed view matrix.
  math::Matrix GetViewMatrix();

  // Set when a transition ends; the level-event queue reads and clears it.
  bool transitionDone = false;

 private:
  void ApplyMode();
  // One frame of a transition; true in the frame it finishes.
  bool StepTransition(float dtMs, int target, float duration, float distance);
  // Turns the eye about up through orbitCentre and looks at the centre.
  void OrbitStep(float angle);
  // Moves the eye along look by this frame's share of distance, spread over the remaining seconds.
  void MoveEye(float dtMs, float remaining, float distance);
  void PlaceChaseEye();
  // The point the transitions aim at: the current segment's point, or the track point without a valid one.
  math::Vec3 TransitionPoint() const;

  int mode = kModeNone;
  math::Vec3 right{1.0f, 0.0f, 0.0f};
  math::Vec3 up{0.0f, 1.0f, 0.0f};
  math::Vec3 look{0.0f, 0.0f, 1.0f};
  math::Vec3 eye{0.0f, 0.0f, -10.0f};
  math::Vec3 orbitCentre{0.0f, 0.0f, 0.0f};
  // Until the rail hands over a frame: forward +Z, side +X, up +Y at the origin.
  math::Vec3 trackForward{0.0f, 0.0f, 1.0f};
  math::Vec3 trackSide{1.0f, 0.0f, 0.0f};
  math::Vec3 trackUp{0.0f, 1.0f, 0.0f};
  math::Vec3 trackPoint{0.0f, 0.0f, 0.0f};
  float followPitch = 0.0f;
  float followYaw = 0.0f;
  const std::vector<Waypoint>* waypointList = nullptr;
  int waypointIndex = 0;
  float progress = 0.0f;
  bool transitionIdle = true;
  float transitionClock = 0.0f;
  int transitionTarget = 0;
  math::Quat startRotation{0.0f, 0.0f, 0.0f, 1.0f};
};
