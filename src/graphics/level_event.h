// A level event: something the engine does when the player's place on the rail reaches (c, d).
#pragma once

// What a level event does.
enum LevelEventKind : int {
  kCameraView = 0,
  kCameraDone = 1,
  kEnemySpawn = 2,
  kGameSpeed = 3,
  kScriptStep = 4
};

struct LevelEvent {
  LevelEvent() = default;
  LevelEvent(int kind, int a, int b, int c, float d, float x, float y, float z)
      : kind(kind), x(x), y(y), z(z), a(a), b(b), c(c), d(d) {}

  int kind = kCameraView;
  float x = 0.0f, y = 0.0f, z = 0.0f;  // spawn point of kind 2; the other kinds ignore it
  int a = 0;       // kind 0: view (0 chase, 1 side, 2 top, else orbit); 2: enemy type; 3: speed
  int b = 0;       // kind 2: formation and behaviour
  int c = 0;       // segment index at which the event fires
  float d = 0.0f;  // progress on that segment at which it fires
};
