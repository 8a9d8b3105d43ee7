// The desktop's slideshow against the arrow keys: one step through 24 MP
// pictures at 1280 × 960, from the step (the timer falling due, or the
// Right key released) to the end of the paint. With workers the picture
// was read ahead before each step; with --threads 1 both decode.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/mainframe.h"
#include "app/slideshow.h"
#include "app/viewerapp.h"
#include "benchutil.h"
#include "filelist/imagefilelist.h"
#include "platform/base/heap.h"
#include "platform/base/tick.h"
#include "platform/headless/headless_host.h"
#include "support/scenes.h"
#include "support/temp_device.h"

namespace {

constexpr int kPictures = 6;

struct Device {
  TempDevice device;
  Device() {
    // One picture under every name: the steps taken in turns (below) meet
    // the same work, and each is still read and decoded from its file.
    device.MakeFolder("\\Big");
    const std::string big = CameraShot(kSceneSunset, 6000, 4000, 70);
    for (int k = 0; k < kPictures; ++k) device.WriteFile("\\Big\\BIG_" + std::to_string(k) + ".JPG", big);
  }
};

Device& TheDevice() {
  static Device device;
  return device;
}

// The desktop viewer on the picture page of \Big, its slideshow running.
struct Viewer {
  std::unique_ptr<CHeadlessHost> host;
  std::unique_ptr<CViewerApp> app;
  explicit Viewer(int threads) {
    TheDevice();
    TickSetManual(1000000);
    host = std::make_unique<CHeadlessHost>(1280, 960, 13);
    app = std::make_unique<CViewerApp>();
    app->m_launch.profile = PROFILE_DESKTOP;
    app->m_launch.list.threads = threads;
    app->InitInstance();
    g_pImageFileList->SelectFolder(u"\\Big");
    host->WaitForBackgroundWork();
    g_pImageFileList->SetCurrent(0);
    Wnd().SwitchPage(PAGE_IMAGE);
    host->Pump();
    Wnd().ToggleSlideshow();
  }
  ~Viewer() {
    if (host->Frame() != nullptr) host->Frame()->SendMessage(WM_CLOSE);
  }
  CViewerWnd& Wnd() { return static_cast<CMainFrame*>(app->m_pMainWnd)->GetViewerWnd(); }
  // One step and its paint: the Right key, or a pace of the tick.
  void Step(bool slideshow) {
    if (slideshow) {
      TickAdvance(Wnd().GetSlideshow()->PaceMs());
    } else {
      Wnd().HostKey(FALSE, VK_RIGHT);
    }
    host->Pump();
  }
};

// Steps taken in turns, slideshow and arrow, so that both meet the same
// pictures and the same machine; the medians of each, in seconds.
struct Medians {
  double arrow;
  double slideshow;
};

Medians StepMedians(int threads, int rounds) {
  Viewer viewer(threads);
  std::vector<double> times[2];
  for (int i = 0; i < 2 * rounds; ++i) {
    const bool slideshow = (i % 2) != 0;
    viewer.host->WaitForBackgroundWork();
    const auto start = std::chrono::steady_clock::now();
    viewer.Step(slideshow);
    times[slideshow].push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  for (std::vector<double>& t : times) std::sort(t.begin(), t.end());
  return {times[0][times[0].size() / 2], times[1][times[1].size() / 2]};
}

void BM_Step(benchmark::State& state) {
  Viewer viewer((int)state.range(0));
  const bool slideshow = state.range(1) != 0;
  for (auto _ : state) {
    state.PauseTiming();
    viewer.host->WaitForBackgroundWork();
    state.ResumeTiming();
    viewer.Step(slideshow);
  }
}
BENCHMARK(BM_Step)
    ->ArgNames({"threads", "slideshow"})
    ->ArgsProduct({{1, 2}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  HeapConfigureProcess();  // as the programs start
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();

  std::printf("\nSteps on the picture page, 24 MP pictures, 1280 x 960 (medians of 15, in turns):\n");
  const Medians ahead = StepMedians(2, 15);
  const Medians decoding = StepMedians(1, 15);
  benchutil::Line("arrow step to a picture read ahead", ahead.arrow);
  benchutil::Line("slideshow step to a picture read ahead", ahead.slideshow);
  benchutil::Line("arrow step that decodes (--threads 1)", decoding.arrow);
  benchutil::Line("slideshow step that decodes (--threads 1)", decoding.slideshow);
  benchutil::Ratio("slideshow step / arrow step, read ahead", ahead.slideshow / ahead.arrow,
                   "target: at most 1.05, no slower");
  benchutil::Ratio("slideshow step / arrow step, decoding", decoding.slideshow / decoding.arrow,
                   "target: at most 1.05, no slower");
  benchmark::Shutdown();
  return 0;
}
