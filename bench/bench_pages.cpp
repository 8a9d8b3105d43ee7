// The pages on the headless host with camera-style pictures: first paint of
// a grid from an empty cache and from the cache, opening a 24 MP picture,
// a zoom step and a pan repaint at 1/1. A child process measures the peak
// resident memory while stepping through a folder of 24 MP pictures.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "app/mainframe.h"
#include "app/viewerapp.h"
#include "benchutil.h"
#include "filelist/imagefilelist.h"
#include "imaging/dibdraw.h"
#include "pages/imagepage.h"
#include "platform/base/heap.h"
#include "platform/base/tick.h"
#include "platform/device/devicefs.h"
#include "platform/headless/headless_host.h"
#include "support/scenes.h"
#include "support/temp_device.h"

namespace {

constexpr int kGridPictures = 198;  // a full 1280 × 960 page: 18 × 11

struct Device {
  TempDevice device;
  Device() {
    const std::string camera = CameraShot(kSceneMountains, 4000, 3000, 7);
    CameraShotOptions plain;
    plain.thumbnailWidth = 0;
    device.MakeFolder("\\My Documents");
    device.MakeFolder("\\Grid");
    for (int i = 0; i < kGridPictures; ++i) {
      char name[64];
      std::snprintf(name, sizeof(name), "\\Grid\\IMG_%04d.JPG", i);
      device.WriteFile(name, camera);
    }
    device.MakeFolder("\\Plain");
    device.WriteFile("\\Plain\\IMG_0001.JPG", CameraShot(kSceneMountains, 4000, 3000, 7, plain));
    device.MakeFolder("\\Big");
    const std::string big = CameraShot(kSceneSunset, 6000, 4000, 9);
    for (int i = 0; i < 4; ++i) device.WriteFile("\\Big\\BIG_" + std::to_string(i) + ".JPG", big);
  }
};

Device& TheDevice() {
  static Device device;
  return device;
}

// A viewer on the headless host, showing `folder`.
struct Viewer {
  std::unique_ptr<CHeadlessHost> host;
  std::unique_ptr<CViewerApp> app;
  Viewer(int width, int height, const char16_t* folder) {
    TheDevice();
    TickSetManual(1000000);
    host = std::make_unique<CHeadlessHost>(width, height, 13);
    app = std::make_unique<CViewerApp>();
    app->InitInstance();
    g_pImageFileList->SelectFolder(folder);
    host->Pump();
  }
  ~Viewer() {
    if (host->Frame() != nullptr) host->Frame()->SendMessage(WM_CLOSE);
  }
  CViewerWnd& Wnd() { return static_cast<CMainFrame*>(app->m_pMainWnd)->GetViewerWnd(); }
  void Repaint() {
    Wnd().Invalidate(TRUE);
    host->Pump();
  }
  void EmptyCache() {
    while (g_pImageFileList->ReleaseThumbnailBlock()) {
    }
  }
  void OpenFirst() {
    g_pImageFileList->SetCurrent(0);
    Wnd().SwitchPage(PAGE_IMAGE);
    host->Pump();
  }
};

void BM_GridFirstPaint(benchmark::State& state) {
  Viewer viewer((int)state.range(0), (int)state.range(1), u"\\Grid");
  for (auto _ : state) {
    viewer.EmptyCache();
    viewer.Repaint();
  }
}
BENCHMARK(BM_GridFirstPaint)->Args({240, 268})->Args({1280, 960})->Unit(benchmark::kMillisecond);

void BM_GridCachedRepaint(benchmark::State& state) {
  Viewer viewer((int)state.range(0), (int)state.range(1), u"\\Grid");
  for (auto _ : state) viewer.Repaint();
}
BENCHMARK(BM_GridCachedRepaint)->Args({240, 268})->Args({1280, 960})->Unit(benchmark::kMillisecond);

// The work one cache miss costs for a 12 MP picture without an Exif
// thumbnail: the reduced decode and the 64 × 64 reduction.
void ThumbnailDecode() {
  CDib big = g_pImageFileList->LoadPictureToFit(0, 160, 160);
  CDib small = MakeDibThumbnail(big, 64, 64);
  MemFree(small);
  MemFree(big);
}

void BM_ThumbnailDecode12MP(benchmark::State& state) {
  Viewer viewer(240, 268, u"\\Plain");
  for (auto _ : state) ThumbnailDecode();
}
BENCHMARK(BM_ThumbnailDecode12MP)->Unit(benchmark::kMillisecond);

void BM_Open24MP(benchmark::State& state) {
  Viewer viewer(1280, 960, u"\\Big");
  viewer.OpenFirst();
  for (auto _ : state) {
    g_pImageFileList->SetHeldPicture(nullptr);
    viewer.Repaint();
  }
}
BENCHMARK(BM_Open24MP)->Unit(benchmark::kMillisecond);

void BM_ZoomStepTo1To1(benchmark::State& state) {
  Viewer viewer(1280, 960, u"\\Big");
  viewer.OpenFirst();
  CImagePage& page = *viewer.Wnd().m_pImagePage;
  for (auto _ : state) {
    state.PauseTiming();
    page.ResetZoom();
    while (page.m_nZoomDen != 3) page.OnZoomIn();  // 2/3
    state.ResumeTiming();
    page.OnZoomIn();  // to 1/1, repainted at once
  }
}
BENCHMARK(BM_ZoomStepTo1To1)->Unit(benchmark::kMillisecond);

void BM_PanRepaint1To1(benchmark::State& state) {
  Viewer viewer(1280, 960, u"\\Big");
  viewer.OpenFirst();
  CImagePage& page = *viewer.Wnd().m_pImagePage;
  while (page.OnZoomIn()) {
  }
  viewer.Wnd().HostStylusDown(600, 400);
  int x = 600;
  for (auto _ : state) {
    x = x == 600 ? 592 : 600;
    viewer.Wnd().HostStylusMove(x, 400);  // 8 pixels: one repaint each
  }
  viewer.Wnd().HostStylusUp(x, 400);
}
BENCHMARK(BM_PanRepaint1To1)->Unit(benchmark::kMillisecond);

// The child: steps through the 24 MP folder and prints its memory figures.
int MemoryRun(const char* root) {
  DeviceSetRoot(root);
  TickSetManual(1000000);
  CHeadlessHost host(240, 268, 13);
  CViewerApp app;
  app.InitInstance();
  g_pImageFileList->SelectFolder(u"\\Big");
  host.Pump();
  const long before = benchutil::CurrentRssKb();
  benchutil::ResetPeakRss();
  CViewerWnd& wnd = static_cast<CMainFrame*>(app.m_pMainWnd)->GetViewerWnd();
  g_pImageFileList->SetCurrent(0);
  wnd.SwitchPage(PAGE_IMAGE);
  host.Pump();
  for (int i = 0; i < 7; ++i) {
    wnd.HostKey(FALSE, VK_RIGHT);
    host.Pump();
  }
  std::printf("%ld %ld\n", before, benchutil::PeakRssKb());
  host.Frame()->SendMessage(WM_CLOSE);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  HeapConfigureProcess();  // as the programs start
  if (argc == 3 && std::strcmp(argv[1], "--memory-run") == 0) return MemoryRun(argv[2]);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();

  std::printf("\nPages, headless host (median of 5):\n");
  double cached = 0, decode = 0, pan = 0;
  {
    Viewer viewer(240, 268, u"\\Grid");
    cached = benchutil::MedianSeconds([&] { viewer.Repaint(); }, 5);
  }
  {
    Viewer viewer(240, 268, u"\\Plain");
    decode = benchutil::MedianSeconds(ThumbnailDecode, 5);
  }
  {
    Viewer viewer(1280, 960, u"\\Big");
    viewer.OpenFirst();
    CImagePage& page = *viewer.Wnd().m_pImagePage;
    while (page.OnZoomIn()) {
    }
    viewer.Wnd().HostStylusDown(600, 400);
    int x = 600;
    pan = benchutil::MedianSeconds(
        [&] {
          x = x == 600 ? 592 : 600;
          viewer.Wnd().HostStylusMove(x, 400);
        },
        5);
  }
  benchutil::Line("cached 240 x 268 grid repaint", cached);
  benchutil::Line("pan repaint at 1/1, 1280 x 960", pan);
  benchutil::Line("one 12 MP thumbnail decode (no Exif thumbnail)", decode);
  benchutil::Ratio("cached repaint / thumbnail decode", cached / decode, "target: below 0.10");
  benchutil::Ratio("pan repaint / thumbnail decode", pan / decode, "target: below 0.10");

  // Memory, in a fresh process so that making the pictures does not count.
  long before = 0, peak = 0;
  if (benchutil::ChildMemory(argv[0], {TheDevice().device.Root()}, &before, &peak)) {
    const double picture = (40.0 + 6000.0 * 3 * 4000) / (1024 * 1024);
    const double growth = (peak - before) / 1024.0;
    std::printf("\nMemory, stepping through 8 pictures of 6000 x 4000 (24 MP):\n");
    std::printf("  %-58s %10.1f MB\n", "resident before the first picture", before / 1024.0);
    std::printf("  %-58s %10.1f MB\n", "peak resident", peak / 1024.0);
    std::printf("  %-58s %10.1f MB   (target: below %.1f MB, one picture + 32 MB)\n", "growth of the peak", growth,
                picture + 32);
  }
  benchmark::Shutdown();
  return 0;
}
