// The console's screen (panel, input line, output lines, history, watches) and its registry of functions
// and variables.
#include "console/console.h"

#include <algorithm>

#include "graphics/graphics.h"
#include "graphics/sprite.h"

namespace {

constexpr plat::gpu::Argb kWhite = 0xFFFFFFFF;
constexpr float kTextX = 0.01f;
constexpr float kInputY = 0.725f;
constexpr float kLineStep = 0.025f;
constexpr float kWatchX = 0.03f;
constexpr float kFirstWatchY = 0.95f;

float LineY(int i) {
  return kInputY - static_cast<float>(i + 1) * kLineStep;
}
float WatchY(size_t i) {
  return kFirstWatchY - static_cast<float>(i) * kLineStep;
}

void SetLabelVisible(TextLabel* label, bool visible) {
  if (label != nullptr) label->SetVisible(visible);
}

}  // namespace

Console::~Console() {
  for (FunctionRecord* f : functions) delete f;
  for (VariableRecord* v : variables) delete v;
}

void Console::Init() {
  historyIndex = 0;
  Graphics* graphics = g_graphics;
  if (graphics == nullptr) return;
  graphics->CreateTextLabel(&inputLabel, kTextX, kInputY, "", kWhite);
  // A missing picture leaves the panel null (the loader has reported it); the text still shows.
  graphics->CreateSprite(&background, "Assets\\Art\\Console.bmp", 0.0f, 0.0f, 1.58f, 1.8f, nullptr, 0.5f,
                         nullptr, 1);
  SetPanelVisible(false);
  inputLength = 0;
  input[0] = '\0';
  for (int i = 0; i < kLines; ++i) {
    ConsoleLine& line = lines[static_cast<size_t>(i)];
    graphics->CreateTextLabel(&line.label, kTextX, LineY(i), "", kWhite);
    line.label->SetVisible(false);
  }
}

void Console::SetPanelVisible(bool visible) {
  if (background != nullptr) background->SetVisible(visible);
  SetLabelVisible(inputLabel, visible);
  for (ConsoleLine& line : lines) SetLabelVisible(line.label, visible);
}

void Console::Show() {
  SetPanelVisible(true);
}

void Console::Hide() {
  ClearInput();
  historyIndex = 0;
  SetPanelVisible(false);
}

void Console::UpdateInputLabel() {
  input[inputLength] = '\0';
  if (inputLabel != nullptr) inputLabel->SetText(input);
}

void Console::AddInputChar(char c) {
  if (inputLength >= kMaxInput) return;
  input[inputLength++] = c;
  UpdateInputLabel();
}

void Console::Backspace() {
  if (inputLength > 0) --inputLength;
  UpdateInputLabel();
}

void Console::ClearInput() {
  inputLength = 0;
  UpdateInputLabel();
}

void Console::RecallHistory() {
  if (history.empty()) return;
  // The index can point past the end only if the history shrank, which it never does; wrap all the same.
  const std::string& entry = history[static_cast<size_t>(historyIndex) % history.size()];
  inputLength = static_cast<int>(std::min(entry.size(), static_cast<size_t>(kMaxInput)));
  std::copy_n(entry.begin(), inputLength, input);
  historyIndex = static_cast<int>((static_cast<size_t>(historyIndex) + 1) % history.size());
  UpdateInputLabel();
}

void Console::Print(const std::string& text, int line) {
  if (line < 0 || line >= kLines) return;
  // Each line from the top down takes the text of the one below it; the top line's text falls off.
  for (int i = kLines - 1; i > line; --i) {
    ConsoleLine& to = lines[static_cast<size_t>(i)];
    to.text = lines[static_cast<size_t>(i - 1)].text;
    if (to.label != nullptr) to.label->SetText(to.text.c_str());
  }
  ConsoleLine& target = lines[static_cast<size_t>(line)];
  target.text = text;
  if (target.label != nullptr) target.label->SetText(text.c_str());
}

bool Console::Watch(const std::string& name) {
  VariableRecord* variable = FindVariable(name);
  if (variable == nullptr) return false;
  TextLabel* label = nullptr;
  // The first frame shows the value alone; the update adds the name.
  if (g_graphics != nullptr) {
    g_graphics->CreateTextLabel(&label, kWatchX, WatchY(watches.size()), variable->ToString().c_str(),
                                kWhite);
  }
  watches.push_back({label, variable});
  return true;
}

void Console::Unwatch(const std::string& name) {
  auto it = std::find_if(watches.begin(), watches.end(),
                         [&name](const struct Watch& w) { return w.variable->name == name; });
  if (it == watches.end()) return;
  if (g_graphics != nullptr && it->label != nullptr) g_graphics->DeleteTextLabel(it->label);
  watches.erase(it);
}

void Console::UpdateWatches() {
  for (size_t i = 0; i < watches.size(); ++i) {
    struct Watch& w = watches[i];
    if (w.label == nullptr) continue;
    w.label->SetText((w.variable->name + ": " + w.variable->ToString()).c_str());
    if (g_graphics != nullptr) g_graphics->SetTextPosition(w.label, kWatchX, WatchY(i));
  }
}

void Console::AddFunction(const std::string& name, ConsoleHandler handler) {
  for (const FunctionRecord* f : functions) {
    if (f->handler == handler) return;
  }
  functions.push_back(new FunctionRecord(name, handler));
}

void Console::AddVariable(const std::string& name, void* value, int type) {
  for (const VariableRecord* v : variables) {
    if (v->value == value) return;
  }
  variables.push_back(new VariableRecord(name, value, type));
}

FunctionRecord* Console::FindFunction(const std::string& name) const {
  const std::string key(name.c_str());  // compared up to the first NUL
  for (FunctionRecord* f : functions) {
    if (f->name == key) return f;
  }
  return nullptr;
}

VariableRecord* Console::FindVariable(const std::string& name) const {
  const std::string key(name.c_str());
  for (VariableRecord* v : variables) {
    if (v->name == key) return v;
  }
  return nullptr;
}
