// Reads GLSL source just far enough to know which functions it defines and which uniforms it declares.
#include "platform/headless/glsl_scan.h"

#include <algorithm>
#include <cctype>

namespace plat::headless::glsl {

namespace {

// Identifiers, numbers and single punctuation characters, with comments removed.
std::vector<std::string> Tokenize(std::string_view src) {
  std::vector<std::string> tokens;
  size_t i = 0;
  auto ident = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
  while (i < src.size()) {
    const char c = src[i];
    if (src.compare(i, 2, "//") == 0) {
      while (i < src.size() && src[i] != '\n') ++i;
    } else if (src.compare(i, 2, "/*") == 0) {
      const size_t end = src.find("*/", i + 2);
      i = end == std::string_view::npos ? src.size() : end + 2;
    } else if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
    } else if (ident(c)) {
      const size_t start = i;
      while (i < src.size() && (ident(src[i]) || src[i] == '.')) ++i;
      tokens.emplace_back(src.substr(start, i - start));
    } else {
      tokens.emplace_back(1, c);
      ++i;
    }
  }
  return tokens;
}

bool IsIdentifier(const std::string& t) {
  return !t.empty() && (std::isalpha(static_cast<unsigned char>(t[0])) || t[0] == '_');
}

}  // namespace

bool DefinesFunction(std::string_view source, std::string_view name) {
  const std::vector<std::string> tokens = Tokenize(source);
  for (size_t i = 0; i + 2 < tokens.size(); ++i)
    if (tokens[i] == "void" && tokens[i + 1] == name && tokens[i + 2] == "(") return true;
  return false;
}

std::vector<std::string> UniformNames(std::string_view source) {
  const std::vector<std::string> tokens = Tokenize(source);
  std::vector<std::string> names;
  auto statement = tokens.begin();
  while (statement < tokens.end()) {
    // Statements end at ';', '{' or '}'; a uniform declaration is one ending at ';'.
    const auto end = std::find_if(statement, tokens.end(),
                                  [](const std::string& t) { return t == ";" || t == "{" || t == "}"; });
    const auto keyword = std::find(statement, end, std::string("uniform"));
    if (end != tokens.end() && *end == ";" && keyword != end) {
      // Each declarator's name is its last identifier outside brackets and before any initialiser (the
      // first declarator's type comes before its name).
      bool inInitialiser = false;
      int depth = 0;
      std::string last;
      auto finish = [&] {
        if (!last.empty()) names.push_back(last);
        inInitialiser = false;
        last.clear();
      };
      for (auto t = keyword + 1; t != end; ++t) {
        if (*t == "[" || *t == "(")
          ++depth;
        else if (*t == "]" || *t == ")")
          --depth;
        else if (depth == 0 && *t == ",")
          finish();
        else if (depth == 0 && *t == "=")
          inInitialiser = true;
        else if (depth == 0 && !inInitialiser && IsIdentifier(*t))
          last = *t;
      }
      finish();
    }
    statement = end == tokens.end() ? end : end + 1;
  }
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

}  // namespace plat::headless::glsl
