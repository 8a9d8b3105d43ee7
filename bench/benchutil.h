// Small helpers of the benchmarks: a median of repeated timings, for the
// summary ratios each benchmark prints after Google Benchmark's own table;
// the process's resident memory; the figures of a fresh child process.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace benchutil {

// Median wall time of `runs` calls of `work`, in seconds.
inline double MedianSeconds(const std::function<void()>& work, int runs) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const auto stop = std::chrono::steady_clock::now();
    times.push_back(std::chrono::duration<double>(stop - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

inline void Line(const char* what, double seconds) {
  std::printf("  %-58s %10.3f ms\n", what, seconds * 1e3);
}

inline void Ratio(const char* what, double ratio, const char* target) {
  std::printf("  %-58s %10.2f   (%s)\n", what, ratio, target);
}

// Resident memory of this process, in KB: its peak since the start or the
// last ResetPeakRss (VmHWM), and now. getrusage's maximum is no use in a
// child: it keeps what the parent held resident when it forked.
inline long StatusKb(const char* field) {
  FILE* f = std::fopen("/proc/self/status", "r");
  if (f == nullptr) return -1;
  char line[256];
  long kb = -1;
  const size_t length = std::strlen(field);
  while (kb < 0 && std::fgets(line, sizeof line, f) != nullptr) {
    if (std::strncmp(line, field, length) == 0 && line[length] == ':') kb = std::strtol(line + length + 1, nullptr, 10);
  }
  std::fclose(f);
  return kb;
}

inline long PeakRssKb() {
  return StatusKb("VmHWM");
}

// Starts a new peak from the present resident memory.
inline void ResetPeakRss() {
  FILE* f = std::fopen("/proc/self/clear_refs", "w");
  if (f == nullptr) return;
  std::fputs("5", f);
  std::fclose(f);
}

inline long CurrentRssKb() {
  FILE* f = std::fopen("/proc/self/statm", "r");
  long pages = 0, resident = 0;
  if (f != nullptr) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Runs this program again as `self MODE ARGS...` in a fresh process (so that
// what the parent made does not count) and reads the first `count` numbers
// the child prints.
inline bool ChildFiguresOf(const char* self, const char* mode, const std::vector<std::string>& args, long* values,
                           int count) {
  std::fflush(stdout);
  int pipes[2];
  if (pipe(pipes) != 0) return false;
  const pid_t child = fork();
  if (child == 0) {
    dup2(pipes[1], 1);
    std::vector<char*> argv = {const_cast<char*>(self), const_cast<char*>(mode)};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv("/proc/self/exe", argv.data());
    _exit(127);
  }
  close(pipes[1]);
  std::string text;
  char buffer[256];
  ssize_t n;
  while ((n = read(pipes[0], buffer, sizeof buffer)) > 0) text.append(buffer, (size_t)n);
  close(pipes[0]);
  int status = 0;
  waitpid(child, &status, 0);
  const char* at = text.c_str();
  for (int i = 0; i < count; ++i) {
    char* end = nullptr;
    values[i] = std::strtol(at, &end, 10);
    if (end == at) return false;
    at = end;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// ChildFiguresOf in the memory benchmarks' mode, `--memory-run`.
inline bool ChildFigures(const char* self, const std::vector<std::string>& args, long* values, int count) {
  return ChildFiguresOf(self, "--memory-run", args, values, count);
}

// The child's resident memory before its work and its peak (KB), as a child
// that prints those two numbers reports them.
inline bool ChildMemory(const char* self, const std::vector<std::string>& args, long* before, long* peak) {
  long values[2];
  if (!ChildFigures(self, args, values, 2)) return false;
  *before = values[0];
  *peak = values[1];
  return true;
}

}  // namespace benchutil
