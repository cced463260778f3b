// The console's named things: functions (its commands) and variables (program values it shows, sets and
// watches), and the first-word rule the interpreter reads names and values with.
#pragma once

#include <string>
#include <vector>

// A command: takes the argument words and reports its result and its errors alike by throwing a
// std::runtime_error whose message is the text to print; one with nothing to say returns normally.
using ConsoleArgs = std::vector<std::string>;
using ConsoleHandler = void (*)(const ConsoleArgs& args);

enum VariableType : int { kIntVariable = 0, kFloatVariable = 1, kBoolVariable = 2 };

class FunctionRecord {
 public:
  FunctionRecord(std::string name, ConsoleHandler handler) : name(std::move(name)), handler(handler) {}

  std::string GetName() const { return name; }
  void Call(const ConsoleArgs& args) const { handler(args); }

  std::string name;
  ConsoleHandler handler;
};

class VariableRecord {
 public:
  // value is the program's own variable (an int, a float or a bool by type); the record does not own it.
  VariableRecord(std::string name, void* value, int type) : name(std::move(name)), value(value), type(type) {}

  std::string GetName() const { return name; }
  // int: leading digits (0 without any); float: the leading number; bool: by the first character, 0/f/F
  // false and 1/t/T true, anything else throws "Invalid Input, try true or false" and keeps the value.
  void SetFromString(const std::string& text);
  // "%d", "%f", or "True"/"False"; empty for an unknown type.
  std::string ToString() const;

  std::string name;
  void* value;
  int type;
};

// Throws the printf-formatted text as a console answer (a std::runtime_error); nothing cuts it short.
[[noreturn]] void ConsoleAnswer(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Skips leading spaces and returns the characters up to the next space or the end (only the space is a
// blank; the text ends at its first NUL).
std::string GetFirstWord(const std::string& text);
