// Event words: splitting lines with quotes, joining command-line arguments,
// reading a script with a size bound.
#include "startup/eventwords.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <sstream>

#include "platform/base/hostfile.h"

namespace EventWords {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// The verbs, and how many arguments each takes before the next verb can
// start an event ("folder" takes any number of names).
const struct {
  const char* verb;
  size_t arguments;
} kVerbs[] = {{"tap", 2},    {"dbltap", 2},        {"down", 2},   {"move", 2},   {"up", 2},
              {"key", 1},    {"keydown", 1},       {"keyup", 1},  {"scroll", 1}, {"command", 1},
              {"folder", 0}, {"folder-cancel", 0}, {"resize", 2}, {"wait", 1},   {"pump", 0},
              {"idle", 0},   {"shot", 1},          {"wheel", 1},  {"panel", 1}};

}  // namespace

bool Split(const std::string& line, std::vector<std::string>* words, std::string* error) {
  words->clear();
  std::string word;
  bool inWord = false;
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"') {
        quoted = false;
      } else if (c == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) {
        word += line[++i];
      } else {
        word += c;
      }
    } else if (c == '"') {
      quoted = true;
      inWord = true;
    } else if (c == '#') {
      break;
    } else if (IsBlank(c)) {
      if (inWord) words->push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (quoted) {
    *error = "\"" + line + "\": a double quote is not closed";
    return false;
  }
  if (inWord) words->push_back(word);
  return true;
}

std::string Quote(const std::string& word) {
  const bool plain = !word.empty() && std::none_of(word.begin(), word.end(), [](char c) {
    return IsBlank(c) || c == '"' || c == '#' || c == '\\';
  });
  if (plain) return word;
  std::string quoted = "\"";
  for (char c : word) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

std::vector<std::string> JoinArguments(const std::vector<std::string>& arguments) {
  std::vector<std::string> lines;
  size_t pending = 0;  // arguments the current event still needs
  for (const std::string& argument : arguments) {
    const bool asWritten = !argument.empty() && argument[0] == '"';
    const auto* known = std::find_if(std::begin(kVerbs), std::end(kVerbs),
                                     [&](const auto& v) { return !asWritten && argument == v.verb; });
    const std::string word = asWritten ? argument : Quote(argument);
    if (known != std::end(kVerbs) && pending == 0) {
      lines.push_back(word);
      pending = known->arguments;
    } else if (lines.empty()) {
      lines.push_back(word);
    } else {
      lines.back() += " " + word;
      if (pending > 0) --pending;
    }
  }
  return lines;
}

bool ReadScript(const std::string& path, std::vector<std::string>* lines, std::string* error) {
  std::string text;
  int code = 0;
  const std::string what = "--script " + path + ": ";
  switch (ReadHostFile(path, kMaxScriptBytes, HOST_FILE_REGULAR_OR_PIPE, &text, &code)) {
    case HOST_FILE_READ:
      break;
    case HOST_FILE_NOT_ALLOWED:
      *error = what + "not a regular file or a pipe";
      return false;
    case HOST_FILE_TOO_LARGE:
      *error = what + "larger than " + std::to_string(kMaxScriptBytes >> 20) + " MB";
      return false;
    case HOST_FILE_ABSENT:
    case HOST_FILE_FAILED:
      *error = what + std::strerror(code);
      return false;
  }
  lines->clear();
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines->push_back(line);
  return true;
}

}  // namespace EventWords
