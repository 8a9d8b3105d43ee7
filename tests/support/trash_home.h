// A private home and XDG_DATA_HOME for a test program that trashes files:
// GIO reads the user's folders once per process, so a test file takes it at
// its static initialisation, before anything asks. Removed at the end.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

// The private home; its Trash is PrivateTrashHome() + "/data/Trash".
inline const std::string& PrivateTrashHome() {
  struct Home {
    std::string path;
    Home() {
      std::string pattern = "/tmp/vimbra-trashhome-XXXXXX";
      if (mkdtemp(pattern.data()) == nullptr) return;
      path = pattern;
      setenv("HOME", path.c_str(), 1);
      setenv("XDG_DATA_HOME", (path + "/data").c_str(), 1);
    }
    ~Home() {
      std::error_code ec;
      if (!path.empty()) std::filesystem::remove_all(path, ec);
    }
  };
  static const Home home;
  return home.path;
}
