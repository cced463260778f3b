// Lines in and lines out: what one submitted line printed, in printing order.
#pragma once

#include <string>
#include <vector>

#include "console/console.h"

// Submits the line as typed input and returns the lines it printed, oldest first. Lines already on the
// console are marked first, so only this submit's output is read back.
inline std::vector<std::string> Printed(Console& console, const std::string& line) {
  const std::string kMark = "\x01";
  for (int i = 0; i < Console::kLines; ++i) console.Print(kMark);
  console.ClearInput();
  for (char c : line) console.AddInputChar(c);
  console.Submit();
  std::vector<std::string> printed;
  for (int i = Console::kLines - 1; i >= 0; --i) {
    if (console.LineText(i) != kMark) printed.push_back(console.LineText(i));
  }
  return printed;
}
