// The command lines of vimbra and vimbra-shot: one parser for both, over
// getopt_long, with strict numbers and sizes and one form for every error.
#pragma once

#include <string>
#include <vector>

// Which program's options are read.
enum CommandLineProgram { PROGRAM_VIEWER, PROGRAM_SHOT };

// What the program does after reading its command line.
enum CommandLineOutcome {
  COMMAND_LINE_RUN,
  COMMAND_LINE_HELP,     // --help: print the usage, exit 0
  COMMAND_LINE_VERSION,  // --version: print the version, exit 0
  COMMAND_LINE_BAD,      // print the error and the "Try" line, exit 2
};

constexpr int kExitUsage = 2;
constexpr int kMaxAreaSide = 16384;
constexpr int kMaxThreads = 256;
constexpr int kMaxScrollBarWidth = 256;
constexpr long long kMaxMemoryMb = 1ll << 40;
// --thumbnail-size: the grid's cells from the handheld's 64 pixels to 256.
constexpr int kMinThumbnailSize = 64;
constexpr int kMaxThumbnailSize = 256;
// --slideshow: the pace in whole seconds, up to an hour.
constexpr int kMinSlideshowSeconds = 1;
constexpr int kMaxSlideshowSeconds = 3600;

struct CommandLine {
  std::string device;
  long long memoryMb = -1;  // -1: the heap's default budget
  // --size; 0 × 0 when not given (the profile's default then).
  int width = 0;
  int height = 0;
  int threads = 0;          // 0: one per processor core
  int scrollBarWidth = -1;  // -1: the host's default (vimbra-shot)
  bool fullScreen = false;
  // --handheld: the handheld's viewer instead of the desktop's.
  bool handheld = false;
  bool autoRotate = false;
  bool noAutoRotate = false;
  int thumbnailSize = 0;  // 0: the profile's default (or the kept size)
  bool noThumbnailCache = false;
  int slideshowSeconds = 0;  // 0: the desktop's default pace
  bool trace = false;
  bool timing = false;
  std::string script;
  std::string out;
  // vimbra: at most one PATH. vimbra-shot: the event words, in order; every
  // word from the first one that is not an option on is an event word.
  std::vector<std::string> operands;
};

// Reads argv[1..argc-1]. For COMMAND_LINE_BAD, *error is one line naming the
// program ("vimbra: --memory takes ..."), without a newline.
CommandLineOutcome ParseCommandLine(CommandLineProgram program, int argc, char* const* argv, CommandLine* line,
                                    std::string* error);

// "vimbra" or "vimbra-shot".
const char* CommandLineProgramName(CommandLineProgram program);
// "Try 'vimbra --help'.": the line that follows every error of the command line.
std::string CommandLineTryHelp(CommandLineProgram program);

// The strict forms, also used for values read elsewhere: decimal digits only,
// in [low, high]; "WxH" with each side in [1, kMaxAreaSide].
bool ParseBoundedNumber(const char* text, long long low, long long high, long long* value);
bool ParseAreaSize(const char* text, int* width, int* height);
