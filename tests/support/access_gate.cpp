// A test's hold on the viewer's worker threads (see access_gate.h).
#include "support/access_gate.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {
// Long enough for any decode under the sanitizers; a held thread that was
// never let go goes on after it, so a faulty test fails instead of hanging.
constexpr std::chrono::seconds kPatience(60);
}  // namespace

AccessGate::AccessGate() : m_owner(std::this_thread::get_id()) {
  DeviceSetAccessHook([this](DeviceAccess access, const std::string& path) { OnAccess(access, path); });
}

AccessGate::~AccessGate() {
  Open();
  DeviceSetAccessHook(nullptr);
}

void AccessGate::HoldAt(AccessMatch hold, AccessMatch opener) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_hold = std::move(hold);
  m_opener = std::move(opener);
  m_armed = true;
  m_held = false;
  m_open = false;
}

bool AccessGate::WaitUntilHeld() {
  std::unique_lock<std::mutex> lock(m_mutex);
  return m_changed.wait_for(lock, kPatience, [this] { return m_held; });
}

void AccessGate::Open() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_open = true;
  m_changed.notify_all();
}

void AccessGate::OnAccess(DeviceAccess access, const std::string& hostPath) {
  std::unique_lock<std::mutex> lock(m_mutex);
  if (std::this_thread::get_id() == m_owner) {
    if (!m_open && m_opener && m_opener(access, hostPath)) {
      m_open = true;
      m_changed.notify_all();
    }
    return;
  }
  if (!m_armed || !m_hold(access, hostPath)) return;
  m_armed = false;
  m_held = true;
  m_changed.notify_all();
  if (!m_changed.wait_for(lock, kPatience, [this] { return m_open; })) {
    ADD_FAILURE() << "a thread held at " << hostPath << " was never let go";
  }
}
