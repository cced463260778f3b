// Console function and variable records: a variable's value as text and set from text.
#include "console/console_records.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

void VariableRecord::SetFromString(const std::string& text) {
  const char* s = text.c_str();
  switch (type) {
    case kIntVariable:
      *static_cast<int*>(value) = std::atoi(s);
      break;
    case kFloatVariable:
      *static_cast<float*>(value) = static_cast<float>(std::atof(s));
      break;
    case kBoolVariable:
      if (s[0] == '0' || s[0] == 'f' || s[0] == 'F') {
        *static_cast<bool*>(value) = false;
      } else if (s[0] == '1' || s[0] == 't' || s[0] == 'T') {
        *static_cast<bool*>(value) = true;
      } else {
        throw std::runtime_error("Invalid Input, try true or false");
      }
      break;
    default:
      break;
  }
}

std::string VariableRecord::ToString() const {
  char text[64];
  switch (type) {
    case kIntVariable:
      std::snprintf(text, sizeof text, "%d", *static_cast<const int*>(value));
      return text;
    case kFloatVariable:
      // The largest float takes 47 characters with "%f".
      std::snprintf(text, sizeof text, "%f", static_cast<double>(*static_cast<const float*>(value)));
      return text;
    case kBoolVariable:
      return *static_cast<const bool*>(value) ? "True" : "False";
    default:
      return "";
  }
}

std::string GetFirstWord(const std::string& text) {
  const std::string s(text.c_str());  // up to the first NUL
  const size_t start = s.find_first_not_of(' ');
  if (start == std::string::npos) return "";
  const size_t end = s.find(' ', start);
  return s.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

void ConsoleAnswer(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int n = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string text(static_cast<size_t>(n > 0 ? n : 0), '\0');
  std::vsnprintf(text.data(), text.size() + 1, format, again);
  va_end(again);
  throw std::runtime_error(text);
}
