// Work that other threads hand back to the user-interface thread. A source
// (the thumbnail maker) registers itself on the user-interface thread; any
// thread may signal that sources have something for it, which wakes the host
// once; the host's event loop then runs every source's tasks on its thread.
#pragma once

#include "platform/base/wintypes.h"

class CUiTaskSource {
 public:
  virtual ~CUiTaskSource() = default;
  // On the user-interface thread: take what the other threads left.
  virtual void RunUiTasks() = 0;
  // Work is queued, running, or finished and not yet taken.
  virtual BOOL IsBusy() const = 0;
};

// User-interface thread only.
void RegisterUiTaskSource(CUiTaskSource* source);
void UnregisterUiTaskSource(CUiTaskSource* source);
// Runs the tasks of every source if any thread signalled since the last run;
// TRUE when it did.
BOOL RunUiTasks();
// Some source still has work in hand.
BOOL UiTasksBusy();

// Any thread: the sources have tasks. Wakes the host unless a wake is
// already on its way.
void SignalUiTasks();
