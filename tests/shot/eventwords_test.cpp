// vimbra-shot's events name folders with blanks ("My Documents") and folders
// named like event verbs: script lines split with double quotes, command-line
// arguments join into lines that split back into the same words, and the
// replayed Select Folder reaches the folder so named. A script is read only
// from a regular file or a pipe, and only up to its bound.
#include "startup/eventwords.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "startup/replay.h"
#include "support/viewer_fixture.h"

using Words = std::vector<std::string>;

TEST(EventWordsTest, LinesSplitOnBlanksOutsideQuotes) {
  struct Case {
    std::string line;
    bool ok;
    Words words;
  };
  const Case cases[] = {
      {"tap 40 40", true, {"tap", "40", "40"}},
      {"  key\tright  ", true, {"key", "right"}},
      {"folder \"My Documents\" Holiday", true, {"folder", "My Documents", "Holiday"}},
      {"folder \"shot\"", true, {"folder", "shot"}},
      {"folder My\" \"Documents", true, {"folder", "My Documents"}},
      {"folder \"\"", true, {"folder", ""}},
      {"folder \"a \\\"b\\\" \\\\ c\"", true, {"folder", "a \"b\" \\ c"}},
      {"folder \"No #1\" # the first", true, {"folder", "No #1"}},
      {"shot a.png # comment", true, {"shot", "a.png"}},
      {"# only a comment", true, {}},
      {"", true, {}},
      {"folder a\\b", true, {"folder", "a\\b"}},
      {"folder \"My Documents", false, {}},
  };
  for (const Case& c : cases) {
    Words words = {"old"};
    std::string error;
    EXPECT_EQ(EventWords::Split(c.line, &words, &error), c.ok) << c.line;
    if (c.ok) {
      EXPECT_EQ(words, c.words) << c.line;
    } else {
      EXPECT_NE(error.find("not closed"), std::string::npos) << error;
    }
  }
}

TEST(EventWordsTest, ArgumentsJoinIntoLinesThatSplitBackIntoTheSameWords) {
  struct Case {
    Words arguments;
    std::vector<Words> events;
  };
  const Case cases[] = {
      {{"tap", "40", "40", "shot", "a.png"}, {{"tap", "40", "40"}, {"shot", "a.png"}}},
      {{"folder", "My Documents", "Holiday", "shot", "b.png"},
       {{"folder", "My Documents", "Holiday"}, {"shot", "b.png"}}},
      // A quoted argument is a name, never a verb.
      {{"folder", "\"shot\"", "tap", "1", "2"}, {{"folder", "shot"}, {"tap", "1", "2"}}},
      {{"folder", "\"My Documents\""}, {{"folder", "My Documents"}}},
      // An unquoted verb word starts an event once the one before is complete.
      {{"folder", "shot", "x.png"}, {{"folder"}, {"shot", "x.png"}}},
      {{"shot", "tap"}, {{"shot", "tap"}}},
      {{"folder", "No #1", "a\"b", "c\\d"}, {{"folder", "No #1", "a\"b", "c\\d"}}},
      {{"move", "-5", "10"}, {{"move", "-5", "10"}}},
      {{"wheel", "down", "ctrl", "pump"}, {{"wheel", "down", "ctrl"}, {"pump"}}},
  };
  for (const Case& c : cases) {
    const std::vector<std::string> lines = EventWords::JoinArguments(c.arguments);
    ASSERT_EQ(lines.size(), c.events.size()) << c.arguments[0];
    for (size_t i = 0; i < lines.size(); ++i) {
      Words words;
      std::string error;
      ASSERT_TRUE(EventWords::Split(lines[i], &words, &error)) << lines[i];
      EXPECT_EQ(words, c.events[i]) << lines[i];
    }
  }
}

class ReplayFolderTest : public ViewerFixture {};

TEST_F(ReplayFolderTest, QuotedNamesReachTheFolder) {
  device.MakeFolder("\\My Documents\\Holiday");
  device.MakeFolder("\\shot");
  Start();
  Replay replay(*host);
  std::string error;
  ASSERT_TRUE(replay.Run("folder \"My Documents\" Holiday", &error)) << error;
  EXPECT_EQ(List()->m_strFolder, u"\\My Documents\\Holiday");
  ASSERT_TRUE(replay.RunAll(EventWords::JoinArguments({"folder", "\"shot\""}), &error)) << error;
  EXPECT_EQ(List()->m_strFolder, u"\\shot");
  ASSERT_TRUE(replay.RunAll(EventWords::JoinArguments({"folder", "My Documents", "Holiday"}), &error)) << error;
  EXPECT_EQ(List()->m_strFolder, u"\\My Documents\\Holiday");
  EXPECT_FALSE(replay.Run("folder \"My Documents", &error));
  EXPECT_EQ(List()->m_strFolder, u"\\My Documents\\Holiday");
}

TEST(EventWordsTest, ScriptsAreReadFromSmallRegularFilesAndPipesOnly) {
  char folder[] = "/tmp/vimbra-script.XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string dir = folder;
  std::ofstream(dir + "/plain") << "tap 1 2\nkey right\nshot \"a b.png\"";
  ASSERT_EQ(mkfifo((dir + "/pipe").c_str(), 0600), 0);
  // A sparse file one byte past the bound: no disk space, no long write.
  std::ofstream(dir + "/big").close();
  ASSERT_EQ(truncate((dir + "/big").c_str(), (off_t)EventWords::kMaxScriptBytes + 1), 0);
  // The pipe's writer comes after the reader has started, as a shell's does.
  std::thread writer([&] { std::ofstream(dir + "/pipe") << "key left\n\nwait 5\n"; });
  struct Case {
    std::string path;
    bool ok;
    Words lines;  // or the error
  };
  const Case cases[] = {
      {dir + "/plain", true, {"tap 1 2", "key right", "shot \"a b.png\""}},
      {dir + "/pipe", true, {"key left", "", "wait 5"}},
      {dir + "/big", false, {"--script " + dir + "/big: larger than 16 MB"}},
      {"/dev/zero", false, {"--script /dev/zero: not a regular file or a pipe"}},
      {dir, false, {"--script " + dir + ": not a regular file or a pipe"}},
      {dir + "/none", false, {"--script " + dir + "/none: No such file or directory"}},
  };
  for (const Case& c : cases) {
    Words lines;
    std::string error;
    EXPECT_EQ(EventWords::ReadScript(c.path, &lines, &error), c.ok) << c.path;
    if (c.ok) {
      EXPECT_EQ(lines, c.lines) << c.path;
    } else {
      EXPECT_EQ(Words{error}, c.lines);
    }
  }
  // A reader that never came would leave the writer waiting.
  const int release = open((dir + "/pipe").c_str(), O_RDONLY | O_NONBLOCK);
  writer.join();
  if (release >= 0) close(release);
  std::filesystem::remove_all(dir);
}
