// Where vimbra starts: a PATH (folder or picture, inside --device or
// alone), --device alone, or neither (the user's pictures folder, else the
// per-user device folder). These tests build real folders under a
// temporary HOME and check the device root, the start folder and picture,
// the refusals, and that nothing is made in a folder of the user's.
#include "startup/startplace.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <string>
#include <vector>

#include "platform/device/devicefs.h"
#include "support/scoped_env.h"

namespace fs = std::filesystem;

namespace {

// Every entry below a folder, as sorted relative paths.
std::vector<std::string> Tree(const fs::path& folder) {
  std::vector<std::string> entries;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    entries.push_back(fs::relative(entry.path(), folder).string());
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

class StartPlaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vimbra-startplace.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    top = fs::canonical(pattern);
    previousRoot = DeviceGetRoot();
    fs::create_directories(top / "home");
    fs::create_directories(top / "dev/My Documents");
    fs::create_directories(top / "dev/Holiday");
    fs::create_directories(top / "outside");
    fs::create_directories(top / "dev/\xff\xfe");  // a name that is not UTF-8
    Touch(top / "dev/\xff\xfe/d.jpg");
    Touch(top / "dev/Holiday/\xff.jpg");
    Touch(top / "dev/My Documents/a.jpg");
    Touch(top / "dev/Holiday/b.JPG");
    Touch(top / "dev/Holiday/notes.txt");
    Touch(top / "dev/Holiday/c.png");
    Touch(top / "outside/c.jpeg");
    fs::create_directory_symlink("../outside", top / "dev/away");
    fs::create_directory_symlink("Holiday", top / "dev/trip");
  }
  void TearDown() override {
    if (!previousRoot.empty()) DeviceSetRoot(previousRoot);
    std::error_code error;
    fs::remove_all(top, error);
  }
  static void Touch(const fs::path& path) { std::ofstream(path) << "x"; }
  static void WriteText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
  }

  fs::path top;
  std::string previousRoot;
};

}  // namespace

TEST_F(StartPlaceTest, PathNamesTheStartFolderAndPictureInsideOrAsTheDevice) {
  struct Case {
    std::string device;  // relative to the temporary folder; "" none
    std::string path;
    int status;
    std::string root;  // expected device root, relative
    const char16_t* folder;
    const char16_t* picture;
    std::string error;        // expected in the message
    bool anyPicture = false;  // the desktop's every format
  };
  const Case cases[] = {
      {"", "dev/Holiday", 0, "dev/Holiday", u"", u"", ""},
      {"", "dev/Holiday/", 0, "dev/Holiday", u"", u"", ""},
      {"", "dev/Holiday/b.JPG", 0, "dev/Holiday", u"", u"\\b.JPG", ""},
      {"dev", "dev/Holiday", 0, "dev", u"\\Holiday", u"", ""},
      {"dev", "dev/Holiday/b.JPG", 0, "dev", u"\\Holiday", u"\\Holiday\\b.JPG", ""},
      {"dev", "dev/My Documents", 0, "dev", u"\\My Documents", u"", ""},
      {"dev", "dev", 0, "dev", u"", u"", ""},
      {"dev", "dev/trip/b.JPG", 0, "dev", u"\\Holiday", u"\\Holiday\\b.JPG", ""},  // links resolved
      {"dev", "outside", 2, "", u"", u"", "not inside the device folder"},
      {"dev", "outside/c.jpeg", 2, "", u"", u"", "not inside the device folder"},
      {"dev", "dev/away", 2, "", u"", u"", "not inside the device folder"},  // a link that leads out
      {"dev/Holiday", "dev", 2, "", u"", u"", "not inside the device folder"},
      {"", "dev/missing", 2, "", u"", u"", "no such file or folder"},
      {"dev", "dev/Holiday/gone.jpg", 2, "", u"", u"", "no such file or folder"},
      {"", "dev/Holiday/notes.txt", 2, "", u"", u"", "not a folder or a JPEG picture"},
      {"dev/missing", "dev/Holiday", 2, "", u"", u"", "dev/missing: No such file or directory"},
      {"dev", "dev/\xff\xfe", 2, "", u"", u"", "its name or place cannot be shown on the device"},
      {"dev", "dev/\xff\xfe/d.jpg", 2, "", u"", u"", "its name or place cannot be shown on the device"},
      {"", "dev/Holiday/\xff.jpg", 2, "", u"", u"", "its name or place cannot be shown on the device"},
      {"dev/Holiday/b.JPG", "dev/Holiday", 2, "", u"", u"", "not a folder"},
      // The desktop opens a picture of every format it shows; the handheld JPEG only.
      {"", "dev/Holiday/c.png", 2, "", u"", u"", "not a folder or a JPEG picture"},
      {"", "dev/Holiday/c.png", 0, "dev/Holiday", u"", u"\\c.png", "", true},
      {"dev", "dev/Holiday/b.JPG", 0, "dev", u"\\Holiday", u"\\Holiday\\b.JPG", "", true},
      {"", "dev/Holiday/notes.txt", 2, "", u"", u"", "not a folder or a picture", true},
  };
  const std::vector<std::string> before = Tree(top);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.device + " | " + c.path);
    StartPlace place;
    std::string error;
    const std::string device = c.device.empty() ? "" : (top / c.device).string();
    const std::string path = (top / c.path).string();
    const int status = SetUpStartPlace(device, &path, c.anyPicture, &place, &error);
    EXPECT_EQ(status, c.status);
    if (c.status != 0) {
      EXPECT_NE(error.find(c.error), std::string::npos) << error;
      EXPECT_EQ(error.rfind("vimbra: ", 0), 0u) << error;
      EXPECT_EQ(error.find('\n'), std::string::npos);
      continue;
    }
    EXPECT_EQ(fs::canonical(place.deviceRoot), top / c.root);
    EXPECT_EQ(DeviceGetRoot(), place.deviceRoot);
    EXPECT_TRUE(place.hasStartFolder);
    EXPECT_EQ(place.startFolder, c.folder);
    EXPECT_EQ(place.startPicture, c.picture);
  }
  // Nothing was made anywhere: no "My Documents" in a folder of the user's.
  EXPECT_EQ(Tree(top), before);
}

TEST_F(StartPlaceTest, WithoutPathThePicturesFolderElseThePerUserDeviceFolder) {
  struct Case {
    const char* name;
    std::string userDirs;              // the file's text; "" no file
    bool configHome;                   // the file in $XDG_CONFIG_HOME, not ~/.config
    std::vector<std::string> folders;  // made first, relative to home
    std::string root;                  // expected: "~/..." in the home, else below the temporary folder
    bool startAtRoot;
  };
  const Case cases[] = {
      {"no pictures folder", "", false, {}, "data/vimbra/device", false},
      {"~/Pictures", "", false, {"Pictures"}, "~/Pictures", true},
      {"XDG_PICTURES_DIR", "XDG_PICTURES_DIR=\"$HOME/Fotos\"\n", false, {"Fotos", "Pictures"}, "~/Fotos", true},
      {"from XDG_CONFIG_HOME", "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n", true, {"Bilder"}, "~/Bilder", true},
      {"named but missing", "XDG_PICTURES_DIR=\"$HOME/Fotos\"\n", false, {"Pictures"}, "data/vimbra/device", false},
      {"turned off", "XDG_PICTURES_DIR=\"$HOME/\"\n", false, {"Pictures"}, "data/vimbra/device", false},
      {"absolute", "XDG_PICTURES_DIR=\"" + (top / "outside").string() + "\"\n", false, {}, "outside", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path home = top / ("home-" + std::to_string(&c - cases));
    fs::create_directories(home);
    for (const std::string& folder : c.folders) fs::create_directories(home / folder);
    const fs::path config = c.configHome ? top / "config" : home / ".config";
    if (!c.userDirs.empty()) WriteText(config / "user-dirs.dirs", c.userDirs);
    const fs::path data = top / "data";
    fs::remove_all(data);
    const std::vector<std::string> homeBefore = Tree(home);
    ScopedEnv homeVar("HOME", home.c_str());
    ScopedEnv configVar("XDG_CONFIG_HOME", c.configHome ? config.c_str() : nullptr);
    ScopedEnv dataVar("XDG_DATA_HOME", data.c_str());

    StartPlace place;
    std::string error;
    ASSERT_EQ(SetUpStartPlace("", nullptr, false, &place, &error), 0) << error;
    const fs::path root = c.root.rfind("~/", 0) == 0 ? home / c.root.substr(2) : top / c.root;
    EXPECT_EQ(fs::path(place.deviceRoot), root);
    EXPECT_EQ(place.hasStartFolder, c.startAtRoot ? TRUE : FALSE);
    EXPECT_EQ(place.startFolder, u"");
    EXPECT_EQ(place.startPicture, u"");
    // The pictures folder is shown as it is; only the per-user device folder
    // is made (its "My Documents" is the list's, made at start-up).
    EXPECT_EQ(Tree(home), homeBefore);
    EXPECT_EQ(fs::exists(data / "vimbra/device"), c.root == "data/vimbra/device");
  }
}

TEST_F(StartPlaceTest, DeviceAloneKeepsTheHandheldStartAndAnEmptyPathNamesNothing) {
  StartPlace place;
  std::string error;
  ASSERT_EQ(SetUpStartPlace((top / "dev").string(), nullptr, false, &place, &error), 0);
  EXPECT_EQ(place.deviceRoot, (top / "dev").string());
  EXPECT_FALSE(place.hasStartFolder);

  EXPECT_EQ(SetUpStartPlace((top / "nowhere").string(), nullptr, false, &place, &error), 2);
  EXPECT_EQ(error, "vimbra: --device " + (top / "nowhere").string() + ": No such file or directory");

  // `vimbra ""` and `vimbra --device DIR ""`: a PATH that names nothing.
  const std::string empty;
  for (const std::string& device : {std::string(), (top / "dev").string()}) {
    EXPECT_EQ(SetUpStartPlace(device, &empty, false, &place, &error), 2) << device;
    EXPECT_EQ(error, "vimbra: '': no such file or folder");
  }
}

// The per-user device folder is made below an existing home (or below
// XDG_DATA_HOME's parent), never the home itself; each refusal names the
// folder and the system's reason.
TEST_F(StartPlaceTest, TheDeviceFolderIsMadeOnlyBelowAnExistingHome) {
  fs::create_directories(top / "file-home");
  Touch(top / "file-home/.local");
  const std::string missing = (top / "missing-home").string();
  const std::string fileHome = (top / "file-home").string();
  const std::string data = (top / "gone/data").string();
  struct Case {
    const char* home;
    const char* dataHome;
    std::string error;
  };
  const Case cases[] = {
      {nullptr, nullptr,
       "vimbra: cannot make the device folder: no home folder is set (neither HOME nor XDG_DATA_HOME)"},
      {"", nullptr, "vimbra: cannot make the device folder: no home folder is set (neither HOME nor XDG_DATA_HOME)"},
      {missing.c_str(), nullptr,
       "vimbra: cannot make the device folder " + missing + "/.local/share/vimbra/device: " + missing +
           ": No such file or directory"},
      {fileHome.c_str(), nullptr,
       "vimbra: cannot make the device folder " + fileHome + "/.local/share/vimbra/device: " + fileHome +
           "/.local: Not a directory"},
      {missing.c_str(), data.c_str(),
       "vimbra: cannot make the device folder " + data + "/vimbra/device: " + (top / "gone").string() +
           ": No such file or directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.error);
    ScopedEnv homeVar("HOME", c.home);
    ScopedEnv dataVar("XDG_DATA_HOME", c.dataHome);
    StartPlace place;
    std::string error;
    EXPECT_EQ(SetUpStartPlace("", nullptr, false, &place, &error), 1);
    EXPECT_EQ(error, c.error);
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_FALSE(fs::exists(top / "gone"));
  }
  // XDG_DATA_HOME inside an existing home is made as ~/.local/share is.
  ScopedEnv homeVar("HOME", (top / "home").c_str());
  ScopedEnv dataVar("XDG_DATA_HOME", (top / "home/.local/share").c_str());
  StartPlace place;
  std::string error;
  EXPECT_EQ(SetUpStartPlace("", nullptr, false, &place, &error), 0) << error;
  EXPECT_TRUE(fs::is_directory(top / "home/.local/share/vimbra/device"));
}

// A user-dirs.dirs that is a pipe, a device, a folder or too large holds up
// nothing: it counts as no file, and one line says why.
TEST_F(StartPlaceTest, OnlyASmallRegularUserDirsFileIsRead) {
  const fs::path home = top / "home";
  const fs::path dirs = home / ".config/user-dirs.dirs";
  fs::create_directories(home / "Fotos");
  const std::string line = "XDG_PICTURES_DIR=\"$HOME/Fotos\"\n";
  struct Case {
    const char* name;
    std::function<void()> make;
    std::string note;  // "" when the file is read
    const char* root;  // expected, relative to the temporary folder
  };
  const Case cases[] = {
      {"pipe", [&] { ASSERT_EQ(mkfifo(dirs.c_str(), 0600), 0); }, "not a regular file", "data/vimbra/device"},
      {"device", [&] { fs::create_symlink("/dev/null", dirs); }, "not a regular file", "data/vimbra/device"},
      {"folder", [&] { fs::create_directory(dirs); }, "not a regular file", "data/vimbra/device"},
      {"too large", [&] { WriteText(dirs, line + std::string(kMaxUserDirsBytes - line.size() + 1, '#')); },
       "larger than 64 KB", "data/vimbra/device"},
      {"just small enough", [&] { WriteText(dirs, line + std::string(kMaxUserDirsBytes - line.size(), '#')); }, "",
       "home/Fotos"},
  };
  ScopedEnv homeVar("HOME", home.c_str());
  ScopedEnv configVar("XDG_CONFIG_HOME", nullptr);
  ScopedEnv dataVar("XDG_DATA_HOME", (top / "data").c_str());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(home / ".config");
    fs::create_directories(home / ".config");
    c.make();
    // The start runs aside, so that a start held up by the pipe fails here
    // instead of hanging; a writer then lets it go.
    StartPlace place;
    std::string error;
    auto start = std::async(std::launch::async, [&] { return SetUpStartPlace("", nullptr, false, &place, &error); });
    if (start.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
      ADD_FAILURE() << "the start waits on " << c.name;
      const int writer = open(dirs.c_str(), O_WRONLY | O_NONBLOCK);
      if (writer >= 0) close(writer);
    }
    ASSERT_EQ(start.get(), 0) << error;
    EXPECT_EQ(fs::path(place.deviceRoot), top / c.root);
    if (c.note.empty()) {
      EXPECT_EQ(place.note, "");
    } else {
      EXPECT_EQ(place.note, "vimbra: " + dirs.string() + ": " + c.note + "; ignored");
    }
  }
}

TEST(UserDirsTest, PicturesFolderLineForms) {
  struct Case {
    std::string text;
    bool found;
    std::string folder;
  };
  const Case cases[] = {
      {"XDG_PICTURES_DIR=\"$HOME/Pictures\"\n", true, "/h/Pictures"},
      {"# comment\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_PICTURES_DIR=\"$HOME/Bilder\"\n", true, "/h/Bilder"},
      {"XDG_PICTURES_DIR=\"/srv/photos\"", true, "/srv/photos"},
      {"  XDG_PICTURES_DIR=\"$HOME/My Pictures\"  \n", true, "/h/My Pictures"},
      {"XDG_PICTURES_DIR=\"$HOME/Fotos \\\"2024\\\" \\$x\"\n", true, "/h/Fotos \"2024\" $x"},
      {"XDG_PICTURES_DIR=\"$HOME\"\n", true, "/h"},
      {"XDG_PICTURES_DIR=\"$HOME/a\"\nXDG_PICTURES_DIR=\"$HOME/b\"\n", true, "/h/b"},
      {"# XDG_PICTURES_DIR=\"$HOME/x\"\n", false, ""},
      {"XDG_PICTURES_DIR=$HOME/x\n", false, ""},
      {"XDG_PICTURES_DIR=\"Pictures\"\n", false, ""},
      {"XDG_PICTURES_DIR=\"$HOMEx/Pictures\"\n", false, ""},
      {"XDG_PICTURES_DIR=\"\\$HOME/x\"\n", false, ""},
      {"XDG_PICTURES_DIR=\"$HOME/open\n", false, ""},
      {"XDG_PICTURES_DIRS=\"$HOME/x\"\n", false, ""},
      {"", false, ""},
  };
  for (const Case& c : cases) {
    std::string folder = "unchanged";
    EXPECT_EQ(PicturesFolderFromUserDirs(c.text, "/h", &folder), c.found) << c.text;
    EXPECT_EQ(folder, c.found ? c.folder : "unchanged") << c.text;
  }
}
