// Benchmarks of the decoder against the crafted files of the test suite:
// how fast the scan limit refuses the scan bombs (30,000 and 5,000 scans of
// 4000 × 4000), and the peak resident memory that a 140-byte 5600 × 5600
// progressive frame costs under the budget of `--memory 64`.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "benchutil.h"
#include "imaging/dibdraw.h"
#include "imaging/jpegdecode.h"
#include "platform/base/heap.h"
#include "shell/memblock.h"
#include "support/craftedpics.h"

namespace {

struct Files {
  std::string scans30000 = ManyScanJpeg(4000, 4000, 30000);
  std::string scans5000 = ManyScanJpeg(4000, 4000, 5000);
  std::string tiny = TinyProgressiveGrey(5600, 5600);
};

const Files& Shared() {
  static const Files files;
  return files;
}

// Decodes from memory towards `box` (0: full size).
CDib DecodeBytes(const std::string& file, int box) {
  FILE* stream = fmemopen((void*)file.data(), file.size(), "rb");
  CDib dib = DecodeJpegStream(stream, box, box, TRUE);
  std::fclose(stream);
  return dib;
}

// Best wall time per refusal, in seconds, over all iterations.
std::map<std::string, double> g_best;

void Refusal(benchmark::State& state, const std::string& name, const std::string& file, int box) {
  HeapSetBudget((size_t)64 << 20);
  double best = 1e9;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    CDib dib = DecodeBytes(file, box);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (dib != nullptr || std::strcmp(JpegLastError(), "too many scans") != 0) std::abort();
    if (seconds < best) best = seconds;
  }
  state.counters["best_ms"] = best * 1e3;
  auto it = g_best.find(name);
  if (it == g_best.end() || best < it->second) g_best[name] = best;
}

void BM_Scans30000Grid(benchmark::State& state) {
  Refusal(state, "30000 scans, grid cell (box 160)", Shared().scans30000, 160);
}
void BM_Scans30000Open(benchmark::State& state) {
  Refusal(state, "30000 scans, open (full size)", Shared().scans30000, 0);
}
void BM_Scans5000Grid(benchmark::State& state) {
  Refusal(state, "5000 scans, grid cell (box 160)", Shared().scans5000, 160);
}
void BM_Scans5000Open(benchmark::State& state) {
  Refusal(state, "5000 scans, open (full size)", Shared().scans5000, 0);
}

#define CRAFTED_BENCH(name) BENCHMARK(name)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0)
CRAFTED_BENCH(BM_Scans30000Grid);
CRAFTED_BENCH(BM_Scans30000Open);
CRAFTED_BENCH(BM_Scans5000Grid);
CRAFTED_BENCH(BM_Scans5000Open);

// The viewer's course with the 140-byte file under --memory 64: the grid
// cell (decode towards 160 × 160, 64 × 64 thumbnail kept as the cache
// keeps it), then the open at full size. The peak is taken from a fresh
// high-water mark.
void MeasureTinyFrame() {
  const std::string& tiny = Shared().tiny;
  HeapSetBudget((size_t)64 << 20);
  benchutil::ResetPeakRss();
  const long start = benchutil::StatusKb("VmRSS");
  HeapResetPeak();
  CDib big = DecodeBytes(tiny, 160);
  const std::string gridReason = JpegLastError();
  CDib thumbnail = big != nullptr ? MakeDibThumbnail(big, 64, 64) : nullptr;
  MemFree(big);
  CDib open = DecodeBytes(tiny, 0);
  const std::string openReason = JpegLastError();
  const long peak = benchutil::PeakRssKb();
  const size_t heapPeak = HeapPeakBytes();
  MemFree(open);
  MemFree(thumbnail);

  const long allowed = 64 * 1024 + 4 * 1024;
  std::printf("\n140-byte progressive 5600x5600 grey under --memory 64 (%zu bytes):\n", tiny.size());
  std::printf("  grid cell: %s; open: %s\n", big != nullptr ? "thumbnail made" : gridReason.c_str(),
              open != nullptr ? "picture decoded" : openReason.c_str());
  std::printf("  resident: start %ld KB, peak %ld KB, growth %.1f MB (target <= 64 MB + 4 MB: %s)\n", start, peak,
              (peak - start) / 1024.0, peak - start <= allowed ? "met" : "NOT met");
  std::printf("  heap peak (pictures and the library's reservation): %.1f MB of 64 MB\n", heapPeak / 1048576.0);
}

void PrintSummary() {
  std::printf("\nScan bombs refused (best wall time per decode, budget 64 MB, limit %d scans):\n", kJpegMaxScans);
  std::printf("  30000-scan file %zu bytes, 5000-scan file %zu bytes\n", Shared().scans30000.size(),
              Shared().scans5000.size());
  for (const auto& [name, seconds] : g_best) {
    std::printf("  %-36s %8.1f ms (target well under 1 s: %s)\n", name.c_str(), seconds * 1e3,
                seconds < 0.5 ? "met" : "NOT met");
  }
}

}  // namespace

int main(int argc, char** argv) {
  HeapConfigureProcess();  // as the programs start
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Shared();  // the files are made before anything is measured
  MeasureTinyFrame();
  benchmark::RunSpecifiedBenchmarks();
  PrintSummary();
  benchmark::Shutdown();
  return 0;
}
