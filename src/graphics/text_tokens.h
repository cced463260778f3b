// Tokens of the game's text files (models, levels, tables, scripts) and the C library's leading-number rule
// for reading them: white-space separated words, each with the line it starts on.
#pragma once

#include <istream>
#include <string>
#include <string_view>

bool IsSpace(int c);

// White-space separated tokens, each with the line it starts on. Line ends carry no meaning.
class TokenReader {
 public:
  explicit TokenReader(std::istream& in) : in_(in) {}

  // The next token, or false when only white space is left; a read that finds nothing changes nothing.
  bool Next(std::string& token);
  // True once a read has run into the end of the file.
  bool AtEnd() const { return atEnd_; }
  // The line of the last token read (line 1 before any).
  int Line() const { return tokenLine_; }

 private:
  std::istream& in_;
  int line_ = 1;
  int tokenLine_ = 1;
  bool atEnd_ = false;
};

// A decimal number written in full: optional sign, digits with an optional point, optional exponent.
bool IsWholeReal(std::string_view text);
// A decimal integer written in full: optional sign and digits.
bool IsWholeInteger(std::string_view text);

// The leading number of a token, as the C conversions read it: "12.5x" is 12.5, a token that does not start
// with a number is 0. False when the leading number does not fit (then the value is 0).
bool LeadingReal(std::string_view text, float& out);
bool LeadingInteger(std::string_view text, int& out);

// A number field of a record, read by the leading-number rule. When the token is not wholly a number, or its
// leading number does not fit, `malformed` says what the field (`what`) expected, what was found and what
// it was read as; otherwise `malformed` is left empty.
float RealField(std::string_view token, std::string_view what, std::string& malformed);
int IntegerField(std::string_view token, std::string_view what, std::string& malformed);

// The text in double quotes, for messages; past kQuotedMax characters it is cut, with "..." before the
// closing quote, so that a damaged file's long token does not flood the report.
constexpr size_t kQuotedMax = 40;
std::string Quoted(std::string_view text);
