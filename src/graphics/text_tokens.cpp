// Tokens of the game's text files and the leading-number rule.
#include "graphics/text_tokens.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <system_error>

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The C conversions take one optional sign: "+-1" holds no number. What is left once a plus sign is read.
std::string_view AfterPlus(std::string_view text) {
  if (text.empty() || text[0] != '+') return text;
  text.remove_prefix(1);
  return !text.empty() && text[0] == '-' ? std::string_view() : text;
}

std::string Malformed(std::string_view token, std::string_view what, std::string_view expected,
                      std::string_view readAs) {
  std::string message = "expected ";
  message.append(expected).append(" (").append(what).append("), found ");
  message.append(Quoted(token)).append("; read as ").append(readAs);
  return message;
}

}  // namespace

bool IsSpace(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool TokenReader::Next(std::string& token) {
  using Traits = std::istream::traits_type;
  int c = in_.get();
  for (; c != Traits::eof() && IsSpace(c); c = in_.get()) {
    if (c == '\n') ++line_;
  }
  if (c == Traits::eof()) {
    atEnd_ = true;
    return false;
  }
  token.clear();
  tokenLine_ = line_;
  for (; c != Traits::eof() && !IsSpace(c); c = in_.get()) token.push_back(static_cast<char>(c));
  if (c == Traits::eof()) atEnd_ = true;  // the token was the last thing in the file
  if (c == '\n') ++line_;
  return true;
}

bool IsWholeReal(std::string_view text) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const size_t exponent = i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    if (i == exponent) return false;
  }
  return i == text.size();
}

bool IsWholeInteger(std::string_view text) {
  size_t i = (!text.empty() && (text[0] == '+' || text[0] == '-')) ? 1 : 0;
  if (i == text.size()) return false;
  for (; i < text.size(); ++i) {
    if (!IsDigit(text[i])) return false;
  }
  return true;
}

bool LeadingReal(std::string_view text, float& out) {
  out = 0.0f;
  text = AfterPlus(text);
  // Only decimal forms: "inf", "nan" and hexadecimal would be accepted by the C library but make no place.
  if (text.empty() || !(IsDigit(text[0]) || text[0] == '.' || text[0] == '-')) return true;
  float value = 0.0f;
  const auto result =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
  if (result.ec == std::errc::invalid_argument) return true;
  if (result.ec != std::errc() || !std::isfinite(value)) return false;
  out = value;
  return true;
}

bool LeadingInteger(std::string_view text, int& out) {
  out = 0;
  text = AfterPlus(text);
  int value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec == std::errc::invalid_argument) return true;
  if (result.ec != std::errc()) return false;
  out = value;
  return true;
}

float RealField(std::string_view token, std::string_view what, std::string& malformed) {
  float value = 0.0f;
  const bool fits = LeadingReal(token, value);
  malformed.clear();
  if (!fits || !IsWholeReal(token)) {
    char number[32];
    std::snprintf(number, sizeof number, "%g", static_cast<double>(value));
    malformed = Malformed(token, what, "a number", number);
  }
  return value;
}

int IntegerField(std::string_view token, std::string_view what, std::string& malformed) {
  int value = 0;
  const bool fits = LeadingInteger(token, value);
  malformed.clear();
  if (!fits || !IsWholeInteger(token))
    malformed = Malformed(token, what, "a whole number", std::to_string(value));
  return value;
}

std::string Quoted(std::string_view text) {
  // Built by appends: the operator+ chain trips a false -Wrestrict inside libstdc++ 12 at -O3.
  const bool cut = text.size() > kQuotedMax;
  if (cut) text = text.substr(0, kQuotedMax);
  std::string quoted;
  quoted.reserve(text.size() + 5);
  quoted.push_back('"');
  quoted.append(text);
  if (cut) quoted.append("...");
  quoted.push_back('"');
  return quoted;
}
