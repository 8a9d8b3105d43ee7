// Where vimbra starts: a PATH (folder or picture, inside --device or
// alone), --device alone, or neither (the user's pictures folder, else the
// per-user device folder). These tests build real folders under a
// temporary HOME and check the device root, the start folder and picture,
// the refusals, and that nothing is made in a folder of the user's.
#include "startup/startplace.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/device/devicefs.h"

namespace fs = std::filesystem;

namespace {

// Sets an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : m_name(name) {
    const char* old = std::getenv(name);
    m_bHad = old != nullptr;
    if (m_bHad) m_old = old;
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (m_bHad) {
      setenv(m_name.c_str(), m_old.c_str(), 1);
    } else {
      unsetenv(m_name.c_str());
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string m_name;
  std::string m_old;
  bool m_bHad = false;
};

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
    Touch(top / "dev/My Documents/a.jpg");
    Touch(top / "dev/Holiday/b.JPG");
    Touch(top / "dev/Holiday/notes.txt");
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
    std::string error;  // expected in the message
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
      {"dev/missing", "dev/Holiday", 2, "", u"", u"", "not a folder"},
      {"dev/Holiday/b.JPG", "dev/Holiday", 2, "", u"", u"", "not a folder"},
  };
  const std::vector<std::string> before = Tree(top);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.device + " | " + c.path);
    StartPlace place;
    std::string error;
    const std::string device = c.device.empty() ? "" : (top / c.device).string();
    const int status = SetUpStartPlace(device, (top / c.path).string(), &place, &error);
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
    ASSERT_EQ(SetUpStartPlace("", "", &place, &error), 0) << error;
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

TEST_F(StartPlaceTest, DeviceAloneKeepsTheHandheldStartAndAMissingHomeFails) {
  StartPlace place;
  std::string error;
  ASSERT_EQ(SetUpStartPlace((top / "dev").string(), "", &place, &error), 0);
  EXPECT_EQ(place.deviceRoot, (top / "dev").string());
  EXPECT_FALSE(place.hasStartFolder);

  EXPECT_EQ(SetUpStartPlace((top / "nowhere").string(), "", &place, &error), 2);
  EXPECT_NE(error.find("not a folder"), std::string::npos) << error;

  ScopedEnv homeVar("HOME", nullptr);
  ScopedEnv dataVar("XDG_DATA_HOME", nullptr);
  EXPECT_EQ(SetUpStartPlace("", "", &place, &error), 1);
  EXPECT_EQ(error, "vimbra: cannot make the device folder ");
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
