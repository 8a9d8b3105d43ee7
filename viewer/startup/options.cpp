// The programs' command-line parser: option tables, getopt_long, values.
#include "options.h"

#include <getopt.h>

#include <cstring>

namespace {

// Long options carry codes above every character, so that optopt tells a
// long option from a short one.
enum OptionCode {
  OPT_DEVICE = 256,
  OPT_MEMORY,
  OPT_SIZE,
  OPT_THREADS,
  OPT_SCROLLBAR_WIDTH,
  OPT_FULLSCREEN,
  OPT_HANDHELD,
  OPT_AUTO_ROTATE,
  OPT_NO_AUTO_ROTATE,
  OPT_THUMBNAIL_SIZE,
  OPT_NO_THUMBNAIL_CACHE,
  OPT_SLIDESHOW,
  OPT_SCRIPT,
  OPT_OUT,
  OPT_TRACE,
  OPT_TIME,
  OPT_HELP,
  OPT_VERSION,
};

const option kViewerOptions[] = {
    {"device", required_argument, nullptr, OPT_DEVICE},
    {"memory", required_argument, nullptr, OPT_MEMORY},
    {"size", required_argument, nullptr, OPT_SIZE},
    {"threads", required_argument, nullptr, OPT_THREADS},
    {"fullscreen", no_argument, nullptr, OPT_FULLSCREEN},
    {"handheld", no_argument, nullptr, OPT_HANDHELD},
    {"auto-rotate", no_argument, nullptr, OPT_AUTO_ROTATE},
    {"no-auto-rotate", no_argument, nullptr, OPT_NO_AUTO_ROTATE},
    {"thumbnail-size", required_argument, nullptr, OPT_THUMBNAIL_SIZE},
    {"no-thumbnail-cache", no_argument, nullptr, OPT_NO_THUMBNAIL_CACHE},
    {"slideshow", required_argument, nullptr, OPT_SLIDESHOW},
    {"help", no_argument, nullptr, OPT_HELP},
    {"version", no_argument, nullptr, OPT_VERSION},
    {nullptr, 0, nullptr, 0},
};

const option kShotOptions[] = {
    {"device", required_argument, nullptr, OPT_DEVICE},
    {"size", required_argument, nullptr, OPT_SIZE},
    {"scrollbar-width", required_argument, nullptr, OPT_SCROLLBAR_WIDTH},
    {"memory", required_argument, nullptr, OPT_MEMORY},
    {"threads", required_argument, nullptr, OPT_THREADS},
    {"handheld", no_argument, nullptr, OPT_HANDHELD},
    {"auto-rotate", no_argument, nullptr, OPT_AUTO_ROTATE},
    {"no-auto-rotate", no_argument, nullptr, OPT_NO_AUTO_ROTATE},
    {"thumbnail-size", required_argument, nullptr, OPT_THUMBNAIL_SIZE},
    {"no-thumbnail-cache", no_argument, nullptr, OPT_NO_THUMBNAIL_CACHE},
    {"slideshow", required_argument, nullptr, OPT_SLIDESHOW},
    {"script", required_argument, nullptr, OPT_SCRIPT},
    {"out", required_argument, nullptr, OPT_OUT},
    {"trace", no_argument, nullptr, OPT_TRACE},
    {"time", no_argument, nullptr, OPT_TIME},
    {"help", no_argument, nullptr, OPT_HELP},
    {nullptr, 0, nullptr, 0},
};

const char* LongName(const option* table, int code) {
  for (const option* o = table; o->name != nullptr; ++o) {
    if (o->val == code) return o->name;
  }
  return "?";
}

// "--name" of a word that getopt_long did not take, without any "=value".
std::string OptionWord(const char* word) {
  const std::string text = word != nullptr ? word : "";
  return text.substr(0, text.find('='));
}

// Long options that begin with the word's name (after "--").
int CountPrefixMatches(const option* table, const std::string& word) {
  if (word.size() < 3 || word.compare(0, 2, "--") != 0) return 0;
  const std::string name = word.substr(2);
  int matches = 0;
  for (const option* o = table; o->name != nullptr; ++o) {
    if (std::strncmp(o->name, name.c_str(), name.size()) == 0) ++matches;
  }
  return matches;
}

class Parser {
 public:
  Parser(CommandLineProgram program, CommandLine* line, std::string* error)
      : m_program(program),
        m_table(program == PROGRAM_VIEWER ? kViewerOptions : kShotOptions),
        m_line(line),
        m_error(error) {}

  CommandLineOutcome Run(int argc, char* const* argv);

 private:
  bool Fail(const std::string& what) {
    *m_error = std::string(CommandLineProgramName(m_program)) + ": " + what;
    return false;
  }
  bool BadValue(int code, const char* value, const std::string& takes) {
    return Fail("--" + std::string(LongName(m_table, code)) + " takes " + takes + ", not '" + value + "'");
  }
  bool Take(int code, const char* value);
  bool CheckOperands();

  CommandLineProgram m_program;
  const option* m_table;
  CommandLine* m_line;
  std::string* m_error;
  bool m_bHelp = false;
  bool m_bVersion = false;
};

CommandLineOutcome Parser::Run(int argc, char* const* argv) {
  // getopt_long permutes its array: it works on a copy of the pointers.
  std::vector<char*> words(argv, argv + argc);
  words.push_back(nullptr);
  // vimbra takes its PATH anywhere; vimbra-shot's options come before the
  // events ("+"), so that "move -5 10" is an event and not an option. The
  // leading ":" reports a missing value apart from an unknown option.
  const char* shortOptions = m_program == PROGRAM_VIEWER ? ":h" : "+:h";
  optind = 0;  // GNU: start afresh, also after an earlier parse
  opterr = 0;
  for (;;) {
    const int code = getopt_long(argc, words.data(), shortOptions, m_table, nullptr);
    if (code == -1) break;
    const char* word = words[(size_t)optind - 1];
    bool ok = true;
    if (code == ':') {
      ok = Fail("option '--" + std::string(LongName(m_table, optopt)) + "' needs a value");
    } else if (code == '?' && optopt >= OPT_DEVICE) {
      ok = Fail("option '--" + std::string(LongName(m_table, optopt)) + "' takes no value");
    } else if (code == '?' && optopt != 0) {
      ok = Fail(std::string("unrecognized option '-") + (char)optopt + "'");
    } else if (code == '?') {
      const std::string name = OptionWord(word);
      ok = Fail(CountPrefixMatches(m_table, name) > 1 ? "option '" + name + "' is ambiguous"
                                                      : "unrecognized option '" + name + "'");
    } else {
      ok = Take(code, optarg);
    }
    if (!ok) return COMMAND_LINE_BAD;
  }
  if (m_bHelp) return COMMAND_LINE_HELP;
  if (m_bVersion) return COMMAND_LINE_VERSION;
  for (int i = optind; i < argc; ++i) m_line->operands.push_back(words[(size_t)i]);
  return CheckOperands() ? COMMAND_LINE_RUN : COMMAND_LINE_BAD;
}

bool Parser::Take(int code, const char* value) {
  long long number = 0;
  switch (code) {
    case 'h':
    case OPT_HELP:
      m_bHelp = true;
      return true;
    case OPT_VERSION:
      m_bVersion = true;
      return true;
    case OPT_FULLSCREEN:
      m_line->fullScreen = true;
      return true;
    case OPT_HANDHELD:
      m_line->handheld = true;
      return true;
    // The later of --auto-rotate and --no-auto-rotate counts, so that either
    // can be added to a command line that has the other.
    case OPT_AUTO_ROTATE:
    case OPT_NO_AUTO_ROTATE:
      m_line->autoRotate = code == OPT_AUTO_ROTATE;
      m_line->noAutoRotate = code == OPT_NO_AUTO_ROTATE;
      return true;
    case OPT_NO_THUMBNAIL_CACHE:
      m_line->noThumbnailCache = true;
      return true;
    case OPT_TRACE:
      m_line->trace = true;
      return true;
    case OPT_TIME:
      m_line->timing = true;
      return true;
    case OPT_DEVICE:
    case OPT_SCRIPT:
    case OPT_OUT:
      if (*value == 0) return Fail("option '--" + std::string(LongName(m_table, code)) + "' needs a value");
      (code == OPT_DEVICE ? m_line->device : code == OPT_SCRIPT ? m_line->script : m_line->out) = value;
      return true;
    case OPT_MEMORY:
      if (!ParseBoundedNumber(value, 0, kMaxMemoryMb, &number)) {
        return BadValue(code, value, "a number of megabytes from 0 to " + std::to_string(kMaxMemoryMb));
      }
      m_line->memoryMb = number;
      return true;
    case OPT_THREADS:
      if (!ParseBoundedNumber(value, 1, kMaxThreads, &number)) {
        return BadValue(code, value, "a number from 1 to " + std::to_string(kMaxThreads));
      }
      m_line->threads = (int)number;
      return true;
    case OPT_SCROLLBAR_WIDTH:
      if (!ParseBoundedNumber(value, 0, kMaxScrollBarWidth, &number)) {
        return BadValue(code, value, "a number of pixels from 0 to " + std::to_string(kMaxScrollBarWidth));
      }
      m_line->scrollBarWidth = (int)number;
      return true;
    case OPT_THUMBNAIL_SIZE:
      if (!ParseBoundedNumber(value, kMinThumbnailSize, kMaxThumbnailSize, &number)) {
        return BadValue(code, value,
                        "a number of pixels from " + std::to_string(kMinThumbnailSize) + " to " +
                            std::to_string(kMaxThumbnailSize));
      }
      m_line->thumbnailSize = (int)number;
      return true;
    case OPT_SLIDESHOW:
      if (!ParseBoundedNumber(value, kMinSlideshowSeconds, kMaxSlideshowSeconds, &number)) {
        return BadValue(code, value,
                        "a number of seconds from " + std::to_string(kMinSlideshowSeconds) + " to " +
                            std::to_string(kMaxSlideshowSeconds));
      }
      m_line->slideshowSeconds = (int)number;
      return true;
    case OPT_SIZE:
      if (!ParseAreaSize(value, &m_line->width, &m_line->height)) {
        return BadValue(code, value, "WxH, each side from 1 to " + std::to_string(kMaxAreaSide));
      }
      return true;
    default:
      return Fail("unrecognized option");
  }
}

bool Parser::CheckOperands() {
  const std::vector<std::string>& words = m_line->operands;
  // The handheld's cells are 64 pixels, exactly; a size for it would be
  // silently a different viewer.
  if (m_line->handheld && m_line->thumbnailSize != 0) {
    return Fail("--thumbnail-size is the desktop's: the handheld's thumbnails are 64 pixels");
  }
  if (m_line->handheld && m_line->slideshowSeconds != 0) {
    return Fail("--slideshow is the desktop's: the handheld has no slideshow");
  }
  if (m_program == PROGRAM_VIEWER) {
    if (words.size() > 1) return Fail("one PATH at most ('" + words[1] + "' follows '" + words[0] + "')");
    return true;
  }
  if (m_line->device.empty()) return Fail("--device DIR is required");
  for (const std::string& word : words) {
    // An option after the first event would silently become an event word.
    if (word.size() > 2 && word.compare(0, 2, "--") == 0) {
      return Fail("options come before the events ('" + word + "')");
    }
  }
  return true;
}

}  // namespace

CommandLineOutcome ParseCommandLine(CommandLineProgram program, int argc, char* const* argv, CommandLine* line,
                                    std::string* error) {
  Parser parser(program, line, error);
  return parser.Run(argc, argv);
}

const char* CommandLineProgramName(CommandLineProgram program) {
  return program == PROGRAM_VIEWER ? "vimbra" : "vimbra-shot";
}

std::string CommandLineTryHelp(CommandLineProgram program) {
  return std::string("Try '") + CommandLineProgramName(program) + " --help'.";
}

bool ParseBoundedNumber(const char* text, long long low, long long high, long long* value) {
  if (text == nullptr || *text == 0) return false;
  long long v = 0;
  for (const char* p = text; *p != 0; ++p) {
    if (*p < '0' || *p > '9') return false;
    // Past `high` already: stop before the multiplication can overflow.
    if (v > high) return false;
    v = v * 10 + (*p - '0');
  }
  if (v < low || v > high) return false;
  *value = v;
  return true;
}

bool ParseAreaSize(const char* text, int* width, int* height) {
  if (text == nullptr) return false;
  const char* cross = std::strpbrk(text, "xX");
  if (cross == nullptr) return false;
  const std::string w(text, (size_t)(cross - text));
  long long x = 0, y = 0;
  if (!ParseBoundedNumber(w.c_str(), 1, kMaxAreaSide, &x) || !ParseBoundedNumber(cross + 1, 1, kMaxAreaSide, &y)) {
    return false;
  }
  *width = (int)x;
  *height = (int)y;
  return true;
}
