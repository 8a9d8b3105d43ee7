// Replays a list of user events on the viewer running on the headless host:
// taps, drags, keys, scroll codes, commands, dialog choices, resizes and
// screenshots. Used by vimbra-shot and by the tests that compare hosts.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "platform/base/wintypes.h"

class CHeadlessHost;

class Replay {
 public:
  explicit Replay(CHeadlessHost& host, std::ostream* trace = nullptr);

  // Runs one event line ("tap 20 30", "key right", "shot out.png", ...).
  // False with a message in *error for a line it does not understand.
  bool Run(const std::string& line, std::string* error);
  bool RunAll(const std::vector<std::string>& lines, std::string* error);
  int ShotsWritten() const { return m_nShots; }
  // Each event's wall time ("key right  3.2 ms") goes to `out` (null: off).
  void SetTiming(std::ostream* out) { m_timing = out; }
  static std::string Help();

 private:
  bool Command(const std::vector<std::string>& words, std::string* error);
  void Tap(int x, int y);
  // Moves the device tick on as a clock would run: every window timer
  // falling due on the way runs at its time (an animation shows each frame
  // it would show), the last one with the event that follows.
  void PassTime(DWORD milliseconds);
  void Trace(const std::string& line);

  CHeadlessHost& m_host;
  std::ostream* m_trace;
  std::ostream* m_timing = nullptr;
  int m_nShots = 0;
  std::vector<std::string> m_folderChoice;  // for the next Select Folder dialog
  bool m_bFolderCancel = false;
};
