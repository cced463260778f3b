// A scenery group: the level models drawn while the player's place on the rail lies in its stretch.
#pragma once

#include <vector>

class Model;

struct SceneryGroup {
  std::vector<Model*> models;  // not owned: they belong to the graphics object's sceneryModels
  int waypoint = 0;            // segment index at which the group becomes current
  float progress = 0.0f;       // progress on that segment at which it becomes current
};
