// Millisecond tick from the host's monotonic clock, or a manual one.
#include "tick.h"

#include <time.h>

namespace {
bool g_manual = false;
DWORD g_now = 0;
}  // namespace

DWORD GetTickCount() {
  if (g_manual) return g_now;
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  const unsigned long long ms = (unsigned long long)ts.tv_sec * 1000ULL + (unsigned long long)ts.tv_nsec / 1000000ULL;
  return (DWORD)ms;  // wraps, as on the device
}

void TickSetManual(DWORD now) {
  g_manual = true;
  g_now = now;
}

void TickAdvance(DWORD milliseconds) {
  if (!g_manual) TickSetManual(GetTickCount());
  g_now += milliseconds;
}

void TickUseSystem() { g_manual = false; }
