// The sources of user-interface tasks and the one wake-up flag they share.
#include "uitasks.h"

#include <algorithm>
#include <atomic>
#include <vector>

#include "host.h"

namespace {

std::vector<CUiTaskSource*> g_sources;
// Set by the first signal after a run; the host is woken only then, so a
// burst of finished work costs one event in the host's queue.
std::atomic<bool> g_signalled{false};

}  // namespace

void RegisterUiTaskSource(CUiTaskSource* source) {
  if (source != nullptr && std::find(g_sources.begin(), g_sources.end(), source) == g_sources.end()) {
    g_sources.push_back(source);
  }
}

void UnregisterUiTaskSource(CUiTaskSource* source) {
  g_sources.erase(std::remove(g_sources.begin(), g_sources.end(), source), g_sources.end());
}

BOOL RunUiTasks() {
  if (!g_signalled.exchange(false)) return FALSE;
  // A task may register or unregister sources: walk a copy.
  const std::vector<CUiTaskSource*> sources = g_sources;
  for (CUiTaskSource* source : sources) {
    if (std::find(g_sources.begin(), g_sources.end(), source) != g_sources.end()) source->RunUiTasks();
  }
  return TRUE;
}

BOOL UiTasksBusy() {
  if (g_signalled.load()) return TRUE;
  for (const CUiTaskSource* source : g_sources) {
    if (source->IsBusy()) return TRUE;
  }
  return FALSE;
}

void SignalUiTasks() {
  if (!g_signalled.exchange(true)) GetHost()->WakeUiThread();
}
