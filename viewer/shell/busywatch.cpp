// Delayed wait cursor over the device tick and the application's cursor.
#include "busywatch.h"

#include "platform/base/tick.h"
#include "platform/window/app.h"

namespace {

constexpr DWORD kDelayMs = 200;
DWORD g_startTick = 0;
BOOL g_cursorShown = FALSE;

}  // namespace

void BeginBusyWatch() {
  g_startTick = GetTickCount();
}

void TickBusyWatch() {
  const DWORD now = GetTickCount();
  // A tick that is not later than the start (the counter wrapped, or no
  // watch was begun) starts the watch from now.
  if (now <= g_startTick) {
    g_startTick = now;
    return;
  }
  if (now - g_startTick > kDelayMs && !g_cursorShown) {
    if (CWinApp* app = AfxGetApp()) app->BeginWaitCursor();
    g_cursorShown = TRUE;
  }
}

void EndBusyWatch() {
  g_startTick = 0;
  if (CWinApp* app = AfxGetApp()) app->EndWaitCursor();
  g_cursorShown = FALSE;
}
