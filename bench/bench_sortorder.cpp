// Sorting a folder of 11,700 small JPEGs with Exif dates by date taken,
// against the scan of the same folder: each scan selects the other of two
// equal folders, once in name order and once in date order, and a change
// of order on a list already scanned is timed on its own.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "benchutil.h"
#include "filelist/imagefilelist.h"
#include "platform/base/heap.h"
#include "platform/window/app.h"
#include "res/resource_ids.h"
#include "support/exifwriter.h"
#include "support/temp_device.h"
#include "support/testpics.h"

namespace {

constexpr int kPictures = 11700;

struct Folders {
  TempDevice device;
  Folders() {
    InstallViewerResources();
    const std::string jpeg = EncodeJpeg(RampPicture(16, 16));
    // Dates that do not follow the names: a step coprime with the count.
    unsigned seed = 12345;
    for (const char* f : {"\\A", "\\B"}) {
      device.MakeFolder(f);
      const std::string host = device.HostPath(f);
      for (int i = 0; i < kPictures; ++i) {
        seed = seed * 1103515245u + 12345u;
        char name[64], date[32];
        std::snprintf(name, sizeof(name), "/IMG_%05d.JPG", i);
        std::snprintf(date, sizeof(date), "20%02u:%02u:%02u %02u:%02u:%02u", 10 + (seed >> 8) % 15,
                      1 + (seed >> 12) % 12, 1 + (seed >> 16) % 28, (seed >> 4) % 24, (seed >> 20) % 60,
                      (seed >> 24) % 60);
        WriteHostFile(host + name, jpeg.substr(0, 2) + DateTakenSegment(date) + jpeg.substr(2));
      }
    }
  }
};

Folders& TheFolders() {
  static Folders folders;
  return folders;
}

ListSettings Desktop(SortKey key) {
  ListSettings settings;
  settings.hasStartFolder = TRUE;
  settings.startFolder = u"\\A";
  settings.grows = TRUE;
  settings.allFormats = TRUE;
  settings.sortOrder.key = key;
  // The desktop's workers: all cores.
  settings.threads = GetProcessorCount();
  return settings;
}

struct Scanner {
  CImageFileList list;
  bool onA = true;
  explicit Scanner(SortKey key) : list(Desktop(key)) {}
  void Scan() {
    onA = !onA;
    list.SelectFolder(onA ? u"\\A" : u"\\B");
  }
};

void BM_ScanByName(benchmark::State& state) {
  TheFolders();
  Scanner scanner(SORT_BY_NAME);
  for (auto _ : state) scanner.Scan();
  state.SetItemsProcessed(state.iterations() * kPictures);
}
BENCHMARK(BM_ScanByName)->Unit(benchmark::kMillisecond);

void BM_ScanByDateTaken(benchmark::State& state) {
  TheFolders();
  Scanner scanner(SORT_BY_DATE_TAKEN);
  for (auto _ : state) scanner.Scan();
  state.SetItemsProcessed(state.iterations() * kPictures);
}
BENCHMARK(BM_ScanByDateTaken)->Unit(benchmark::kMillisecond);

void BM_ChangeToDateTaken(benchmark::State& state) {
  TheFolders();
  Scanner scanner(SORT_BY_NAME);
  bool reversed = false;
  for (auto _ : state) {
    reversed = !reversed;
    scanner.list.SetSortOrder({SORT_BY_DATE_TAKEN, reversed ? TRUE : FALSE});
  }
  state.SetItemsProcessed(state.iterations() * kPictures);
}
BENCHMARK(BM_ChangeToDateTaken)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  HeapConfigureProcess();  // as the programs start
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  TheFolders();
  Scanner byName(SORT_BY_NAME);
  Scanner byDate(SORT_BY_DATE_TAKEN);
  const double scan = benchutil::MedianSeconds([&] { byName.Scan(); }, 9);
  const double scanAndSort = benchutil::MedianSeconds([&] { byDate.Scan(); }, 9);
  bool reversed = false;
  const double change = benchutil::MedianSeconds(
      [&] {
        reversed = !reversed;
        byName.list.SetSortOrder({SORT_BY_DATE_TAKEN, reversed ? TRUE : FALSE});
      },
      9);
  std::printf("\nSort by date taken, %d small JPEGs with Exif dates (median of 9):\n", kPictures);
  benchutil::Line("scan in name order", scan);
  benchutil::Line("scan and sort by date taken", scanAndSort);
  benchutil::Line("the sort alone (scan and sort - scan)", scanAndSort - scan);
  benchutil::Line("a change of order to date taken on a scanned list", change);
  benchutil::Ratio("(scan and sort - scan) / scan", (scanAndSort - scan) / scan, "target: within 2");
  benchutil::Ratio("change of order / scan", change / scan, "target: within 2");
  benchutil::Ratio("scan and sort / scan", scanAndSort / scan, "for reference");
  benchmark::Shutdown();
  return 0;
}
