// The shipped zones' scripts read against their levels: each step the track raises starts an event, the
// script ends in its zone's way out, each boss comes after its warning, and the two scripts together use
// every kind of event and speaker but the step back to the first zone.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "enemies/enemy.h"
#include "frontend/level_script.h"
#include "graphics/graphics_test_support.h"
#include "graphics/level_event.h"

namespace {

struct Zone {
  const char* level;
  const char* script;
  char last;  // the way out: '2' to the second zone, 'M' the end of the game
};
constexpr Zone kZones[] = {{"l1z1.kvl", "l1z1Events.txt", '2'}, {"l1z2.kvl", "l1z2Events.txt", 'M'}};

bool Instant(char type) {
  return type == 'F' || type == 'w' || type == 't';
}
bool Timed(char type) {
  return type == 'W' || type == 'X';
}
bool ZoneChangeOrEnd(char type) {
  return type == '1' || type == '2' || type == 'M';
}
bool Talk(char type) {
  return !Instant(type) && !Timed(type) && !ZoneChangeOrEnd(type);
}

ScriptFile ReadShipped(const char* name) {
  std::ifstream in(EngineHarness::GameFolder() / "Assets" / "Levels" / name);
  EXPECT_TRUE(in.good()) << name;
  return ReadScriptEvents(in, name);
}

// The events that wait for a step of the track: the first, and each one after an event that does not chain.
std::vector<size_t> EventsStartedBySteps(const std::vector<ScriptEvent>& events) {
  std::vector<size_t> started;
  for (size_t i = 0; i < events.size(); ++i) {
    if (i == 0 || events[i - 1].chain == 0) started.push_back(i);
  }
  return started;
}

TEST(ShippedScript, EveryStepOfTheTrackStartsAnEventAndTheScriptEndsInTheZonesWayOut) {
  for (const Zone& zone : kZones) {
    SCOPED_TRACE(zone.script);
    const ScriptFile file = ReadShipped(zone.script);
    EXPECT_TRUE(file.problems.empty()) << file.problems.front();
    const std::vector<ScriptEvent>& events = file.events;
    ASSERT_FALSE(events.empty());
    for (size_t i = 0; i < events.size(); ++i) {
      const ScriptEvent& e = events[i];
      // Nothing ends an instant event's display, so a chain from it would hold every later step back.
      EXPECT_TRUE(!Instant(e.type) || e.chain == 0) << "instant event " << i << " chains";
      EXPECT_TRUE((!Timed(e.type) && !Talk(e.type)) || e.duration > 0.0f)
          << "event " << i << " shows for no time";
      EXPECT_TRUE(!Talk(e.type) || !e.line1.empty()) << "talk line " << i << " says nothing";
      EXPECT_TRUE(i + 1 == events.size() || !ZoneChangeOrEnd(e.type)) << "event " << i << " leaves early";
    }
    EXPECT_EQ(events.back().type, zone.last);

    gfxtest::GraphicsHarness h;
    ASSERT_TRUE(h.initialised);
    ASSERT_GE(h.graphics->LoadLevel(zone.level), 0);
    const std::vector<size_t> started = EventsStartedBySteps(events);
    size_t steps = 0;
    for (const LevelEvent& e : h.graphics->levelEvents) {
      if (e.kind == kScriptStep) ++steps;
      const bool boss = e.kind == kEnemySpawn && e.a >= kPhantomId && e.a <= kPsychoFrontId;
      if (boss) {
        EXPECT_TRUE(steps > 0 && steps <= started.size() && events[started[steps - 1]].type == 'W')
            << "boss " << e.a << " comes without its warning";
      }
    }
    EXPECT_EQ(steps, started.size()) << "steps on the track and events waiting for one differ";
  }
}

TEST(ShippedScript, TheZonesUseEveryKindOfEventAndSpeakerButTheStepBackToTheFirstZone) {
  std::set<char> kinds, speakers;
  for (const Zone& zone : kZones) {
    for (const ScriptEvent& e : ReadShipped(zone.script).events) {
      (Talk(e.type) ? speakers : kinds).insert(e.type);
    }
  }
  // The first zone's own reload would send the player back to its start for ever.
  EXPECT_EQ(kinds, (std::set<char>{'2', 'F', 'M', 'W', 'X', 't', 'w'}));
  for (char portrait : {'P', 'R', 'S', 'r'}) EXPECT_EQ(speakers.count(portrait), 1u) << portrait;
  // A speaker of the sheet's default portrait.
  EXPECT_GE(speakers.size(), 5u);
}

}  // namespace
