// Scanning a folder of 11,700 pictures and as many other files into the
// picture list, against a bare directory listing of the same folder: the
// device's enumeration hands out full records (attributes, times, size), so
// the fair bare listing reads each entry's attributes too; a names-only
// listing is shown beside it. The device also reads the whole folder and
// sorts it into name order before it hands out the first record.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "benchutil.h"
#include "filelist/imagefilelist.h"
#include "platform/base/heap.h"
#include "platform/device/devicefs.h"
#include "res/resource_ids.h"
#include "support/temp_device.h"

namespace {

constexpr int kPictures = 11700;

struct Folders {
  TempDevice device;
  std::string hostA, hostB;
  Folders() {
    InstallViewerResources();
    for (const char* f : {"\\A", "\\B"}) {
      device.MakeFolder(f);
      const std::string host = device.HostPath(f);
      for (int i = 0; i < kPictures; ++i) {
        char name[64];
        std::snprintf(name, sizeof(name), "/IMG_%05d.JPG", i);
        WriteHostFile(host + name, "");
        std::snprintf(name, sizeof(name), "/IMG_%05d.txt", i);
        WriteHostFile(host + name, "");
      }
    }
    hostA = device.HostPath("\\A");
    hostB = device.HostPath("\\B");
  }
};

Folders& TheFolders() {
  static Folders folders;
  return folders;
}

// readdir and the attributes of every entry.
size_t ListWithAttributes(const std::string& folder) {
  size_t n = 0;
  DIR* dir = opendir(folder.c_str());
  struct stat st;
  while (struct dirent* e = readdir(dir)) {
    if (fstatat(dirfd(dir), e->d_name, &st, 0) == 0) n += (size_t)st.st_size + 1;
  }
  closedir(dir);
  return n;
}

// The device's own enumeration, records and all, without the list.
size_t ListOnDevice(const char16_t* pattern) {
  size_t n = 0;
  ForEachDeviceEntry(pattern, [&n](const WIN32_FIND_DATA& record) {
    n += record.nFileSizeLow + 1;
    return true;
  });
  return n;
}

size_t ListNames(const std::string& folder) {
  size_t n = 0;
  DIR* dir = opendir(folder.c_str());
  while (struct dirent* e = readdir(dir)) n += e->d_name[0] != 0;
  closedir(dir);
  return n;
}

// Every scan selects the other of two equal folders.
struct Scanner {
  CImageFileList list;
  bool onA = false;
  void Scan() {
    onA = !onA;
    list.SelectFolder(onA ? u"\\A" : u"\\B");
  }
};

void BM_BareListingWithAttributes(benchmark::State& state) {
  Folders& f = TheFolders();
  for (auto _ : state) benchmark::DoNotOptimize(ListWithAttributes(f.hostA));
  state.SetItemsProcessed(state.iterations() * 2 * kPictures);
}
BENCHMARK(BM_BareListingWithAttributes)->Unit(benchmark::kMillisecond);

void BM_BareListingNamesOnly(benchmark::State& state) {
  Folders& f = TheFolders();
  for (auto _ : state) benchmark::DoNotOptimize(ListNames(f.hostA));
  state.SetItemsProcessed(state.iterations() * 2 * kPictures);
}
BENCHMARK(BM_BareListingNamesOnly)->Unit(benchmark::kMillisecond);

void BM_ScanFolder(benchmark::State& state) {
  TheFolders();
  Scanner scanner;
  for (auto _ : state) scanner.Scan();
  state.SetItemsProcessed(state.iterations() * 2 * kPictures);
  state.counters["entries"] = scanner.list.GetCount();
}
BENCHMARK(BM_ScanFolder)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  HeapConfigureProcess();  // as the programs start
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  Folders& f = TheFolders();
  Scanner scanner;
  const size_t before = HeapBytesInUse();
  const double scan = benchutil::MedianSeconds([&] { scanner.Scan(); }, 9);
  const size_t held = HeapBytesInUse() - before;
  const size_t blocks = HeapBlockCount();
  const double listing = benchutil::MedianSeconds([&] { ListWithAttributes(f.hostA); }, 9);
  const double names = benchutil::MedianSeconds([&] { ListNames(f.hostA); }, 9);
  const double device = benchutil::MedianSeconds([&] { ListOnDevice(u"\\A\\*.*"); }, 9);
  std::printf("\nFolder scan, %d pictures + %d other files (median of 9):\n", kPictures, kPictures);
  benchutil::Line("scan into the picture list", scan);
  benchutil::Line("bare listing, names and attributes", listing);
  benchutil::Line("bare listing, names only", names);
  benchutil::Line("the device's own enumeration of the folder", device);
  benchutil::Ratio("scan / bare listing with attributes", scan / listing, "target: within 3");
  benchutil::Ratio("scan / the device's enumeration", scan / device, "the list's own cost");
  benchutil::Ratio("scan / bare listing of names", scan / names, "for reference");
  std::printf("  %-58s %10.0f\n", "pictures listed per second", kPictures / scan);
  std::printf("  %-58s %10zu bytes in %zu blocks (entry blocks only)\n", "held by the list", held, blocks);
  benchmark::Shutdown();
  return 0;
}
