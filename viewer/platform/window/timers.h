// Timers of windows: WM_TIMER sent to a window every `elapse` milliseconds
// of the device tick while its timer is set. The handheld's viewer set none;
// the desktop's slideshow and animations do. The host wakes its event loop
// when the next timer falls due (IHost::TimersChanged, NextTimerDue) and
// calls RunDueTimers there, on the user-interface thread, which is the only
// thread that may touch timers.
#pragma once

#include "platform/base/wintypes.h"

class CWnd;

constexpr DWORD kNoTimerDue = 0xFFFFFFFF;

// Sets (or resets, counting from now) timer `id` of `wnd`; an elapse of 0
// counts as 1 ms. FALSE for a null window.
BOOL SetWindowTimer(CWnd* wnd, UINT id, UINT elapse);
// FALSE when the timer was not set.
BOOL KillWindowTimer(CWnd* wnd, UINT id);
// Every timer of `wnd` (its window is being destroyed).
void KillWindowTimers(CWnd* wnd);

// Sends WM_TIMER (wParam: the id) for every timer whose time has come, each
// once however late it is, and counts its next period from now. A handler
// may set or kill timers, its own included. Returns kNoTimerDue when no
// timer is set, else the milliseconds until the next one falls due.
DWORD RunDueTimers();
DWORD NextTimerDue();
