// Recorded playthroughs replayed on the headless engine from the first splash: each run's dump (state
// changes with the zone, lives, bosses killed and score, and the high-score table at its end) must equal
// the stored one. With KV_RECORD_PLAYTHROUGHS=<folder> the streams are recorded anew from the tests'
// autopilot and written there with their dumps, then replayed from there.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/game_state.h"
#include "frontend/high_scores.h"
#include "harness/autopilot.h"
#include "harness/engine_harness.h"
#include "harness/key_stream.h"
#include "harness/playthrough_run.h"

namespace {

namespace key = plat::key;
using keystream::KeyStream;
using playthrough::FirstDifference;
using playthrough::InPlay;
using playthrough::ReadFile;
using playthrough::Run;

// The keys a recording presses: the autopilot in play (when asked), and outside play each step's keys,
// tapped (held one frame, let go the next) once the game has been in the step's state for its wait (a
// screen shown long enough to be seen, as a player would).
struct Step {
  int state;
  std::vector<int> keys;
  int waitFrames = 0;
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
    const bool typing = key_ > 0 || up_;
    if (!typing && step_ < s_.steps.size() && s_.steps[step_].state == state) ++waited_;
    if (step_ < s_.steps.size() && (typing || waited_ > s_.steps[step_].waitFrames)) {
      if (!up_) h_.services.SetKey(s_.steps[step_].keys[key_], true);
      if (up_ && ++key_ == s_.steps[step_].keys.size()) ++step_, key_ = 0, waited_ = 0;
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
  int waited_ = 0;
  bool up_ = false;
};

constexpr int kMaxFrames = 40 * 60 * 50;  // forty minutes of game time
constexpr int kFramesOnScores = 100;      // the high-score screen shown at the end of a recording
constexpr int kScreenFrames = 100;        // an end screen or the menu is shown this long before a key

// Records a scenario from the first splash until, its steps done, the game has shown the high-score screen
// for a while; writes <name>.keys and <name>.dump into the folder.
void Record(const Scenario& scenario, const std::filesystem::path& folder) {
  LinkedGameFolder game(EngineHarness::GameFolder() / "Assets");
  EngineHarness h(scenario.settings.frameMs, game.Root(), scenario.settings.seed);
  KeyStream stream = scenario.settings;
  Run run(h.engine(), h.services, stream, [&h] { return h.Step(); });
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
    EngineHarness h(stream.frameMs, game.Root(), stream.seed);
    Run run(h.engine(), h.services, stream, [&h] { return h.Step(); });
    keystream::Player player(stream);
    for (int frame = 0; frame < stream.frames && !run.quit; ++frame) run.Frame(frame, player.KeysAt(frame));
    result.dump = run.Dump();
    result.state = h.state();
  }
  std::ifstream saved(game.Root() / HighScores::kFile);
  std::getline(saved, result.savedTable);
  return result;
}

const Scenario kWin{"win",
                    true,
                    {{kFirstSplash, {key::Enter}},
                     {kSecondSplash, {key::Enter}},
                     {kMainMenu, {key::Enter}, kScreenFrames},
                     {kNameEntry, {key::A, key::C, key::E, key::Enter}, kScreenFrames},
                     {kGameWon, {key::Enter}, kScreenFrames}},
                    {20, 3, true, 25000, 0, {}}};  // 20 ms frames, seed 3, god mode, bosses down after 25 s
const Scenario kLose{"lose",
                     false,
                     {{kFirstSplash, {key::Enter}},
                      {kSecondSplash, {key::Enter}},
                      {kMainMenu, {key::Enter}, kScreenFrames},
                      {kNameEntry, {key::O, key::N, key::E, key::Enter}, kScreenFrames},
                      {kGameOver, {key::Enter}, kScreenFrames},  // Continue
                      {kNameEntry, {key::T, key::W, key::O, key::Enter}, kScreenFrames},
                      {kGameOver, {key::Down, key::Enter}, kScreenFrames}},  // Quit
                     {20, 3, false, 0, 0, {}}};                              // no help

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
  const std::string expected = ReadFile((folder / (std::string(scenario.name) + ".dump")).string());
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
