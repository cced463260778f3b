// Lines in and lines out: what one submitted line printed.
#pragma once

#include <string>

#include "console/console.h"

// Submits the line as typed input and returns the lines it printed joined by newlines, as the message read
// (empty when nothing was printed). Lines already on the console are marked first, so only this submit's
// output is read back.
inline std::string Printed(Console& console, const std::string& line) {
  const std::string kMark = "\x01";
  for (int i = 0; i < Console::kLines; ++i) console.Print(kMark);
  console.ClearInput();
  for (char c : line) console.AddInputChar(c);
  console.Submit();
  std::string printed;
  bool first = true;
  for (int i = Console::kLines - 1; i >= 0; --i) {
    if (console.LineText(i) == kMark) continue;
    printed += (first ? "" : "\n") + console.LineText(i);
    first = false;
  }
  return printed;
}
