// A test's hold on the viewer's worker threads: through the device's access
// hook, a worker is stopped at a chosen file access until the test lets it
// go, so a thread test meets its race at the same point on every run.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/device/devicefs.h"

typedef std::function<bool(DeviceAccess access, const std::string& hostPath)> AccessMatch;

// Whether the host path ends in "/" + `tail` ("My Documents/a.jpg").
inline bool HostPathEndsIn(const std::string& hostPath, const std::string& tail) {
  return hostPath.size() > tail.size() && hostPath[hostPath.size() - tail.size() - 1] == '/' &&
         hostPath.compare(hostPath.size() - tail.size(), tail.size(), tail) == 0;
}

// Installs the hook for its lifetime. The hook must not change while worker
// threads run: make the gate before the viewer starts and let it go after
// the viewer is gone. The thread that made the gate is never held.
class AccessGate {
 public:
  AccessGate();
  // Lets a held thread go, then removes the hook.
  ~AccessGate();
  AccessGate(const AccessGate&) = delete;
  AccessGate& operator=(const AccessGate&) = delete;

  // Closes the gate: the first access of another thread that `hold` accepts
  // waits there until the gate opens (one thread, once). It opens by itself
  // when the gate's own thread makes an access `opener` accepts. Both are
  // asked under the gate's lock, so they may keep state of their own. A
  // thread not let go within a minute goes on, and the test fails.
  void HoldAt(AccessMatch hold, AccessMatch opener = nullptr);
  // false when no thread came to be held within a minute.
  bool WaitUntilHeld();
  // Lets the held thread go; later accesses pass.
  void Open();

 private:
  void OnAccess(DeviceAccess access, const std::string& hostPath);

  const std::thread::id m_owner;
  std::mutex m_mutex;
  std::condition_variable m_changed;
  AccessMatch m_hold;
  AccessMatch m_opener;
  bool m_armed = false;  // the next accepted access is held
  bool m_held = false;   // a thread has been held since HoldAt
  bool m_open = true;
};
