// The console's line interpreter: the first "=" or "(" of a line decides whether it shows a variable, sets
// one or calls a function; every answer is a thrown message that Submit prints.
#include <stdexcept>
#include <string>
#include <vector>

#include "console/console.h"

namespace {

// The argument words of a call: the tail after "(" split at "," up to ")", the first word of each piece.
// Without a ")" the last piece is dropped; a ")" right at the start gives no argument at all.
std::vector<std::string> ParseArguments(const std::string& tail) {
  std::vector<std::string> args;
  std::string token;
  for (size_t i = 0; i < tail.size() && tail[i] != '\0'; ++i) {
    const char c = tail[i];
    if (c == ')') {
      if (i > 0) args.push_back(GetFirstWord(token));
      break;
    }
    if (c == ',') {
      args.push_back(GetFirstWord(token));
      token.clear();
    } else {
      token += c;
    }
  }
  return args;
}

}  // namespace

void Console::Execute(const std::string& line) {
  const std::string text(line.c_str());
  const size_t separator = text.find_first_of("=(");
  const size_t i = separator == std::string::npos ? text.size() : separator;
  if (i == 0) throw std::runtime_error("Empty Parameters");

  if (separator == std::string::npos) {
    const std::string name = GetFirstWord(text);
    const VariableRecord* variable = FindVariable(name);
    if (variable == nullptr) ConsoleAnswer("Variable \"%s\" not found.", name.c_str());
    ConsoleAnswer("%s = %s", variable->name.c_str(), variable->ToString().c_str());
  }

  const std::string head = text.substr(0, i);
  const std::string tail = text.substr(i + 1);
  if (text[i] == '=') {
    const std::string value = GetFirstWord(tail);
    if (value.empty()) throw std::runtime_error("Needs more parameters.");
    const std::string name = GetFirstWord(head);
    VariableRecord* variable = FindVariable(name);
    if (variable == nullptr) ConsoleAnswer("Variable \"%s\" not found.", name.c_str());
    variable->SetFromString(value);
    ConsoleAnswer("%s = %s", variable->name.c_str(), variable->ToString().c_str());
  }

  // The call form compares the untrimmed head: a blank before or after the name makes it unfound.
  const FunctionRecord* function = FindFunction(head);
  if (function == nullptr) ConsoleAnswer("Function \"%s\" not found.", GetFirstWord(head).c_str());
  function->Call(ParseArguments(tail));
}

void Console::Submit() {
  const std::string line = InputText();
  try {
    Execute(line);
  } catch (const std::exception& answer) {
    // One output line per piece between newlines; a final newline prints an empty last line.
    const std::string message = answer.what();
    size_t start = 0;
    for (size_t end; (end = message.find('\n', start)) != std::string::npos; start = end + 1) {
      Print(message.substr(start, end - start));
    }
    Print(message.substr(start));
  }
  history.push_front(line);
  ClearInput();
}
