// The probe's file, serial numbers, clocks and screen rectangles.
#include "wxprobe.h"

#include <wx/window.h>

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace Probe {

namespace {
FILE* g_file = nullptr;
unsigned long g_serial = 0;
bool g_activity = false;
}  // namespace

void Open() {
  const char* path = std::getenv("VIMBRA_PROBE");
  if (path == nullptr || *path == 0 || g_file != nullptr) return;
  g_file = std::fopen(path, "a");
  if (g_file == nullptr) std::fprintf(stderr, "vimbra: cannot write the probe file %s\n", path);
}

bool Enabled() {
  return g_file != nullptr;
}

void Line(const char* format, ...) {
  if (g_file == nullptr) return;
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  // A reader polls the file: whole lines only, each flushed as written.
  std::fprintf(g_file, "%lu %s\n", ++g_serial, text);
  std::fflush(g_file);
  if (std::string(text) != "idle") g_activity = true;
}

bool HasActivity() {
  return g_activity;
}
void ClearActivity() {
  g_activity = false;
}

int64_t EpochMicros() {
  using namespace std::chrono;
  return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

int64_t MonoMicros() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

std::string ScreenRect(const wxWindow* window) {
  if (window == nullptr) return "0 0 0 0";
  const wxPoint at = window->GetScreenPosition();
  const wxSize size = window->GetSize();
  char text[64];
  std::snprintf(text, sizeof text, "%d %d %d %d", at.x, at.y, size.x, size.y);
  return text;
}

}  // namespace Probe
