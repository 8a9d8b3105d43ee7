// Decodes that cannot keep the viewer waiting. Tail bombs: a 12 MP picture
// whose end marker gives way to a hole of 10 GB or 1 TB, as a grid cell and
// opened, against the sound file; the most the read bound costs (a
// progressive picture that never completes, then 1 TB of zeros). Stopping:
// the time from the thumbnail maker's destructor's start to its return, and
// of the user-interface thread's allocation under pressure, while both
// workers are inside slow decodes, against the time of such a decode.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "benchutil.h"
#include "filelist/imagefilelist.h"
#include "filelist/pictureload.h"
#include "filelist/thumbmaker.h"
#include "imaging/jpegdecode.h"
#include "platform/base/heap.h"
#include "platform/device/devicefs.h"
#include "platform/headless/headless_host.h"
#include "shell/memblock.h"
#include "support/craftedpics.h"
#include "support/scenes.h"
#include "support/temp_device.h"

namespace {

constexpr uint64_t kTenGb = (uint64_t)10 << 30;
constexpr uint64_t kOneTb = (uint64_t)1 << 40;

struct Device {
  TempDevice device;
  size_t pictureBytes = 0;
  Device() {
    CameraShotOptions plain;
    plain.thumbnailWidth = 0;  // the grid decodes the main picture
    CameraShotOptions progressive = plain;
    progressive.progressive = true;
    const std::string baseline = CameraShot(0, 4000, 3000, 11, plain);
    const std::string stepped = CameraShot(1, 4000, 3000, 12, progressive);
    pictureBytes = baseline.size();
    device.MakeFolder("\\Bombs");
    device.WriteFile("\\Bombs\\sound.jpg", baseline);
    device.WriteFile("\\Bombs\\progressive.jpg", stepped);
    WriteFileWithHole(device.HostPath("\\Bombs\\tail10g.jpg"), WithoutEndMarker(baseline), kTenGb);
    WriteFileWithHole(device.HostPath("\\Bombs\\tail1t.jpg"), WithoutEndMarker(baseline), kOneTb);
    WriteFileWithHole(device.HostPath("\\Bombs\\progressive10g.jpg"), WithoutEndMarker(stepped), kTenGb);
    WriteFileWithHole(device.HostPath("\\Bombs\\progressive1t.jpg"), WithoutEndMarker(stepped), kOneTb);
    WriteFileWithHole(device.HostPath("\\Bombs\\unfinished1t.jpg"), WithoutEndMarker(ManyScanJpeg(640, 480, 1)),
                      kOneTb);
    // Two slow decodes for the workers: progressive pictures keep every
    // coefficient and decode all of them even for a grid cell.
    device.MakeFolder("\\Slow");
    device.WriteFile("\\Slow\\a.jpg", stepped);
    device.WriteFile("\\Slow\\b.jpg", CameraShot(2, 4000, 3000, 13, progressive));
  }
};

Device& TheDevice() {
  static Device device;
  return device;
}

struct Figure {
  double seconds;
  uint64_t bytesRead;
  std::string reason;
};
std::map<std::string, Figure> g_decodes;

// One decode of a device file as the viewer makes it: a grid cell (box 160)
// or the picture opened (box 0).
void Decode(benchmark::State& state, const char* name, const char16_t* path, int box) {
  TheDevice();
  std::vector<double> times;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    CDibOwner dib(box > 0 ? LoadPictureTowards(path, box, box) : LoadWholePicture(path));
    times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  g_decodes[name] = Figure{times[times.size() / 2], JpegLastBytesRead(), JpegLastError()};
}

#define DECODE_BENCH(fn, name, path, box) \
  void fn(benchmark::State& state) {      \
    Decode(state, name, path, box);       \
  }                                       \
  BENCHMARK(fn)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5)

DECODE_BENCH(BM_SoundCell, "sound 12 MP, grid cell", u"\\Bombs\\sound.jpg", 160);
DECODE_BENCH(BM_Tail10gCell, "12 MP + 10 GB tail, grid cell", u"\\Bombs\\tail10g.jpg", 160);
DECODE_BENCH(BM_Tail1tCell, "12 MP + 1 TB tail, grid cell", u"\\Bombs\\tail1t.jpg", 160);
DECODE_BENCH(BM_SoundOpen, "sound 12 MP, open", u"\\Bombs\\sound.jpg", 0);
DECODE_BENCH(BM_Tail10gOpen, "12 MP + 10 GB tail, open", u"\\Bombs\\tail10g.jpg", 0);
DECODE_BENCH(BM_Tail1tOpen, "12 MP + 1 TB tail, open", u"\\Bombs\\tail1t.jpg", 0);
DECODE_BENCH(BM_ProgressiveCell, "sound progressive 12 MP, grid cell", u"\\Bombs\\progressive.jpg", 160);
DECODE_BENCH(BM_Progressive10gCell, "progressive + 10 GB tail, grid cell", u"\\Bombs\\progressive10g.jpg", 160);
DECODE_BENCH(BM_Progressive1tCell, "progressive + 1 TB tail, grid cell", u"\\Bombs\\progressive1t.jpg", 160);
DECODE_BENCH(BM_Progressive1tOpen, "progressive + 1 TB tail, open", u"\\Bombs\\progressive1t.jpg", 0);
DECODE_BENCH(BM_Unfinished1tCell, "unfinished progressive + 1 TB, grid cell", u"\\Bombs\\unfinished1t.jpg", 160);

class NullSink : public CThumbnailSink {
 public:
  void OnThumbnailMade(int, int, CDib thumbnail, ThumbnailOutcome, const std::string&) override { MemFree(thumbnail); }
  void OnPictureMade(int, CDib picture, const FileIdentity&) override { MemFree(picture); }
};

// Counts the files the workers open, so that a measurement starts only once
// both are inside their decodes.
class OpenCounter {
 public:
  OpenCounter() : m_main(std::this_thread::get_id()) {
    DeviceSetAccessHook([this](DeviceAccess access, const std::string&) {
      if (access != DEVICE_ACCESS_READ_FILE || std::this_thread::get_id() == m_main) return;
      std::lock_guard<std::mutex> lock(m_mutex);
      ++m_opened;
      m_changed.notify_all();
    });
  }
  ~OpenCounter() { DeviceSetAccessHook(nullptr); }
  void Reset() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_opened = 0;
  }
  // Both workers opened their files a while ago: well inside decodes that
  // last hundreds of milliseconds.
  void WaitForBoth() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_opened >= 2; });
    lock.unlock();
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
  }

 private:
  const std::thread::id m_main;
  std::mutex m_mutex;
  std::condition_variable m_changed;
  int m_opened = 0;
};

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct Stops {
  std::vector<double> destructor;
  std::vector<double> pressure;
};

// The destructor of a maker whose two workers are inside the decodes of two
// slow grid cells; then the user-interface thread's allocation that the
// budget cannot meet while the list's two workers are inside theirs.
Stops MeasureStops(int runs) {
  TheDevice();
  OpenCounter counter;
  NullSink sink;
  Stops stops;
  for (int run = 0; run < runs; ++run) {
    counter.Reset();
    CThumbnailMaker* maker = new CThumbnailMaker(2, kHandheldGrid, &sink);
    maker->Request(0, u"\\Slow\\a.jpg");
    maker->Request(1, u"\\Slow\\b.jpg");
    counter.WaitForBoth();
    const auto start = std::chrono::steady_clock::now();
    delete maker;
    stops.destructor.push_back(SecondsSince(start));
  }
  ListSettings settings;
  settings.threads = 2;
  settings.hasStartFolder = TRUE;
  settings.startFolder = u"\\Slow";
  for (int run = 0; run < runs; ++run) {
    CImageFileList list(settings);
    counter.Reset();
    const CDibOwner first(list.GetOrMakeThumbnail(0));  // asked of the workers: null
    const CDibOwner second(list.GetOrMakeThumbnail(1));
    counter.WaitForBoth();
    const size_t budget = HeapBudget();
    HeapSetBudget(HeapBytesInUse() + ((size_t)1 << 20));
    const auto start = std::chrono::steady_clock::now();
    CDibOwner block(MemAllocRetry((size_t)2 << 20));
    stops.pressure.push_back(SecondsSince(start));
    HeapSetBudget(budget);
    list.ClearError();
  }
  return stops;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double Largest(const std::vector<double>& values) {
  return *std::max_element(values.begin(), values.end());
}

void PrintSummary(const Stops& stops) {
  std::printf("\nTail bombs (median wall time per decode; bytes the decode read):\n");
  std::printf("  the 12 MP picture is %zu bytes; read bound %llu MB + %llu bytes a pixel\n", TheDevice().pictureBytes,
              (unsigned long long)(kJpegReadAllowance >> 20), (unsigned long long)kJpegReadBytesPerPixel);
  for (const auto& [name, figure] : g_decodes) {
    std::printf("  %-44s %9.1f ms  %12llu bytes  %s\n", name.c_str(), figure.seconds * 1e3,
                (unsigned long long)figure.bytesRead, figure.reason.empty() ? "picture" : figure.reason.c_str());
  }
  const double cell = g_decodes["sound progressive 12 MP, grid cell"].seconds;
  std::printf("\nStopping two workers inside slow decodes (%zu runs; one such decode takes %.1f ms):\n",
              stops.destructor.size(), cell * 1e3);
  std::printf("  thumbnail maker's destructor, start to return: median %.2f ms, largest %.2f ms (target 500 ms)\n",
              Median(stops.destructor) * 1e3, Largest(stops.destructor) * 1e3);
  std::printf("  allocation under pressure on the user-interface thread: median %.2f ms, largest %.2f ms\n",
              Median(stops.pressure) * 1e3, Largest(stops.pressure) * 1e3);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  CHeadlessHost host;
  HeapSetBudget((size_t)512 << 20);
  TheDevice();  // the files are made before anything is measured
  const Stops stops = MeasureStops(9);
  benchmark::RunSpecifiedBenchmarks();
  PrintSummary(stops);
  benchmark::Shutdown();
  return 0;
}
