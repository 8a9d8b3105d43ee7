// Window timers on the device tick, in a small table walked by the host.
#include "platform/window/timers.h"

#include <algorithm>
#include <vector>

#include "platform/base/tick.h"
#include "platform/window/host.h"
#include "platform/window/wnd.h"

namespace {

struct Timer {
  CWnd* wnd;
  UINT id;
  DWORD elapse;
  DWORD start;  // tick of the last setting or firing
};

std::vector<Timer> g_timers;

DWORD Remaining(const Timer& timer, DWORD now) {
  const DWORD passed = now - timer.start;  // wraps with the tick
  return passed >= timer.elapse ? 0 : timer.elapse - passed;
}

void TellHost() {
  if (IHost* host = GetHost()) host->TimersChanged();
}

}  // namespace

BOOL SetWindowTimer(CWnd* wnd, UINT id, UINT elapse) {
  if (wnd == nullptr) return FALSE;
  const DWORD now = GetTickCount();
  const DWORD period = elapse == 0 ? 1 : elapse;
  auto it = std::find_if(g_timers.begin(), g_timers.end(),
                         [&](const Timer& timer) { return timer.wnd == wnd && timer.id == id; });
  if (it != g_timers.end()) {
    it->elapse = period;
    it->start = now;
  } else {
    g_timers.push_back(Timer{wnd, id, period, now});
  }
  TellHost();
  return TRUE;
}

BOOL KillWindowTimer(CWnd* wnd, UINT id) {
  const size_t before = g_timers.size();
  g_timers.erase(std::remove_if(g_timers.begin(), g_timers.end(),
                                [&](const Timer& timer) { return timer.wnd == wnd && timer.id == id; }),
                 g_timers.end());
  if (g_timers.size() == before) return FALSE;
  TellHost();
  return TRUE;
}

void KillWindowTimers(CWnd* wnd) {
  const size_t before = g_timers.size();
  g_timers.erase(std::remove_if(g_timers.begin(), g_timers.end(), [&](const Timer& timer) { return timer.wnd == wnd; }),
                 g_timers.end());
  if (g_timers.size() != before) TellHost();
}

DWORD RunDueTimers() {
  const DWORD now = GetTickCount();
  // Handlers may change the table: take the due ones first, then check each
  // is still set before it fires.
  std::vector<std::pair<CWnd*, UINT>> due;
  for (Timer& timer : g_timers) {
    if (Remaining(timer, now) == 0) {
      due.emplace_back(timer.wnd, timer.id);
      timer.start = now;
    }
  }
  for (const auto& entry : due) {
    CWnd* wnd = entry.first;
    const UINT id = entry.second;
    const bool stillSet = std::any_of(g_timers.begin(), g_timers.end(),
                                      [&](const Timer& timer) { return timer.wnd == wnd && timer.id == id; });
    if (stillSet) wnd->SendMessage(WM_TIMER, id, 0);
  }
  return NextTimerDue();
}

DWORD NextTimerDue() {
  const DWORD now = GetTickCount();
  DWORD next = kNoTimerDue;
  for (const Timer& timer : g_timers) next = std::min(next, Remaining(timer, now));
  return next;
}
