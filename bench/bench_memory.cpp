// Resident memory against the heap's budget: the peak of the whole process
// under `--memory 64` at 1, 2 and 8 threads, over the same viewer's resident
// memory when it has started on an empty folder. Two courses: a 1280 × 960
// grid of 12 MP camera pictures, a third of them progressive, filled page
// after page; and a crafted 140-byte progressive file between two camera
// pictures, opened (tap, next, back, back to the grid).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/mainframe.h"
#include "app/viewerapp.h"
#include "benchutil.h"
#include "filelist/imagefilelist.h"
#include "platform/base/heap.h"
#include "platform/base/tick.h"
#include "platform/device/devicefs.h"
#include "platform/headless/headless_host.h"
#include "support/craftedpics.h"
#include "support/scenes.h"
#include "support/temp_device.h"

namespace {

constexpr size_t kBudgetMb = 64;
// What the process may hold beyond the budget: see the README's Performance
// table for what it is made of.
constexpr double kOverheadMb = 8;
constexpr int kGridPictures = 594;  // three pages of 18 × 11 cells
constexpr int kDistinct = 6;

// \Empty; \Grid: 594 names, hard links to six distinct 12 MP pictures
// without Exif thumbnails (every cell decodes), two of them progressive
// (their decode holds a 36 MB coefficient buffer of the library's);
// \Crafted: the 5600 × 5600 progressive frame whose coefficient buffer
// alone is 62.7 MB, between two camera pictures.
struct Device {
  TempDevice device;
  Device() {
    device.MakeFolder("\\Empty");
    device.MakeFolder("\\Grid");
    CameraShotOptions options;
    options.thumbnailWidth = 0;
    for (int k = 0; k < kDistinct; ++k) {
      options.progressive = k % 3 == 2;
      device.WriteFile("\\Grid\\src" + std::to_string(k) + ".bin",
                       CameraShot(k % kSceneCount, 4000, 3000, (uint32_t)(21 + k), options));
    }
    for (int i = 0; i < kGridPictures; ++i) {
      char name[64];
      std::snprintf(name, sizeof name, "\\Grid\\IMG_%04d.JPG", i);
      std::filesystem::create_hard_link(device.HostPath("\\Grid\\src" + std::to_string(i % kDistinct) + ".bin"),
                                        device.HostPath(name));
    }
    options.progressive = false;
    device.MakeFolder("\\Crafted");
    device.WriteFile("\\Crafted\\A_TINY.JPG", TinyProgressiveGrey(5600, 5600));
    device.WriteFile("\\Crafted\\B_CAMERA.JPG", CameraShot(kSceneMountains, 4000, 3000, 5, options));
    device.WriteFile("\\Crafted\\C_CAMERA.JPG", CameraShot(kSceneSunset, 4000, 3000, 6, options));
  }
};

// The child's viewer, 1280 × 960, started in \Empty under the budget; each
// action lets every worker finish and paints what they brought.
struct Viewer {
  CHeadlessHost host{1280, 960, 13};
  CViewerApp app;
  explicit Viewer(int threads) {
    TickSetManual(1000000);
    HeapSetBudget(kBudgetMb << 20);
    app.m_launch.list.threads = threads;
    app.m_launch.list.hasStartFolder = TRUE;
    app.m_launch.list.startFolder = u"\\Empty";
    app.InitInstance();
    Settle();
  }
  ~Viewer() { host.Frame()->SendMessage(WM_CLOSE); }
  CViewerWnd& Wnd() { return static_cast<CMainFrame*>(app.m_pMainWnd)->GetViewerWnd(); }
  void Settle() {
    host.Pump();
    host.WaitForBackgroundWork();
    host.Pump();
  }
  void Open(const char16_t* folder) {
    g_pImageFileList->SelectFolder(folder);
    Wnd().Invalidate(TRUE);
    Settle();
  }
  void Key(UINT vk) {
    TickAdvance(1000);
    Wnd().HostKey(TRUE, vk);
    Wnd().HostKey(FALSE, vk);
    Settle();
  }
  void Tap(int x, int y) {
    TickAdvance(1000);
    Wnd().HostStylusDown(x, y);
    Wnd().HostStylusUp(x, y);
    Settle();
  }
};

// The child: takes the resident memory of the started viewer as the start,
// runs the course, and prints the start, the peak since and the heap's
// peak (KB).
int MemoryRun(const char* root, const char* course, int threads) {
  DeviceSetRoot(root);
  Viewer viewer(threads);
  const long start = benchutil::CurrentRssKb();
  benchutil::ResetPeakRss();
  HeapResetPeak();
  if (std::strcmp(course, "grid") == 0) {
    viewer.Open(u"\\Grid");
    viewer.Key(VK_NEXT);
    viewer.Key(VK_NEXT);
  } else {
    viewer.Open(u"\\Crafted");
    viewer.Tap(30, 30);  // the crafted file
    viewer.Key(VK_RIGHT);
    viewer.Key(VK_LEFT);
    viewer.Key(VK_ESCAPE);
  }
  std::printf("%ld %ld %zu\n", start, benchutil::PeakRssKb(), HeapPeakBytes() >> 10);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  HeapConfigureProcess();  // as the programs start
  if (argc == 5 && std::strcmp(argv[1], "--memory-run") == 0) {
    return MemoryRun(argv[2], argv[3], std::atoi(argv[4]));
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Device device;

  std::printf("Peak resident memory under --memory %zu, 1280 x 960, over the start on an empty folder\n", kBudgetMb);
  std::printf("(target: growth within %zu MB + %.0f MB at every thread count):\n", kBudgetMb, kOverheadMb);
  double worst = 0;
  for (const char* course : {"grid", "crafted"}) {
    for (int threads : {1, 2, 8}) {
      long values[3] = {};
      const bool ran =
          benchutil::ChildFigures(argv[0], {device.device.Root(), course, std::to_string(threads)}, values, 3);
      const char* what = std::strcmp(course, "grid") == 0 ? "grid of 12 MP, 3 pages" : "crafted file, tap/next/back";
      if (!ran) {
        std::printf("  %-28s --threads %d: the child failed\n", what, threads);
        worst = 1e9;
        continue;
      }
      const double growth = (values[1] - values[0]) / 1024.0;
      if (growth > worst) worst = growth;
      std::printf("  %-28s --threads %d: start %5.1f MB, peak %5.1f MB, growth %5.1f MB (heap peak %4.1f MB)\n", what,
                  threads, values[0] / 1024.0, values[1] / 1024.0, growth, values[2] / 1024.0);
    }
  }
  std::printf("  %-58s %10.1f MB   (target: within %.0f MB: %s)\n", "largest growth", worst, kBudgetMb + kOverheadMb,
              worst <= kBudgetMb + kOverheadMb ? "met" : "NOT met");
  benchmark::Shutdown();
  return 0;
}
