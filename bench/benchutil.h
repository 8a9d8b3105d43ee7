// Small helpers of the benchmarks: a median of repeated timings, for the
// summary ratios each benchmark prints after Google Benchmark's own table,
// and the process's resident memory.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
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

// Resident memory of this process: its peak so far, and now (KB).
inline long PeakRssKb() {
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
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

// Runs this program again as `self --memory-run ARGS...` in a fresh process
// (so that what the parent made does not count) and reads the two numbers
// the child prints: its resident memory before the work and its peak (KB).
inline bool ChildMemory(const char* self, const std::vector<std::string>& args, long* before, long* peak) {
  std::fflush(stdout);
  int pipes[2];
  if (pipe(pipes) != 0) return false;
  const pid_t child = fork();
  if (child == 0) {
    dup2(pipes[1], 1);
    std::vector<char*> argv = {const_cast<char*>(self), const_cast<char*>("--memory-run")};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv("/proc/self/exe", argv.data());
    _exit(127);
  }
  close(pipes[1]);
  char buffer[128] = {};
  const ssize_t n = read(pipes[0], buffer, sizeof(buffer) - 1);
  close(pipes[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return n > 0 && std::sscanf(buffer, "%ld %ld", before, peak) == 2;
}

}  // namespace benchutil
