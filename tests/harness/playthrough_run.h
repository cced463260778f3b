// A recorded playthrough played on a built engine, whichever backend draws it: the keys of each frame, the
// help the stream asks for, and the run's text dump (state changes with zone, lives, bosses killed and score,
// then the high-score table). Shared by the playthrough tests and the native playthrough benchmark.
#pragma once

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/engine.h"
#include "app/game_state.h"
#include "enemies/boss_support.h"
#include "frontend/high_scores.h"
#include "frontend/hud.h"
#include "frontend/menu.h"
#include "graphics/sprite.h"
#include "harness/autopilot.h"
#include "harness/key_stream.h"
#include "platform/headless/headless_services.h"

namespace playthrough {

inline const char* StateName(int state) {
  // clang-format off
  static const std::pair<int, const char*> kNames[] = {
      {kFirstSplash, "FirstSplash"}, {kSecondSplash, "SecondSplash"}, {kMainMenu, "MainMenu"},
      {kOptions, "Options"},         {kHighScoreScreen, "HighScores"}, {kGameStart, "GameStart"},
      {kLevelStart, "LevelStart"},   {kTopView, "TopView"},            {kSideView, "SideView"},
      {kRailView, "RailView"},       {kPaused, "Paused"},              {kConsole, "Console"},
      {kGameOver, "GameOver"},       {kGameWon, "GameWon"},            {kNameEntry, "NameEntry"}};
  // clang-format on
  for (const auto& [id, name] : kNames) {
    if (id == state) return name;
  }
  return "Unnamed";
}

inline bool InPlay(int state) {
  return state == kTopView || state == kSideView || state == kRailView;
}

// Plays frames with the stream's settings applied the same way whoever sets the keys, and writes the dump:
// a line whenever the state, zone, lives or bosses killed change, one for each boss brought down.
class Run {
 public:
  // step runs one turn of the event loop (the clock, a frame, at most one window event) and is false once
  // the game has quit; keys is the keyboard the engine reads.
  Run(Engine& engine, plat::HeadlessServices& keys, const keystream::KeyStream& settings,
      std::function<bool()> step)
      : e_(engine), keys_(keys), s_(settings), step_(std::move(step)) {
    out_ << "start " << StateName(state_ = e_.state) << '\n';
  }

  // One frame: the help the stream asks for, the keys, the step, then what changed. True when the frame
  // wrote a line.
  bool Frame(int frame, const std::vector<int>& keys) {
    const size_t written = out_.tellp();
    if (!e_.players.empty()) e_.players[0]->godmode = s_.godMode;
    Enemy* boss = autopilot::BossInPlay(*e_.enemyManager);
    if (boss != nullptr && s_.bossTimeLimitMs > 0 && !boss::Dying(*boss) &&
        boss->GetAgeMs() > s_.bossTimeLimitMs) {
      autopilot::BringDown(*boss);
      out_ << frame << " boss " << boss->typeId << " brought down\n";
    }
    keys_.ReleaseAllKeys();
    for (int k : keys) keys_.SetKey(k, true);
    if (!step_()) quit = true;

    boss = autopilot::BossInPlay(*e_.enemyManager);
    if (boss != nullptr && boss::Dying(*boss) && dead_.Get() != boss) ++bossesKilled, dead_ = boss->Handle();
    const int zone = Zone();
    const int lives = e_.players.empty() ? -1 : e_.players[0]->GetLives();
    if (e_.state != state_ || zone != zone_ || lives != lives_ || bossesKilled != killed_) {
      state_ = e_.state, zone_ = zone, lives_ = lives, killed_ = bossesKilled;
      out_ << frame << ' ' << StateName(state_) << " zone " << zone << " lives " << lives << " bosses "
           << bossesKilled << " score " << e_.score << '\n';
    }
    return static_cast<size_t>(out_.tellp()) != written;
  }

  // The zone the display holds, 0 without one.
  static int Zone() { return g_hud != nullptr ? g_hud->zone : 0; }

  // The dump, closed by the high-score table as the game holds it and as its screen shows it.
  std::string Dump() const {
    std::ostringstream out;
    out << out_.str();
    for (int i = 0; g_highScores != nullptr && i < HighScores::kShown && g_highScores->GetScore(i) > 0; ++i)
      out << "table " << i << ' ' << g_highScores->GetName(i) << ' ' << g_highScores->GetScore(i) << '\n';
    for (size_t i = 0; e_.state == kHighScoreScreen && g_menu != nullptr && i < g_menu->nameLabels.size();
         ++i) {
      if (g_menu->nameLabels[i] != nullptr && !g_menu->nameLabels[i]->text.empty())
        out << "shown " << i << ' ' << g_menu->nameLabels[i]->text << ' ' << g_menu->scoreLabels[i]->text
            << '\n';
    }
    return out.str();
  }

  int bossesKilled = 0;
  bool quit = false;

 private:
  Engine& e_;
  plat::HeadlessServices& keys_;
  const keystream::KeyStream& s_;
  std::function<bool()> step_;
  std::ostringstream out_;
  int state_ = 0, zone_ = 0, lives_ = -1, killed_ = 0;
  EntityHandle dead_;
};

inline std::string ReadFile(const std::string& file) {
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Empty when equal, else the first line that differs, with the frame that leads it, in both.
inline std::string FirstDifference(const std::string& expected, const std::string& actual) {
  std::istringstream a(expected), b(actual);
  std::string lineA, lineB;
  for (int line = 1;; ++line) {
    const bool moreA = static_cast<bool>(std::getline(a, lineA)),
               moreB = static_cast<bool>(std::getline(b, lineB));
    if (!moreA && !moreB) return "";
    if (!moreA || !moreB || lineA != lineB) {
      const std::string& first = moreA ? lineA : lineB;
      return "first difference at frame " + first.substr(0, first.find(' ')) + " (line " +
             std::to_string(line) + "): expected \"" + (moreA ? lineA : "(end)") + "\", got \"" +
             (moreB ? lineB : "(end)") + "\"";
    }
  }
}

}  // namespace playthrough
