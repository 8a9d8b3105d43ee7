// The command lines of vimbra and vimbra-shot go through one parser: the
// same options take "--opt value" and "--opt=value", the same numbers and
// sizes are refused in the same one-line form, and each program takes only
// its own options. These tests parse real argument vectors.
#include "startup/options.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

struct Parsed {
  CommandLineOutcome outcome;
  CommandLine line;
  std::string error;
};

Parsed Parse(CommandLineProgram program, std::vector<std::string> words) {
  words.insert(words.begin(), CommandLineProgramName(program));
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  Parsed parsed;
  parsed.outcome = ParseCommandLine(program, (int)words.size(), argv.data(), &parsed.line, &parsed.error);
  return parsed;
}

}  // namespace

TEST(CommandLineTest, EveryOptionTakesItsValueInBothFormsAndLandsInItsField) {
  struct Case {
    CommandLineProgram program;
    std::string option;
    std::string value;  // empty: a flag
    std::function<bool(const CommandLine&)> landed;
  };
  const Case cases[] = {
      {PROGRAM_VIEWER, "--device", "/some/dir", [](const CommandLine& l) { return l.device == "/some/dir"; }},
      {PROGRAM_VIEWER, "--memory", "17", [](const CommandLine& l) { return l.memoryMb == 17; }},
      {PROGRAM_VIEWER, "--memory", "0", [](const CommandLine& l) { return l.memoryMb == 0; }},
      {PROGRAM_VIEWER, "--size", "320x200", [](const CommandLine& l) { return l.width == 320 && l.height == 200; }},
      {PROGRAM_VIEWER, "--size", "16384X1", [](const CommandLine& l) { return l.width == 16384 && l.height == 1; }},
      {PROGRAM_VIEWER, "--threads", "256", [](const CommandLine& l) { return l.threads == 256; }},
      {PROGRAM_VIEWER, "--fullscreen", "", [](const CommandLine& l) { return l.fullScreen; }},
      {PROGRAM_VIEWER, "--auto-rotate", "", [](const CommandLine& l) { return l.autoRotate && !l.noAutoRotate; }},
      {PROGRAM_VIEWER, "--no-auto-rotate", "", [](const CommandLine& l) { return l.noAutoRotate && !l.autoRotate; }},
      {PROGRAM_VIEWER, "--handheld", "", [](const CommandLine& l) { return l.handheld; }},
      {PROGRAM_VIEWER, "--thumbnail-size", "64", [](const CommandLine& l) { return l.thumbnailSize == 64; }},
      {PROGRAM_VIEWER, "--thumbnail-size", "256", [](const CommandLine& l) { return l.thumbnailSize == 256; }},
      {PROGRAM_VIEWER, "--no-thumbnail-cache", "", [](const CommandLine& l) { return l.noThumbnailCache; }},
      {PROGRAM_VIEWER, "--slideshow", "1", [](const CommandLine& l) { return l.slideshowSeconds == 1; }},
      {PROGRAM_VIEWER, "--slideshow", "3600", [](const CommandLine& l) { return l.slideshowSeconds == 3600; }},
      {PROGRAM_SHOT, "--size", "1x1", [](const CommandLine& l) { return l.width == 1 && l.height == 1; }},
      {PROGRAM_SHOT, "--scrollbar-width", "0", [](const CommandLine& l) { return l.scrollBarWidth == 0; }},
      {PROGRAM_SHOT, "--memory", "1099511627776", [](const CommandLine& l) { return l.memoryMb == (1ll << 40); }},
      {PROGRAM_SHOT, "--threads", "1", [](const CommandLine& l) { return l.threads == 1; }},
      {PROGRAM_SHOT, "--script", "a b.txt", [](const CommandLine& l) { return l.script == "a b.txt"; }},
      {PROGRAM_SHOT, "--out", "x=y.png", [](const CommandLine& l) { return l.out == "x=y.png"; }},
      {PROGRAM_SHOT, "--auto-rotate", "", [](const CommandLine& l) { return l.autoRotate; }},
      {PROGRAM_SHOT, "--no-auto-rotate", "", [](const CommandLine& l) { return l.noAutoRotate; }},
      {PROGRAM_SHOT, "--handheld", "", [](const CommandLine& l) { return l.handheld; }},
      {PROGRAM_SHOT, "--thumbnail-size", "100", [](const CommandLine& l) { return l.thumbnailSize == 100; }},
      {PROGRAM_SHOT, "--no-thumbnail-cache", "", [](const CommandLine& l) { return l.noThumbnailCache; }},
      {PROGRAM_SHOT, "--slideshow", "2", [](const CommandLine& l) { return l.slideshowSeconds == 2; }},
      {PROGRAM_SHOT, "--trace", "", [](const CommandLine& l) { return l.trace; }},
      {PROGRAM_SHOT, "--time", "", [](const CommandLine& l) { return l.timing; }},
  };
  for (const Case& c : cases) {
    std::vector<std::vector<std::string>> forms;
    if (c.value.empty()) {
      forms = {{c.option}};
    } else {
      forms = {{c.option, c.value}, {c.option + "=" + c.value}};
    }
    for (std::vector<std::string> words : forms) {
      if (c.program == PROGRAM_SHOT && c.option != "--device") words.insert(words.end(), {"--device", "d"});
      const Parsed p = Parse(c.program, words);
      EXPECT_EQ(p.outcome, COMMAND_LINE_RUN) << words[0] << " " << p.error;
      EXPECT_TRUE(c.landed(p.line)) << words[0];
    }
  }
}

TEST(CommandLineTest, DefaultsHelpVersionAndOperands) {
  Parsed p = Parse(PROGRAM_VIEWER, {});
  EXPECT_EQ(p.outcome, COMMAND_LINE_RUN);
  EXPECT_EQ(p.line.memoryMb, -1);
  EXPECT_EQ(p.line.threads, 0);
  // No size, profile or thumbnail size given: the profile's defaults apply.
  EXPECT_EQ(p.line.width, 0);
  EXPECT_EQ(p.line.height, 0);
  EXPECT_FALSE(p.line.handheld);
  EXPECT_EQ(p.line.thumbnailSize, 0);
  EXPECT_FALSE(p.line.fullScreen);
  EXPECT_TRUE(p.line.operands.empty());

  EXPECT_EQ(Parse(PROGRAM_VIEWER, {"--help"}).outcome, COMMAND_LINE_HELP);
  EXPECT_EQ(Parse(PROGRAM_VIEWER, {"-h"}).outcome, COMMAND_LINE_HELP);
  EXPECT_EQ(Parse(PROGRAM_VIEWER, {"--version"}).outcome, COMMAND_LINE_VERSION);
  EXPECT_EQ(Parse(PROGRAM_SHOT, {"--help"}).outcome, COMMAND_LINE_HELP);

  // vimbra: one PATH, before or after the options.
  p = Parse(PROGRAM_VIEWER, {"My Pictures/a.jpg", "--fullscreen"});
  EXPECT_EQ(p.outcome, COMMAND_LINE_RUN);
  EXPECT_TRUE(p.line.fullScreen);
  EXPECT_EQ(p.line.operands, std::vector<std::string>{"My Pictures/a.jpg"});
  p = Parse(PROGRAM_VIEWER, {"--", "--odd-name"});
  EXPECT_EQ(p.line.operands, std::vector<std::string>{"--odd-name"});
  // The later of --auto-rotate and --no-auto-rotate counts.
  p = Parse(PROGRAM_VIEWER, {"--no-auto-rotate", "--auto-rotate"});
  EXPECT_TRUE(p.line.autoRotate && !p.line.noAutoRotate);
  p = Parse(PROGRAM_VIEWER, {"--auto-rotate", "--no-auto-rotate"});
  EXPECT_TRUE(p.line.noAutoRotate && !p.line.autoRotate);

  // vimbra-shot: every word from the first event on is an event word, so a
  // negative coordinate is not an option.
  p = Parse(PROGRAM_SHOT, {"--device", "d", "tap", "1", "2", "move", "-5", "10", "-h"});
  EXPECT_EQ(p.outcome, COMMAND_LINE_RUN) << p.error;
  EXPECT_EQ(p.line.operands, (std::vector<std::string>{"tap", "1", "2", "move", "-5", "10", "-h"}));
}

TEST(CommandLineTest, EveryBadCommandLineIsOneLineNamingTheProgram) {
  struct Case {
    CommandLineProgram program;
    std::vector<std::string> words;
    std::string error;
  };
  const std::string mb = "a number of megabytes from 0 to 1099511627776";
  const std::string wxh = "WxH, each side from 1 to 16384";
  const std::string seconds = "a number of seconds from 1 to 3600";
  const Case cases[] = {
      {PROGRAM_VIEWER, {"--bogus"}, "vimbra: unrecognized option '--bogus'"},
      {PROGRAM_VIEWER, {"--bogus=1"}, "vimbra: unrecognized option '--bogus'"},
      {PROGRAM_VIEWER, {"-x"}, "vimbra: unrecognized option '-x'"},
      {PROGRAM_VIEWER, {"--device"}, "vimbra: option '--device' needs a value"},
      {PROGRAM_VIEWER, {"--device="}, "vimbra: option '--device' needs a value"},
      {PROGRAM_VIEWER, {"--fullscreen=yes"}, "vimbra: option '--fullscreen' takes no value"},
      {PROGRAM_VIEWER, {"--memory", "abc"}, "vimbra: --memory takes " + mb + ", not 'abc'"},
      {PROGRAM_VIEWER, {"--memory=-1"}, "vimbra: --memory takes " + mb + ", not '-1'"},
      {PROGRAM_VIEWER, {"--memory", "17592186044416"}, "vimbra: --memory takes " + mb + ", not '17592186044416'"},
      {PROGRAM_VIEWER,
       {"--memory", "99999999999999999999999"},
       "vimbra: --memory takes " + mb + ", not '99999999999999999999999'"},
      {PROGRAM_VIEWER, {"--size", "240x268junk"}, "vimbra: --size takes " + wxh + ", not '240x268junk'"},
      {PROGRAM_VIEWER, {"--size=0x0"}, "vimbra: --size takes " + wxh + ", not '0x0'"},
      {PROGRAM_VIEWER, {"--size", "16385x10"}, "vimbra: --size takes " + wxh + ", not '16385x10'"},
      {PROGRAM_VIEWER, {"--size", "+240x268"}, "vimbra: --size takes " + wxh + ", not '+240x268'"},
      {PROGRAM_VIEWER, {"--size", "240x"}, "vimbra: --size takes " + wxh + ", not '240x'"},
      {PROGRAM_VIEWER, {"--threads", "0"}, "vimbra: --threads takes a number from 1 to 256, not '0'"},
      {PROGRAM_VIEWER, {"--threads=257"}, "vimbra: --threads takes a number from 1 to 256, not '257'"},
      {PROGRAM_VIEWER, {"--threads", " 4"}, "vimbra: --threads takes a number from 1 to 256, not ' 4'"},
      {PROGRAM_VIEWER, {"a", "b"}, "vimbra: one PATH at most ('b' follows 'a')"},
      {PROGRAM_VIEWER,
       {"--thumbnail-size", "63"},
       "vimbra: --thumbnail-size takes a number of pixels from 64 to 256, not '63'"},
      {PROGRAM_VIEWER,
       {"--thumbnail-size=257"},
       "vimbra: --thumbnail-size takes a number of pixels from 64 to 256, not '257'"},
      {PROGRAM_VIEWER, {"--handheld=1"}, "vimbra: option '--handheld' takes no value"},
      // The handheld's cells are 64 pixels, whatever the order of the options.
      {PROGRAM_VIEWER,
       {"--thumbnail-size", "128", "--handheld"},
       "vimbra: --thumbnail-size is the desktop's: the handheld's thumbnails are 64 pixels"},
      {PROGRAM_SHOT,
       {"--handheld", "--device", "d", "--thumbnail-size=64"},
       "vimbra-shot: --thumbnail-size is the desktop's: the handheld's thumbnails are 64 pixels"},
      {PROGRAM_SHOT, {"--device", "d", "--th", "1"}, "vimbra-shot: option '--th' is ambiguous"},
      // The slideshow's pace: whole seconds up to an hour, and the desktop's.
      {PROGRAM_VIEWER, {"--slideshow", "0"}, "vimbra: --slideshow takes " + seconds + ", not '0'"},
      {PROGRAM_VIEWER, {"--slideshow=3601"}, "vimbra: --slideshow takes " + seconds + ", not '3601'"},
      {PROGRAM_VIEWER, {"--slideshow", "2.5"}, "vimbra: --slideshow takes " + seconds + ", not '2.5'"},
      {PROGRAM_VIEWER, {"--slideshow", "-4"}, "vimbra: --slideshow takes " + seconds + ", not '-4'"},
      {PROGRAM_VIEWER, {"--slideshow="}, "vimbra: --slideshow takes " + seconds + ", not ''"},
      {PROGRAM_VIEWER, {"--slideshow"}, "vimbra: option '--slideshow' needs a value"},
      {PROGRAM_VIEWER,
       {"--handheld", "--slideshow", "4"},
       "vimbra: --slideshow is the desktop's: the handheld has no slideshow"},
      {PROGRAM_SHOT,
       {"--slideshow=9", "--device", "d", "--handheld"},
       "vimbra-shot: --slideshow is the desktop's: the handheld has no slideshow"},
      // Options of the other program are not this one's.
      {PROGRAM_VIEWER, {"--trace"}, "vimbra: unrecognized option '--trace'"},
      {PROGRAM_VIEWER, {"--scrollbar-width", "3"}, "vimbra: unrecognized option '--scrollbar-width'"},
      {PROGRAM_SHOT, {"--device", "d", "--fullscreen"}, "vimbra-shot: unrecognized option '--fullscreen'"},
      {PROGRAM_SHOT, {"--device", "d", "--version"}, "vimbra-shot: unrecognized option '--version'"},
      // vimbra-shot: the same numbers, sizes and forms.
      {PROGRAM_SHOT, {"--device", "d", "--memory", "abc"}, "vimbra-shot: --memory takes " + mb + ", not 'abc'"},
      {PROGRAM_SHOT,
       {"--device", "d", "--memory", "17592186044416"},
       "vimbra-shot: --memory takes " + mb + ", not '17592186044416'"},
      {PROGRAM_SHOT,
       {"--device", "d", "--size", "240x268junk"},
       "vimbra-shot: --size takes " + wxh + ", not '240x268junk'"},
      {PROGRAM_SHOT, {"--device", "d", "--size", "0x0"}, "vimbra-shot: --size takes " + wxh + ", not '0x0'"},
      {PROGRAM_SHOT,
       {"--device", "d", "--scrollbar-width=-1"},
       "vimbra-shot: --scrollbar-width takes a number of pixels from 0 to 256, not '-1'"},
      {PROGRAM_SHOT,
       {"--device", "d", "--threads", "x"},
       "vimbra-shot: --threads takes a number from 1 to 256, not 'x'"},
      {PROGRAM_SHOT, {"--device", "d", "--s", "1"}, "vimbra-shot: option '--s' is ambiguous"},
      {PROGRAM_SHOT, {"--device", "d", "--script"}, "vimbra-shot: option '--script' needs a value"},
      {PROGRAM_SHOT, {"shot", "a.png"}, "vimbra-shot: --device DIR is required"},
      {PROGRAM_SHOT,
       {"--device", "d", "shot", "a.png", "--trace"},
       "vimbra-shot: options come before the events "
       "('--trace')"},
  };
  for (const Case& c : cases) {
    const Parsed p = Parse(c.program, c.words);
    EXPECT_EQ(p.outcome, COMMAND_LINE_BAD) << c.error;
    EXPECT_EQ(p.error, c.error);
    EXPECT_EQ(p.error.find('\n'), std::string::npos);
  }
  EXPECT_EQ(CommandLineTryHelp(PROGRAM_VIEWER), "Try 'vimbra --help'.");
  EXPECT_EQ(CommandLineTryHelp(PROGRAM_SHOT), "Try 'vimbra-shot --help'.");
}

TEST(CommandLineTest, StrictNumbersAndSizes) {
  struct Case {
    const char* text;
    long long low, high;
    bool ok;
    long long value;
  };
  const Case numbers[] = {
      {"0", 0, 10, true, 0},
      {"10", 0, 10, true, 10},
      {"007", 0, 10, true, 7},
      {"11", 0, 10, false, 0},
      {"", 0, 10, false, 0},
      {"-1", -5, 10, false, 0},
      {"+1", 0, 10, false, 0},
      {"1 ", 0, 10, false, 0},
      {"0x5", 0, 10, false, 0},
      {"1e3", 0, 9999, false, 0},
      {"1099511627776", 0, 1ll << 40, true, 1ll << 40},
      {"1099511627777", 0, 1ll << 40, false, 0},
      {"18446744073709551617", 0, 1ll << 40, false, 0},  // wraps to 1 in 64 bits
  };
  for (const Case& c : numbers) {
    long long value = -99;
    EXPECT_EQ(ParseBoundedNumber(c.text, c.low, c.high, &value), c.ok) << "'" << c.text << "'";
    EXPECT_EQ(value, c.ok ? c.value : -99) << "'" << c.text << "'";
  }
  int w = 0, h = 0;
  EXPECT_TRUE(ParseAreaSize("640x480", &w, &h));
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  for (const char* bad : {"640", "x480", "640x", "640x480x2", "640*480", "-640x480", "640x0", "0x480", "640 x480"}) {
    EXPECT_FALSE(ParseAreaSize(bad, &w, &h)) << bad;
  }
}
