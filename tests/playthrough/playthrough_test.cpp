// Recorded playthroughs replayed on the headless engine from the first splash: each run's dump (state
// changes with the zone, lives, bosses killed and score, and the high-score table at its end) must equal
// the stored one. With KV_RECORD_PLAYTHROUGHS=<folder> the streams are recorded anew from the tests'
// autopilot and written there with their dumps, then replayed from there.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/game_state.h"
#include "enemies/boss_support.h"
#include "frontend/high_scores.h"
#include "frontend/hud.h"
#include "frontend/menu.h"
#include "graphics/sprite.h"
#include "harness/autopilot.h"
#include "harness/engine_harness.h"
#include "harness/key_stream.h"
#include "math/random.h"

namespace {

namespace key = plat::key;
using keystream::KeyStream;

const char* StateName(int state) {
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

bool InPlay(int state) {
  return state == kTopView || state == kSideView || state == kRailView;
}

// Plays frames with the stream's settings applied the same way whoever sets the keys, and writes the dump:
// a line whenever the state, zone, lives or bosses killed change, one for each boss brought down.
class Run {
 public:
  Run(EngineHarness& h, const KeyStream& settings) : h_(h), e_(h.engine()), s_(settings) {
    out_ << "start " << StateName(state_ = e_.state) << '\n';
  }

  // One frame: the help the stream asks for, the keys, the step, then what changed.
  void Frame(int frame, const std::vector<int>& keys) {
    if (!e_.players.empty()) e_.players[0]->godmode = s_.godMode;
    Enemy* boss = autopilot::BossInPlay(*e_.enemyManager);
    if (boss != nullptr && s_.bossTimeLimitMs > 0 && !boss::Dying(*boss) &&
        boss->GetAgeMs() > s_.bossTimeLimitMs) {
      autopilot::BringDown(*boss);
      out_ << frame << " boss " << boss->typeId << " brought down\n";
    }
    h_.services.ReleaseAllKeys();
    for (int k : keys) h_.services.SetKey(k, true);
    if (!h_.Step()) quit = true;

    boss = autopilot::BossInPlay(*e_.enemyManager);
    if (boss != nullptr && boss::Dying(*boss) && dead_.Get() != boss) ++bossesKilled, dead_ = boss->Handle();
    const int zone = g_hud != nullptr ? g_hud->zone : 0;
    const int lives = e_.players.empty() ? -1 : e_.players[0]->GetLives();
    if (e_.state != state_ || zone != zone_ || lives != lives_ || bossesKilled != killed_) {
      state_ = e_.state, zone_ = zone, lives_ = lives, killed_ = bossesKilled;
      out_ << frame << ' ' << StateName(state_) << " zone " << zone << " lives " << lives << " bosses "
           << bossesKilled << " score " << e_.score << '\n';
    }
  }

  // The dump, closed by the high-score table as the game holds it and as its screen shows it.
  std::string Dump() {
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
  EngineHarness& h_;
  Engine& e_;
  const KeyStream& s_;
  std::ostringstream out_;
  int state_ = 0, zone_ = 0, lives_ = -1, killed_ = 0;
  EntityHandle dead_;
};

// The keys a recording presses: the autopilot in play (when asked), and outside play each step's keys,
// tapped (held one frame, let go the next) once the game is in the step's state.
struct Step {
  int state;
  std::vector<int> keys;
};
struct Scenario {
  const char* name;
  bool autopilot;  // steers and fires in play; else the ship neither dodges nor fires
  std::vector<Step> steps;
  KeyStream settings;
};

class Recorder {
 public:
  Recorder(EngineHarness& h, const Scenario& s) : h_(h), s_(s), keyboard_(h.services.OpenKeyboard()) {}

  std::vector<int> Keys(int frame) {
    h_.services.ReleaseAllKeys();
    const int state = h_.state();
    if (step_ < s_.steps.size() && (key_ > 0 || up_ || s_.steps[step_].state == state)) {
      if (!up_) h_.services.SetKey(s_.steps[step_].keys[key_], true);
      if (up_ && ++key_ == s_.steps[step_].keys.size()) ++step_, key_ = 0;
      up_ = !up_;
    } else if (s_.autopilot && InPlay(state)) {
      autopilot::SetKeys(h_.engine(), h_.services, frame);
    }
    plat::KeyState held{};
    keyboard_->GetState(held);
    std::vector<int> keys;
    for (int k = 0; k < 256; ++k) {
      if (held[static_cast<size_t>(k)] != 0) keys.push_back(k);
    }
    return keys;
  }
  bool Done() const { return step_ == s_.steps.size(); }

 private:
  EngineHarness& h_;
  const Scenario& s_;
  std::unique_ptr<plat::KeyboardDevice> keyboard_;
  size_t step_ = 0, key_ = 0;
  bool up_ = false;
};

constexpr int kMaxFrames = 40 * 60 * 50;  // forty minutes of game time
constexpr int kFramesOnScores = 25;       // the high-score screen shown at the end of a recording

// Records a scenario from the first splash until, its steps done, the game has shown the high-score screen
// for a while; writes <name>.keys and <name>.dump into the folder.
void Record(const Scenario& scenario, const std::filesystem::path& folder) {
  LinkedGameFolder game(EngineHarness::GameFolder() / "Assets");
  EngineHarness h(scenario.settings.frameMs, game.Root());
  math::SeedRandom(scenario.settings.seed);
  KeyStream stream = scenario.settings;
  Run run(h, stream);
  Recorder recorder(h, scenario);
  int shown = 0;
  for (int frame = 0; frame < kMaxFrames && shown < kFramesOnScores && !run.quit; ++frame) {
    const std::vector<int> keys = recorder.Keys(frame);
    stream.Append(frame, keys);
    run.Frame(frame, keys);
    if (recorder.Done() && h.state() == kHighScoreScreen) ++shown;
  }
  ASSERT_EQ(shown, kFramesOnScores) << scenario.name << " did not reach the high-score screen:\n"
                                    << run.Dump();
  std::filesystem::create_directories(folder);
  std::ofstream keys(folder / (std::string(scenario.name) + ".keys"));
  keys << "# " << scenario.name << ": recorded from the tests' playthrough scenario\n";
  keystream::Write(keys, stream);
  std::ofstream(folder / (std::string(scenario.name) + ".dump")) << run.Dump();
}

struct Replayed {
  std::string dump;
  std::string savedTable;  // the high-score file the run left
  int state = 0;
};

// Replays a stream from the first splash in a game folder of its own.
Replayed Replay(const KeyStream& stream) {
  LinkedGameFolder game(EngineHarness::GameFolder() / "Assets");
  Replayed result;
  {
    EngineHarness h(stream.frameMs, game.Root());
    math::SeedRandom(stream.seed);  // the engine seeded it with the time
    Run run(h, stream);
    keystream::Player player(stream);
    for (int frame = 0; frame < stream.frames && !run.quit; ++frame) run.Frame(frame, player.KeysAt(frame));
    result.dump = run.Dump();
    result.state = h.state();
  }
  std::ifstream saved(game.Root() / HighScores::kFile);
  std::getline(saved, result.savedTable);
  return result;
}

std::string ReadFile(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Empty when equal, else the first line that differs, with the frame that leads it, in both.
std::string FirstDifference(const std::string& expected, const std::string& actual) {
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

const Scenario kWin{"win",
                    true,
                    {{kFirstSplash, {key::Enter}},
                     {kSecondSplash, {key::Enter}},
                     {kMainMenu, {key::Enter}},
                     {kNameEntry, {key::A, key::C, key::E, key::Enter}},
                     {kGameWon, {key::Enter}}},
                    {20, 3, true, 25000, 0, {}}};  // 20 ms frames, seed 3, god mode, bosses down after 25 s
const Scenario kLose{"lose",
                     false,
                     {{kFirstSplash, {key::Enter}},
                      {kSecondSplash, {key::Enter}},
                      {kMainMenu, {key::Enter}},
                      {kNameEntry, {key::O, key::N, key::E, key::Enter}},
                      {kGameOver, {key::Enter}},  // Continue
                      {kNameEntry, {key::T, key::W, key::O, key::Enter}},
                      {kGameOver, {key::Down, key::Enter}}},  // Quit
                     {20, 3, false, 0, 0, {}}};               // no help

// Replays the scenario's stored stream (recorded first when asked) and compares the dumps.
Replayed CheckPlaythrough(const Scenario& scenario) {
  std::filesystem::path folder = KV_PLAYTHROUGH_DIR;
  if (const char* record = std::getenv("KV_RECORD_PLAYTHROUGHS"); record != nullptr && *record != '\0') {
    folder = record;
    Record(scenario, folder);
  }
  KeyStream stream;
  std::string error;
  const std::string file = (folder / (std::string(scenario.name) + ".keys")).string();
  EXPECT_TRUE(keystream::Read(file, stream, error)) << error;
  Replayed run = Replay(stream);
  const std::string expected = ReadFile(folder / (std::string(scenario.name) + ".dump"));
  EXPECT_FALSE(expected.empty());
  const std::string difference = FirstDifference(expected, run.dump);
  EXPECT_EQ(difference, "")
      << "(a deliberate change of the game is recorded anew with KV_RECORD_PLAYTHROUGHS)\n"
      << "the run's dump:\n"
      << run.dump;
  return run;
}

TEST(Playthrough, FromTheFirstSplashToTheWinWithANameOnTheHighScoreScreen) {
  const Replayed run = CheckPlaythrough(kWin);
  EXPECT_EQ(run.state, kHighScoreScreen);
  // The win (which takes the display back to zone 1) comes in zone 2.
  EXPECT_LT(run.dump.find(" zone 2 "), run.dump.find(" GameWon "));
  EXPECT_NE(run.dump.find(" GameWon "), std::string::npos);
  EXPECT_NE(run.dump.find(" bosses 4 "), std::string::npos);
  EXPECT_NE(run.dump.find("shown 0 ACE "), std::string::npos);
  EXPECT_EQ(run.savedTable.substr(0, 4), "ACE ");
}

TEST(Playthrough, EveryLifeLostTwiceWithAContinueThenQuitToTheHighScoreScreen) {
  const Replayed run = CheckPlaythrough(kLose);
  EXPECT_EQ(run.state, kHighScoreScreen);
  size_t overs = 0;
  for (size_t at = run.dump.find(" GameOver "); at != std::string::npos;
       at = run.dump.find(" GameOver ", at + 1))
    ++overs;
  EXPECT_EQ(overs, 2u);
}

TEST(Playthrough, AComparisonNamesTheFirstFrameThatDiffers) {
  const std::string dump = "start FirstSplash\n0 MainMenu zone 0\n40 TopView zone 1\n";
  const struct {
    std::string actual, difference;
  } cases[] = {
      {dump, ""},
      {"start FirstSplash\n0 MainMenu zone 0\n41 TopView zone 1\n",
       "first difference at frame 40 (line 3): expected \"40 TopView zone 1\", got \"41 TopView zone 1\""},
      {"start FirstSplash\n0 MainMenu zone 0\n",
       "first difference at frame 40 (line 3): expected \"40 TopView zone 1\", got \"(end)\""},
      {dump + "90 GameOver zone 1\n",
       "first difference at frame 90 (line 4): expected \"(end)\", got \"90 GameOver zone 1\""},
  };
  for (const auto& c : cases) EXPECT_EQ(FirstDifference(dump, c.actual), c.difference);
}

}  // namespace
