// The developer console: a translucent panel with an input line and 29 output lines, the history of
// submitted lines, the watched variables shown in every state, and the registry of console functions and
// variables with the line interpreter that runs them.
#pragma once

#include <array>
#include <deque>
#include <string>
#include <vector>

#include "console/console_records.h"

class Sprite;
class TextLabel;

class Console {
 public:
  static constexpr int kLines = 29;
  static constexpr int kMaxInput = 99;

  struct ConsoleLine {
    TextLabel* label = nullptr;
    std::string text;
  };
  struct Watch {
    TextLabel* label = nullptr;
    VariableRecord* variable = nullptr;
  };

  Console() = default;
  // Frees the records; the labels and the panel belong to the graphics object.
  ~Console();
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  // Labels and panel, all hidden; needs the graphics object. Without one the console works unseen.
  void Init();
  void Show();
  // Clears the input line and restarts the history walk; the output lines keep their text.
  void Hide();

  void AddInputChar(char c);
  void Backspace();
  void ClearInput();
  // Up: the next older history entry, wrapping to the newest.
  void RecallHistory();
  // Runs the input line, prints what it answers, and files the line in the history.
  void Submit();
  // Parses and runs one line: show "name", set "name = value" or call "name(args)". Every answer, success or
  // failure, comes out as a thrown std::exception; only a call whose command has nothing to say returns.
  void Execute(const std::string& line);
  // Puts text on output line `line` (0 the newest), moving that line and the ones above it up by one.
  void Print(const std::string& text, int line = 0);

  // False when no variable has that name. A variable may be watched more than once.
  bool Watch(const std::string& name);
  // Drops the first watch of that variable, if any; the later ones close the gap at the next update.
  void Unwatch(const std::string& name);
  // Every frame: each watch shows "name: value" in its place.
  void UpdateWatches();

  void RegisterFunction(const std::string& name, ConsoleHandler handler) { AddFunction(name, handler); }
  void RegisterVariable(const std::string& name, void* value, int type) { AddVariable(name, value, type); }
  // Duplicates go by handler (functions) and by address (variables), not by name.
  void AddFunction(const std::string& name, ConsoleHandler handler);
  void AddVariable(const std::string& name, void* value, int type);
  // Exact, case-sensitive; null when none.
  FunctionRecord* FindFunction(const std::string& name) const;
  VariableRecord* FindVariable(const std::string& name) const;

  // The input line, and output line i (0 the newest), as text.
  std::string InputText() const { return std::string(input, static_cast<size_t>(inputLength)); }
  const std::string& LineText(int i) const { return lines[static_cast<size_t>(i)].text; }

  std::vector<FunctionRecord*> functions;
  std::vector<VariableRecord*> variables;
  TextLabel* inputLabel = nullptr;
  std::vector<struct Watch> watches;
  std::deque<std::string> history;  // newest first
  Sprite* background = nullptr;
  std::array<ConsoleLine, kLines> lines;
  char input[kMaxInput + 1] = {};
  int inputLength = 0;
  int historyIndex = 0;
  // The "wireframe" command's own flag: whether it last turned wireframe on.
  bool wireframe = false;

 private:
  void UpdateInputLabel();
  void SetPanelVisible(bool visible);
};
