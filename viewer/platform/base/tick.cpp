// Millisecond tick from the host's monotonic clock, or a manual one.
#include "tick.h"

#include <time.h>

namespace {
bool g_manual = false;
DWORD g_now = 0;
DWORD g_step = 0;
}  // namespace

DWORD GetTickCount() {
  if (g_manual) {
    const DWORD now = g_now;
    g_now += g_step;
    return now;
  }
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  const unsigned long long ms = (unsigned long long)ts.tv_sec * 1000ULL + (unsigned long long)ts.tv_nsec / 1000000ULL;
  return (DWORD)ms;  // wraps, as on the device
}

void TickSetManual(DWORD now) {
  g_manual = true;
  g_now = now;
  g_step = 0;
}

void TickAdvance(DWORD milliseconds) {
  if (!g_manual) TickSetManual(GetTickCount());
  g_now += milliseconds;
}

void TickSetStep(DWORD step) {
  g_step = step;
}

void TickUseSystem() {
  g_manual = false;
  g_step = 0;
}
