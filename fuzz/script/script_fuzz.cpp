// Fuzz target: the level script reader on arbitrary bytes; it must hold its limits and name the file and
// line of every fault it reports.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "common/fuzz_support.h"
#include "frontend/level_script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  const ScriptFile file = ReadScriptEvents(in, "fuzz.txt");
  fuzz::Check(file.events.size() <= static_cast<size_t>(kScriptEventMax),
              "more events than a script may hold");
  for (const ScriptEvent& e : file.events) {
    for (const std::string* line : {&e.line1, &e.line2, &e.line3}) {
      fuzz::Check(line->size() <= kScriptLineMax, "a text line longer than its limit");
    }
  }
  for (const std::string& problem : file.problems) {
    fuzz::Check(problem.rfind("fuzz.txt, line ", 0) == 0, "a problem without the file and line");
  }
  return 0;
}
