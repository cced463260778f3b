// Reads a level file (scenery and terrain models, scenery groups, waypoints and the level events) into the
// graphics object, starts the camera on it, and hands the events out as the player passes their places.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <istream>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "graphics/camera.h"
#include "graphics/graphics.h"
#include "graphics/level_event.h"
#include "graphics/model.h"
#include "graphics/text_tokens.h"
#include "graphics/waypoint.h"
#include "platform/services.h"

namespace {

constexpr const char* kLevelFolder = "Assets\\Levels\\";
constexpr const char* kOpenFailedText = "Windows reported an error trying to open the file(s)";
constexpr const char* kOpenFailedCaption = "Windows API error";

// Loaded and released at once, so their meshes are in the cache before play needs them.
constexpr const char* kPreloadedModels[] = {
    "bullet.mdl",         "poison.mdl",           "polaris.mdl",           "magic.mdl",
    "PowerupBeamgun.mdl", "PowerupRaycannon.mdl", "PowerupSpreadshot.mdl", "PowerupUpgrade.mdl"};

using Tokens = std::span<const std::string_view>;
constexpr std::string_view kObjectEnds[] = {"*", "Terrain", "Waypoint", "Camera", "Enemy", "End"};
constexpr std::string_view kFirstGroupEnds[] = {"Waypoint", "Terrain", "Camera", "Enemy", "End"};
constexpr std::string_view kTerrainEnds[] = {"*", "Waypoint", "Camera", "Enemy", "End"};
constexpr std::string_view kSecondGroupEnds[] = {"Waypoint", "Camera", "Enemy", "End"};
constexpr std::string_view kWaypointEnds[] = {"Camera", "Enemy", "End"};
constexpr std::string_view kCameraEnds[] = {"Camera", "Enemy", "End"};
constexpr std::string_view kEnemyEnds[] = {"Speed", "Camera", "Enemy", "End"};
constexpr std::string_view kSpeedEnds[] = {"End", "Event"};
constexpr std::string_view kEventEnds[] = {"End"};
// Every word with a meaning of its own in a level file. None of them is ever a field of an entry.
constexpr std::string_view kKeywords[] = {"Object", "*",     "Terrain", "Waypoint", "Camera",
                                          "Enemy",  "Speed", "Event",   "End"};

bool IsOneOf(std::string_view token, Tokens set) {
  return std::find(set.begin(), set.end(), token) != set.end();
}

// Whether the token begins with a decimal number: an optional sign, then a digit or a point and a digit.
bool StartsWithNumber(std::string_view token) {
  size_t i = !token.empty() && (token[0] == '+' || token[0] == '-') ? 1 : 0;
  if (i < token.size() && token[i] == '.') ++i;
  return i < token.size() && token[i] >= '0' && token[i] <= '9';
}

// Reads one level file into the graphics object section by section. Tokens are runs of non-blank
// characters; the end of the file ends the reading wherever it comes. Each section method returns whether
// the reading goes on: false once the file has ended (reported); true when the section has ended at a token
// that is left in token_ for the next section's test.
class LevelReader {
 public:
  LevelReader(Graphics& graphics, std::istream& in, std::string path)
      : graphics_(graphics), tokens_(in), path_(std::move(path)) {}

  // True when the reading came to "End" with a track that can be played; otherwise the reason has been
  // reported.
  bool Read() {
    if (!Next()) return Stop("the file holds nothing; expected a section or \"End\"");
    if (token_ == "Object" && !ReadModels(kObjectEnds, "\"Object\"")) return false;
    objectModels_ = levelModels_.size();
    if (token_ == "*" && !ReadFirstGroupPass()) return false;
    if (token_ == "Terrain" && !ReadModels(kTerrainEnds, "\"Terrain\"")) return false;
    if (token_ == "*" && !ReadSecondGroupPass()) return false;
    if (token_ == "Waypoint" && !ReadWaypoints()) return false;
    if (token_ == "Camera" && !ReadEvents(kCameraEnds, kCameraView, "\"Camera\"")) return false;
    if (token_ == "Enemy" && !ReadEvents(kEnemyEnds, kEnemySpawn, "\"Enemy\"")) return false;
    if (token_ == "Speed" && !ReadEvents(kSpeedEnds, kGameSpeed, "\"Speed\"")) return false;
    if (token_ == "Event" && !ReadEvents(kEventEnds, kScriptStep, "\"Event\"")) return false;
    if (token_ != "End") return Stop(Quoted(token_) + " cannot come here; the level stops before \"End\"");
    if (usableWaypoints_ < 2) {
      return Stop("the track has " + std::to_string(usableWaypoints_) +
                  " usable waypoint(s); it needs two or more, so the level cannot be played");
    }
    return true;
  }

 private:
  // The next token into token_; false at the end of the file.
  bool Next() { return tokens_.Next(token_); }

  // Whether token_ ends the section: one of its end tokens, or a token that is not a number where a number
  // must come (reported), such as a keyword out of place.
  bool EndsSection(Tokens ends, const char* section) const {
    if (IsOneOf(token_, ends)) return true;
    if (StartsWithNumber(token_)) return false;
    Report(Quoted(token_) + " is not a number and does not belong in the " + section +
           " section, which ends here");
    return true;
  }

  // The next token where a section's entry may start: false at the end of the file (reported), else
  // whether it ends the section.
  bool NextInSection(Tokens ends, const char* section, bool& ended) {
    if (!Next()) return Stop("the file ends before \"End\"");
    ended = EndsSection(ends, section);
    return true;
  }

  // The next token as a field of the current entry; false when the entry cannot be completed: the file
  // ends (reported; fileEnded_ is set) or a keyword comes first (reported; it ends the section).
  bool NextField(const char* what) {
    if (!Next()) {
      fileEnded_ = true;
      return Stop(std::string("the file ends inside an entry (before its ") + what + ")");
    }
    if (!IsOneOf(token_, kKeywords)) return true;
    Report("the entry is cut short by " + Quoted(token_) + " before its " + what +
           "; it is dropped and its section ends here");
    return false;
  }

  // What a section method returns when an entry could not be completed.
  bool EntryCut() const { return !fileEnded_; }

  // The current token as a field of an entry, converted as the C library would; a token that is not wholly
  // a number is reported.
  float Real(const char* what) {
    std::string malformed;
    const float value = RealField(token_, what, malformed);
    if (!malformed.empty()) Report(malformed);
    return value;
  }

  int Integer(const char* what) {
    std::string malformed;
    const int value = IntegerField(token_, what, malformed);
    if (!malformed.empty()) Report(malformed);
    return value;
  }

  bool NextReal(float& out, const char* what) {
    if (!NextField(what)) return false;
    out = Real(what);
    return true;
  }

  bool NextInteger(int& out, const char* what) {
    if (!NextField(what)) return false;
    out = Integer(what);
    return true;
  }

  // "Object" and "Terrain" entries: x y z model qx qy qz qw.
  bool ReadModels(Tokens ends, const char* section) {
    for (;;) {
      bool ended = false;
      if (!NextInSection(ends, section, ended)) return false;
      if (ended) return true;
      const int entryLine = tokens_.Line();
      float position[3] = {Real("model x"), 0.0f, 0.0f};
      if (!NextReal(position[1], "model y") || !NextReal(position[2], "model z") ||
          !NextField("model file name")) {
        return EntryCut();
      }
      const std::string modelName = token_;
      float rotation[4] = {0.0f, 0.0f, 0.0f, 1.0f};
      if (!NextReal(rotation[0], "rotation qx") || !NextReal(rotation[1], "rotation qy") ||
          !NextReal(rotation[2], "rotation qz") || !NextReal(rotation[3], "rotation qw")) {
        return EntryCut();
      }
      Model* model = nullptr;
      if (graphics_.LoadModel(&model, modelName.c_str(), position[0], position[1], position[2], false,
                              true)) {
        model->SetRotation(rotation[0], rotation[1], rotation[2], rotation[3]);
        levelModels_.push_back(model);
      } else {
        ReportAt(entryLine, "the model " + Quoted(modelName) +
                                " does not load; the later model indices move down by one");
      }
    }
  }

  // "*" waypoint progress, then indices of the models loaded so far, for each group line.
  bool ReadFirstGroupPass() {
    for (;;) {
      SceneryGroup group;
      if (!NextInteger(group.waypoint, "group waypoint") || !NextReal(group.progress, "group progress")) {
        return EntryCut();
      }
      graphics_.sceneryGroups.push_back(group);
      SceneryGroup& filled = graphics_.sceneryGroups.back();
      for (;;) {
        if (!Next()) return Stop("the file ends before \"End\"");
        if (token_ == "*") break;
        if (EndsSection(kFirstGroupEnds, "scenery group")) return true;
        const int index = Integer("scenery index");
        if (index >= 0 && static_cast<size_t>(index) < levelModels_.size()) {
          filled.models.push_back(levelModels_[static_cast<size_t>(index)]);
        } else {
          Report("scenery index " + std::to_string(index) + " names no loaded model (" +
                 std::to_string(levelModels_.size()) + " loaded); skipped");
        }
      }
    }
  }

  // The k-th "*" line adds terrain models (index + number of "Object" models) to the k-th group.
  bool ReadSecondGroupPass() {
    for (size_t k = 0;; ++k) {
      const int lineOfGroup = tokens_.Line();
      int ignoredWaypoint = 0;
      float ignoredProgress = 0.0f;
      if (!NextInteger(ignoredWaypoint, "group waypoint") || !NextReal(ignoredProgress, "group progress")) {
        return EntryCut();
      }
      SceneryGroup* group = k < graphics_.sceneryGroups.size() ? &graphics_.sceneryGroups[k] : nullptr;
      if (group == nullptr) {
        ReportAt(lineOfGroup,
                 "terrain group line " + std::to_string(k + 1) + " has no scenery group to add to (" +
                     std::to_string(graphics_.sceneryGroups.size()) + " groups); its indices are skipped");
      }
      for (;;) {
        if (!Next()) return Stop("the file ends before \"End\"");
        if (token_ == "*") break;
        if (EndsSection(kSecondGroupEnds, "terrain group")) return true;
        const int index = Integer("terrain index");
        if (group == nullptr) continue;
        const long long model = static_cast<long long>(index) + static_cast<long long>(objectModels_);
        if (model >= 0 && static_cast<unsigned long long>(model) < levelModels_.size()) {
          group->models.push_back(levelModels_[static_cast<size_t>(model)]);
        } else {
          Report("terrain index " + std::to_string(index) + " names no loaded model (" +
                 std::to_string(levelModels_.size() - objectModels_) + " terrain models loaded); skipped");
        }
      }
    }
  }

  // Every waypoint of the file goes into the list, so events and groups keep the file's segment numbers;
  // one that makes no segment with the waypoint kept before it is reported here and dropped when the path
  // is prepared.
  bool ReadWaypoints() {
    for (;;) {
      bool ended = false;
      if (!NextInSection(kWaypointEnds, "\"Waypoint\"", ended)) return false;
      if (ended) return true;
      const int entryLine = tokens_.Line();
      math::Vec3 p{Real("waypoint x"), 0.0f, 0.0f};
      if (!NextReal(p.y, "waypoint y") || !NextReal(p.z, "waypoint z")) return EntryCut();
      if (usableWaypoints_ > 0 && !MakesSegment(lastUsable_, p)) {
        ReportAt(entryLine, p == lastUsable_
                                ? "the waypoint repeats the one before it; it is dropped and the segment "
                                  "between them is passed at once"
                                : "the waypoint lies too far from the one before it to measure the segment "
                                  "between them; it is dropped and that segment is passed at once");
      } else {
        lastUsable_ = p;
        ++usableWaypoints_;
      }
      graphics_.waypoints.emplace_back(p.x, p.y, p.z);
    }
  }

  // Event entries: x y z waypoint progress, then per kind: camera view; enemy type and behaviour; speed.
  bool ReadEvents(Tokens ends, int kind, const char* section) {
    for (;;) {
      bool ended = false;
      if (!NextInSection(ends, section, ended)) return false;
      if (ended) return true;
      const int entryLine = tokens_.Line();
      float x = Real("event x"), y = 0.0f, z = 0.0f, progress = 0.0f;
      int waypoint = 0, a = 0, b = 0;
      if (!NextReal(y, "event y") || !NextReal(z, "event z") || !NextInteger(waypoint, "event waypoint") ||
          !NextReal(progress, "event progress")) {
        return EntryCut();
      }
      if (kind == kCameraView && !NextInteger(a, "camera view")) return EntryCut();
      if (kind == kEnemySpawn && (!NextInteger(a, "enemy type") || !NextInteger(b, "enemy behaviour")))
        return EntryCut();
      if (kind == kGameSpeed) {
        if (!NextInteger(a, "speed")) return EntryCut();
        if (a < 0) {
          Report("speed " + std::to_string(a) + " is below 0 and would run the track backwards; read as 0");
          a = 0;
        }
      }
      // The place runs over segments 0 to (waypoints - 2); the last waypoint starts none.
      const size_t waypoints = graphics_.waypoints.size();
      if (waypoints >= 2 && (waypoint < 0 || static_cast<size_t>(waypoint) + 2 > waypoints)) {
        ReportAt(entryLine, "event waypoint " + std::to_string(waypoint) +
                                " names no segment of the track (0 to " + std::to_string(waypoints - 2) +
                                "); the event never fires");
      }
      graphics_.AddEvent(kind, a, b, waypoint, progress, x, y, z);
    }
  }

  void Report(const std::string& message) const { ReportAt(tokens_.Line(), message); }

  void ReportAt(int line, const std::string& message) const {
    std::fprintf(stderr, "Graphics: level file %s, line %d: %s\n", path_.c_str(), line, message.c_str());
  }

  bool Stop(const std::string& message) const {
    ReportAt(tokens_.Line(), message);
    return false;
  }

  Graphics& graphics_;
  TokenReader tokens_;
  std::string path_;
  std::string token_;
  bool fileEnded_ = false;           // the file ended inside an entry
  std::vector<Model*> levelModels_;  // the level models in load order over "Object" and "Terrain"
  size_t objectModels_ = 0;          // how many of them the "Object" section loaded
  size_t usableWaypoints_ = 0;       // waypoints that make a segment with the usable one before them
  math::Vec3 lastUsable_;
};

bool EarlierPlace(const LevelEvent& a, const LevelEvent& b) {
  if (a.c != b.c) return a.c < b.c;
  // A progress that is not a number sorts last, so the order stays a strict weak one.
  const float da = std::isnan(a.d) ? std::numeric_limits<float>::infinity() : a.d;
  const float db = std::isnan(b.d) ? std::numeric_limits<float>::infinity() : b.d;
  return da < db;
}

}  // namespace

int Graphics::LoadLevel(const char* name) {
  titleMode = false;
  if (device != nullptr) device->LightEnable(0, false);
  ClearScene();

  for (const char* file : kPreloadedModels) {
    Model* model = nullptr;
    if (LoadModel(&model, file, 0.0f, 0.0f, 0.0f, false, false)) ReleaseModel(model);
  }

  const std::string path = std::string(kLevelFolder) + (name != nullptr ? name : "");
  std::unique_ptr<std::istream> in;
  std::string why = name == nullptr ? "no name given" : "no services";
  if (services != nullptr && name != nullptr) in = services->files().OpenText(path, kMaxLevelFileBytes, &why);
  if (in == nullptr) {
    std::fprintf(stderr, "Graphics: level file %s cannot be opened: %s\n",
                 name != nullptr ? path.c_str() : "(no name)", why.c_str());
    if (services != nullptr) services->dialogs().ShowMessage(kOpenFailedText, kOpenFailedCaption);
    return 0;
  }

  LevelReader reader(*this, *in, path);
  if (!reader.Read()) return -1;

  PrepareWaypoints();
  // Events at the same place keep their file order.
  std::stable_sort(levelEvents.begin(), levelEvents.end(), EarlierPlace);
  camera.SetWaypoints(&waypoints);
  const int mode = TakeCameraStartMode();
  camera.SetMode(mode);
  lastEvent = -1;
  inCorner = false;
  currentGroup = 0;
  RebuildVisibleSet();
  return mode;
}

bool Graphics::AddEvent(int kind, int a, int b, int c, float d, float x, float y, float z) {
  levelEvents.emplace_back(kind, a, b, c, d, x, y, z);
  return true;
}

bool Graphics::NextEvent(int waypointIndex, float progress, LevelEvent* out) {
  if (out == nullptr) return false;
  if (camera.transitionDone) {
    out->kind = kCameraDone;
    camera.transitionDone = false;
    return true;
  }
  // Only forward of the last event handed out: an event passed over while a later one fired stays behind.
  for (size_t k = static_cast<size_t>(std::max(lastEvent + 1, 0)); k < levelEvents.size(); ++k) {
    const LevelEvent& event = levelEvents[k];
    if (event.c == waypointIndex && event.d <= progress) {
      *out = event;
      lastEvent = static_cast<int>(k);
      return true;
    }
  }
  return false;
}

int Graphics::TakeCameraStartMode() {
  auto first = std::find_if(levelEvents.begin(), levelEvents.end(),
                            [](const LevelEvent& e) { return e.kind == kCameraView; });
  if (first == levelEvents.end()) return kModeSide;
  const int view = first->a;
  levelEvents.erase(first);
  switch (view) {
    case kViewChase:
      return kModeChase;
    case kViewSide:
      return kModeSide;
    case kViewTop:
      return kModeTop;
    default:
      std::fprintf(
          stderr,
          "Graphics: the first camera event has view %d, not 0, 1 or 2; the level starts in the side view\n",
          view);
      return kModeSide;
  }
}
