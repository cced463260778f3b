// The rail track: the segment frames of the waypoints, the place moving along the path with a quadratic
// Bézier corner at every inner waypoint, and the scenery groups that choose the level models drawn.
#include <algorithm>
#include <cmath>
#include <vector>

#include "graphics/graphics.h"

namespace {

using math::Vec3;

constexpr Vec3 kWorldX{1.0f, 0.0f, 0.0f};
constexpr Vec3 kWorldY{0.0f, 1.0f, 0.0f};
constexpr Vec3 kWorldZ{0.0f, 0.0f, 1.0f};
// A corner begins when the place comes nearer than this to the waypoint ahead and ends this far past it.
constexpr float kCornerReach = 50.0f;
// Every corner is stepped as if it were this long, so at 50 units per second it takes 2 seconds.
constexpr float kCornerStepLength = 100.0f;
constexpr float kTangentStep = 0.001f;
// Below this length a cross product of unit vectors counts as zero: the vectors are parallel.
constexpr float kParallel = 1e-6f;

// normalize(Y x forward) for a unit forward. Along a vertical forward that product vanishes; the side is
// then the reference made perpendicular to forward (world X, then world Z, when that vanishes too).
Vec3 SideAxis(Vec3 forward, Vec3 reference) {
  const Vec3 side = math::Vec3Cross(kWorldY, forward);
  if (math::Vec3Length(side) > kParallel) return math::Vec3Normalize(side);
  for (const Vec3& candidate : {reference, kWorldX, kWorldZ}) {
    const Vec3 across = candidate - forward * math::Vec3Dot(forward, candidate);
    if (math::Vec3Length(across) > kParallel) return math::Vec3Normalize(across);
  }
  return kWorldX;
}

Vec3 Bezier(const Vec3& start, const Vec3& control, const Vec3& end, float t) {
  const float s = 1.0f - t;
  return start * (s * s) + control * (2.0f * s * t) + end * (t * t);
}

// Where a place given by the file's segment numbers lies once the waypoints that make no segment are dropped.
// segmentOf[s] is the kept segment that file segment s became, or that starts where it lay when it was
// dropped (passed[s]); kept counts the kept waypoints, two or more.
void MoveOntoKeptTrack(int& segment, float& progress, const std::vector<int>& segmentOf,
                       const std::vector<bool>& passed, int kept) {
  const int fileSegments = static_cast<int>(segmentOf.size());
  if (segment < 0) return;
  if (segment >= fileSegments) {
    segment -= fileSegments - (kept - 1);  // stays as far past the kept track as it was past the file's
    return;
  }
  const size_t s = static_cast<size_t>(segment);
  segment = segmentOf[s];
  if (!passed[s]) return;
  // A dropped segment is passed at once: what lies on it comes due where the next kept segment begins, or
  // at the end of the track when none follows.
  progress = 0.0f;
  if (segment == kept - 1) {
    segment = kept - 2;
    progress = 1.0f;
  }
}

}  // namespace

void Graphics::PrepareWaypoints() {
  // A waypoint that makes no segment with the one kept before it (on top of it, or too far to measure) is
  // dropped. Events and groups keep the file's segment numbers, so they move onto the kept segments.
  std::vector<Waypoint> kept;
  kept.reserve(waypoints.size());
  std::vector<int> segmentOf;
  std::vector<bool> passed;
  for (const Waypoint& waypoint : waypoints) {
    if (!kept.empty()) {
      const bool makes = MakesSegment(kept.back().GetPosition(), waypoint.GetPosition());
      segmentOf.push_back(static_cast<int>(kept.size()) - 1);
      passed.push_back(!makes);
      if (!makes) continue;
    }
    kept.push_back(waypoint);
  }
  const bool dropped = kept.size() < waypoints.size();
  waypoints = std::move(kept);
  if (dropped && waypoints.size() >= 2) {
    const int count = static_cast<int>(waypoints.size());
    for (LevelEvent& event : levelEvents) MoveOntoKeptTrack(event.c, event.d, segmentOf, passed, count);
    for (SceneryGroup& group : sceneryGroups) {
      MoveOntoKeptTrack(group.waypoint, group.progress, segmentOf, passed, count);
    }
  }

  if (waypoints.size() < 2) {
    preparedWaypoints = 0;
    return;
  }
  for (size_t i = 0; i + 1 < waypoints.size(); ++i) {
    Waypoint& waypoint = waypoints[i];
    waypoint.SetDirection(waypoints[i + 1].GetPosition() - waypoint.GetPosition());
    const Vec3 forward = math::Vec3Normalize(waypoint.GetDirection());
    // A vertical segment keeps the side of the segment before it, so the frame does not spin.
    const Vec3 side = SideAxis(forward, i > 0 ? waypoints[i - 1].GetSide() : kWorldX);
    waypoint.SetSide(side);
    waypoint.SetUp(math::Vec3Normalize(math::Vec3Cross(forward, side)));
  }
  preparedWaypoints = waypoints.size();
}

void Graphics::UpdatePath(int* waypointIndex, float* progress, float dtMs, float speed, Vec3* point,
                          Vec3* side, Vec3* up, Vec3* forward) {
  if (waypointIndex == nullptr || progress == nullptr) return;

  Vec3 outPoint;
  Vec3 outSide = kWorldX;
  Vec3 outUp = kWorldY;
  Vec3 outForward = kWorldZ;
  const size_t n = waypoints.size();

  if (n >= 2 && preparedWaypoints == n) {
    // The last segment with a prepared frame starts at waypoint n - 2; the place never goes past it.
    const int lastSegment = static_cast<int>(n) - 2;
    int i = std::clamp(*waypointIndex, 0, lastSegment);
    float p = *progress;

    // Only the next group is tested, so at most one switch per frame.
    const size_t nextGroup = static_cast<size_t>(std::max(currentGroup, -1) + 1);
    if (nextGroup < sceneryGroups.size() && sceneryGroups[nextGroup].waypoint == i &&
        p >= sceneryGroups[nextGroup].progress) {
      currentGroup = static_cast<int>(nextGroup);
      RebuildVisibleSet();
    }

    // The place only moves forward.
    float travel = dtMs * 0.001f * speed;
    if (!std::isfinite(travel) || travel < 0.0f) travel = 0.0f;

    if (inCorner) {
      cornerT += travel / cornerLength;
      outPoint = Bezier(cornerStart, cornerControl, cornerEnd, cornerT);
      const int endSegment = std::clamp(cornerSegment, 0, lastSegment);
      Vec3 tangent = Bezier(cornerStart, cornerControl, cornerEnd, cornerT + kTangentStep) - outPoint;
      if (math::Vec3LengthSq(tangent) == 0.0f)
        tangent = waypoints[static_cast<size_t>(endSegment)].GetDirection();
      outForward = math::Vec3Normalize(tangent);
      outSide = SideAxis(outForward, waypoints[static_cast<size_t>(i)].GetSide());
      outUp = math::Vec3Normalize(math::Vec3Cross(outForward, outSide));
      if (cornerT >= 1.0f) {
        // The corner ends 50 units into the segment it turned onto. If the straight step already moved the
        // index onto that segment when the corner began, it is not moved again.
        i = endSegment;
        p = 1.0f / (0.02f * waypoints[static_cast<size_t>(i)].GetLength());
        if (i == lastSegment) p = std::min(p, 1.0f);  // a last segment shorter than 50 units: rest at its end
        inCorner = false;
      }
    } else {
      const Waypoint& here = waypoints[static_cast<size_t>(i)];
      const float step = travel / here.GetLength();
      if (static_cast<size_t>(i) + 2 < n) {
        const Vec3 before = here.GetPosition() + here.GetDirection() * p;
        const Waypoint& ahead = waypoints[static_cast<size_t>(i) + 1];
        if (math::Vec3Length(ahead.GetPosition() - before) < kCornerReach) {
          // The corner's own points begin with the next frame; this one still runs straight.
          cornerStart = before;
          cornerControl = ahead.GetPosition();
          cornerEnd = ahead.GetPosition() + math::Vec3Normalize(ahead.GetDirection()) * kCornerReach;
          inCorner = true;
          cornerT = 0.0f;
          cornerLength = kCornerStepLength;
          cornerSegment = i + 1;
        }
      }
      p += step;
      if (p >= 1.0f) {
        if (static_cast<size_t>(i) + 2 < n) {
          ++i;
          p = 0.0f;
        } else {
          p = 1.0f;  // the end of the track: the place rests on the last waypoint
        }
      }
      const Waypoint& now = waypoints[static_cast<size_t>(i)];
      outPoint = now.GetPosition() + now.GetDirection() * p;
      outForward = math::Vec3Normalize(now.GetDirection());
      outSide = math::Vec3Normalize(now.GetSide());
      outUp = math::Vec3Normalize(now.GetUp());
    }
    *waypointIndex = i;
    *progress = p;
  } else if (n >= 1) {
    // No usable path: a fixed frame on the first waypoint, and the place does not move.
    outPoint = waypoints.front().GetPosition();
  }

  if (point != nullptr) *point = outPoint;
  if (side != nullptr) *side = outSide;
  if (up != nullptr) *up = outUp;
  if (forward != nullptr) *forward = outForward;
  camera.SetPathFrame(outSide, outUp, outForward, outPoint);
}

void Graphics::RebuildVisibleSet() {
  visibleScenery.clear();
  visibleScenery.shrink_to_fit();
  if (currentGroup < 0 || static_cast<size_t>(currentGroup) >= sceneryGroups.size()) return;
  const SceneryGroup& current = sceneryGroups[static_cast<size_t>(currentGroup)];
  visibleScenery = current.models;
  const size_t next = static_cast<size_t>(currentGroup) + 1;
  if (next >= sceneryGroups.size()) return;
  // The next group's models are drawn ahead of time, each once.
  for (Model* model : sceneryGroups[next].models) {
    if (std::find(visibleScenery.begin(), visibleScenery.end(), model) == visibleScenery.end()) {
      visibleScenery.push_back(model);
    }
  }
}

void Graphics::ResetRail() {
  sceneryGroups.clear();
  levelEvents.clear();
  visibleScenery.clear();
  currentGroup = 0;
  lastEvent = -1;
  inCorner = false;
  cornerT = 0.0f;
  cornerLength = kCornerStepLength;
  cornerStart = cornerControl = cornerEnd = Vec3{};
  cornerSegment = 0;
  preparedWaypoints = 0;
}
