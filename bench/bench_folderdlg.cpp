// Filling the Select Folder tree for a device of 10,000 folders in three
// levels, some holding pictures, against a bare recursive walk of the same
// tree. The dialog enumerates every folder three times (children marker,
// picture marker, descent) and the device's records carry attributes, so
// the fair bare walk reads each entry's attributes too; a names-only walk is
// shown beside it. The fill runs in slices, as the GUI host runs it: the
// time until the dialog first answers (shown, then one slice) against the
// whole fill, and the longest slice, there and in one folder of 10,000
// subfolders.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "app/mainframe.h"
#include "app/viewerapp.h"
#include "benchutil.h"
#include "folderdlg/folderdlg.h"
#include "platform/base/tick.h"
#include "platform/controls/dialog.h"
#include "platform/controls/treectrl.h"
#include "platform/device/devicefs.h"
#include "platform/headless/headless_host.h"
#include "res/resource_ids.h"
#include "support/temp_device.h"

namespace {

// 20 × 20 × 25 = 10,000 folders at the third level, 10,420 in all; every
// seventh leaf holds a picture and a text file.
constexpr int kTop = 20, kMiddle = 20, kLeaves = 25;
constexpr int kFolders = kTop + kTop * kMiddle + kTop * kMiddle * kLeaves;

struct Device {
  TempDevice device;
  Device() {
    device.MakeFolder("\\My Documents");
    int leaf = 0;
    for (int a = 0; a < kTop; ++a) {
      const std::string top = device.Root() + "/Album" + std::to_string(a);
      mkdir(top.c_str(), 0755);
      for (int b = 0; b < kMiddle; ++b) {
        const std::string middle = top + "/Trip" + std::to_string(b);
        mkdir(middle.c_str(), 0755);
        for (int c = 0; c < kLeaves; ++c, ++leaf) {
          const std::string folder = middle + "/Day" + std::to_string(c);
          mkdir(folder.c_str(), 0755);
          if (leaf % 7 == 0) {
            WriteHostFile(folder + "/IMG_0001.JPG", "");
            WriteHostFile(folder + "/notes.txt", "");
          }
        }
      }
    }
  }
};

Device& TheDevice() {
  static Device device;
  return device;
}

size_t Walk(const std::string& folder, bool attributes) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return 0;
  size_t n = 0;
  while (struct dirent* e = readdir(dir)) {
    if (e->d_name[0] == '.' && (e->d_name[1] == 0 || (e->d_name[1] == '.' && e->d_name[2] == 0))) continue;
    ++n;
    bool isDir = e->d_type == DT_DIR;
    if (attributes) {
      struct stat st;
      isDir = fstatat(dirfd(dir), e->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
    }
    if (isDir) n += Walk(folder + "/" + e->d_name, attributes);
  }
  closedir(dir);
  return n;
}

// Opens Select Folder on a headless viewer and closes it again; the tree is
// built while the dialog initialises.
struct Viewer {
  std::unique_ptr<CHeadlessHost> host;
  std::unique_ptr<CViewerApp> app;
  int items = 0;
  Viewer() {
    TheDevice();
    TickSetManual(1000000);
    host = std::make_unique<CHeadlessHost>();
    app = std::make_unique<CViewerApp>();
    app->InitInstance();
    host->SetDialogHandler([this](CDialog& dialog) {
      items = dynamic_cast<CTreeCtrl*>(dialog.GetDlgItem(IDC_FOLDER_TREE))->GetCount();
      dialog.SendMessage(WM_COMMAND, IDCANCEL);
    });
  }
  ~Viewer() {
    if (host->Frame() != nullptr) host->Frame()->SendMessage(WM_CLOSE);
  }
  void Browse() { host->Frame()->SendMessage(WM_COMMAND, ID_BROWSER, 0); }
};

// Processor time of this thread: a slice's own work, without the time the
// thread waited for a processor on a busy machine.
double ThreadCpuSeconds() {
  struct timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return (double)ts.tv_sec + (double)ts.tv_nsec * 1e-9;
}

// One opening of the dialog with its fill in slices on the system clock.
struct SliceTimes {
  double shown = 0;        // command to the dialog shown
  double firstAnswer = 0;  // ... and its first slice done
  double whole = 0;        // ... and the tree complete
  double longest = 0;      // the longest slice
  double longestCpu = 0;   // the most processor time a slice took
  int slices = 0;
  int items = 0;
};

SliceTimes FillInSlices() {
  typedef std::chrono::steady_clock Clock;
  Viewer viewer;
  TickUseSystem();
  viewer.host->SetDialogWorkStepped(TRUE);
  SliceTimes t;
  const Clock::time_point start = Clock::now();
  auto since = [](Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); };
  viewer.host->SetDialogHandler([&](CDialog& dialog) {
    t.shown = since(start);
    for (BOOL more = TRUE; more; ++t.slices) {
      const Clock::time_point slice = Clock::now();
      const double cpu = ThreadCpuSeconds();
      more = dialog.RunIdleSlice();
      t.longest = std::max(t.longest, since(slice));
      t.longestCpu = std::max(t.longestCpu, ThreadCpuSeconds() - cpu);
      if (t.slices == 0) t.firstAnswer = since(start);
    }
    t.whole = since(start);
    t.items = dynamic_cast<CTreeCtrl*>(dialog.GetDlgItem(IDC_FOLDER_TREE))->GetCount();
    dialog.SendMessage(WM_COMMAND, IDCANCEL);
  });
  viewer.Browse();
  return t;
}

// The median run of five by the time to the whole tree.
SliceTimes MedianFillInSlices() {
  std::vector<SliceTimes> runs;
  for (int i = 0; i < 5; ++i) runs.push_back(FillInSlices());
  std::sort(runs.begin(), runs.end(), [](const SliceTimes& a, const SliceTimes& b) { return a.whole < b.whole; });
  return runs[runs.size() / 2];
}

void PrintSlices(const SliceTimes& t) {
  benchutil::Line("dialog shown", t.shown);
  benchutil::Line("first answer: shown and one slice", t.firstAnswer);
  benchutil::Line("whole fill in slices", t.whole);
  benchutil::Line("longest slice", t.longest);
  benchutil::Line("longest slice, processor time", t.longestCpu);
  std::printf("  %-58s %10d\n", "slices", t.slices);
  std::printf("  %-58s %10d\n", "tree items", t.items);
}

void BM_FillFolderTree(benchmark::State& state) {
  Viewer viewer;
  for (auto _ : state) viewer.Browse();
  state.counters["items"] = viewer.items;
  state.SetItemsProcessed(state.iterations() * kFolders);
}
BENCHMARK(BM_FillFolderTree)->Unit(benchmark::kMillisecond);

void BM_BareWalkWithAttributes(benchmark::State& state) {
  const std::string root = TheDevice().device.Root();
  for (auto _ : state) benchmark::DoNotOptimize(Walk(root, true));
  state.SetItemsProcessed(state.iterations() * kFolders);
}
BENCHMARK(BM_BareWalkWithAttributes)->Unit(benchmark::kMillisecond);

void BM_BareWalkNamesOnly(benchmark::State& state) {
  const std::string root = TheDevice().device.Root();
  for (auto _ : state) benchmark::DoNotOptimize(Walk(root, false));
  state.SetItemsProcessed(state.iterations() * kFolders);
}
BENCHMARK(BM_BareWalkNamesOnly)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  const std::string root = TheDevice().device.Root();
  double fill = 0;
  int items = 0;
  {
    Viewer viewer;
    fill = benchutil::MedianSeconds([&] { viewer.Browse(); }, 5);
    items = viewer.items;
  }
  const double walk = benchutil::MedianSeconds([&] { Walk(root, true); }, 5);
  const double names = benchutil::MedianSeconds([&] { Walk(root, false); }, 5);
  std::printf("\nSelect Folder, %d folders in 3 levels (median of 5):\n", kFolders);
  benchutil::Line("fill the tree", fill);
  benchutil::Line("bare recursive walk, names and attributes", walk);
  benchutil::Line("bare recursive walk, names only", names);
  benchutil::Ratio("fill / bare walk with attributes", fill / walk, "target: within 4");
  benchutil::Ratio("fill / bare walk of names", fill / names, "for reference");
  std::printf("  %-58s %10.0f\n", "folders per second", kFolders / fill);
  std::printf("  %-58s %10d\n", "tree items", items);
  const SliceTimes sliced = MedianFillInSlices();
  std::printf("\nThe same fill in slices of %u ms, as the GUI host runs it (median of 5):\n",
              (unsigned)CFolderDlg::kFillSliceMs);
  PrintSlices(sliced);
  benchutil::Ratio("first answer / fill at once", sliced.firstAnswer / fill, "target: far below 1");
  benchutil::Ratio("fill in slices / fill at once", sliced.whole / fill, "for reference");
  {
    TempDevice wide;
    wide.MakeFolder("\\My Documents");
    wide.MakeFolder("\\Wide");
    for (int i = 0; i < 10000; ++i) mkdir((wide.HostPath("\\Wide") + "/w" + std::to_string(i)).c_str(), 0755);
    std::printf("\nOne folder of 10,000 subfolders, in slices (median of 5):\n");
    PrintSlices(MedianFillInSlices());
    // Entries come in name order, so a folder is read whole before its first
    // entry: entering this folder is one step, which no slice can split.
    auto list = [] {
      WIN32_FIND_DATA record;
      FindClose(FindFirstFile(u"\\Wide\\*.*", &record));
    };
    benchutil::Line("one step: listing the folder of 10,000", benchutil::MedianSeconds(list, 5));
  }
  benchmark::Shutdown();
  return 0;
}
