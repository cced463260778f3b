// The level script's events and the reader of a script file: a count, then per event a header line
// (chain, duration, type), three text lines and a closing mark.
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

struct ScriptEvent {
  std::string line1, line2, line3;
  char type = 0;
  uint32_t chain = 0;     // non-zero: the next event follows when this one's display ends
  float duration = 0.0f;  // seconds
};

struct ScriptFile {
  std::vector<ScriptEvent> events;
  // Each fault found, as "<file>, line <n>: <what>"; the events are those read up to and around them.
  std::vector<std::string> problems;
};

// Text lines longer than this are cut to it.
constexpr size_t kScriptLineMax = 254;
// No script holds more events than this; a larger count is cut to it. It bounds the empty events a count
// can ask for (some 0.5 MB at most) whatever the file holds.
constexpr int kScriptEventMax = 4096;

// Reads a script from `in`; `fileName` names it in the problems. Never throws: a damaged file gives the
// events read before the damage (a count below 0 gives none); the events it does not supply, up to the
// count, are empty (type 0, no lines, chain 0, duration 0).
ScriptFile ReadScriptEvents(std::istream& in, std::string_view fileName);
