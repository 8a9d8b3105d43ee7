// Why: a worker's decode must never keep the user waiting, neither when the
// window closes nor when the user-interface thread needs memory. A worker is
// held at the open of its file until its decodes are told to stop; where the
// viewer would wait for the decode to end instead, the flag never comes and
// the test fails. These tests also run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "imaging/jpegdecode.h"
#include "platform/base/heap.h"
#include "platform/base/wstr.h"
#include "platform/device/devicefs.h"
#include "shell/memblock.h"
#include "support/pixels.h"
#include "support/viewer_fixture.h"

namespace {

// Long enough for any scheduling under the sanitizers; a held thread whose
// flag never comes goes on after it, so a faulty viewer fails, never hangs.
constexpr std::chrono::seconds kPatience(20);

// Holds the first file a thread other than the test's opens once armed,
// until that thread's decodes are told to stop. Made before the viewer and
// gone after it: the hook must not change while workers run.
class StopGate {
 public:
  StopGate() : m_owner(std::this_thread::get_id()) {
    DeviceSetAccessHook([this](DeviceAccess access, const std::string& path) { OnAccess(access, path); });
  }
  ~StopGate() { DeviceSetAccessHook(nullptr); }

  void Arm() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_armed = true;
    m_held.clear();
    m_stopSeen = false;
  }
  // The name of the file held; empty when none was within kPatience.
  std::string WaitUntilHeld() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait_for(lock, kPatience, [this] { return !m_held.empty(); });
    return m_held;
  }
  bool StopSeen() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stopSeen;
  }

 private:
  void OnAccess(DeviceAccess access, const std::string& path) {
    if (std::this_thread::get_id() == m_owner || access != DEVICE_ACCESS_READ_FILE) return;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      if (!m_armed) return;
      m_armed = false;
      m_held = path.substr(path.rfind('/') + 1);
      m_changed.notify_all();
    }
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!DecodeStopRequested() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stopSeen = DecodeStopRequested();
  }

  const std::thread::id m_owner;
  std::mutex m_mutex;
  std::condition_variable m_changed;
  bool m_armed = false;
  std::string m_held;
  bool m_stopSeen = false;
};

class DecodeCancelTest : public ViewerFixture {
 protected:
  void SetUp() override {
    device.MakeFolder("\\My Documents");
    for (int i = 0; i < 60; ++i) device.WriteFile(Name(i), FlatJpeg(i, 320, 240));
    threads = 2;
  }
  void TearDown() override {
    HeapSetBudget(budget);
    ViewerFixture::TearDown();
  }
  static std::string Name(int i) {
    char name[40];
    std::snprintf(name, sizeof name, "\\My Documents\\p%03d.jpg", i);
    return name;
  }
  int IndexOf(const std::string& fileName) {
    for (int k = 0; k < List()->GetCount(); ++k) {
      CString path;
      List()->GetPath(k, path);
      if (Utf8FromWide(path.substr(path.rfind(u'\\') + 1)) == fileName) return k;
    }
    return -1;
  }
  void Idle() { ASSERT_TRUE(host->WaitForBackgroundWork(60000)); }
  void Open(int index) {
    List()->SetCurrent(index);
    Viewer().SwitchPage(PAGE_IMAGE);
    Pump();
  }
  // The user-interface thread's allocation of more than the budget has
  // left, by one thumbnail block less a little: it is met once the workers
  // and one cached block have given back what they hold.
  CDib AllocateUnderPressure() {
    HeapSetBudget(HeapBytesInUse() + 100 * 1024);
    return MemAllocRetry(150 * 1024);
  }

  StopGate gate;  // before the viewer, after it
  const size_t budget = HeapBudget();
};

// Closing while a worker reads: the thumbnail maker's destructor stops the
// decodes in flight, a grid cell's and the picture read ahead, and returns
// as soon as the workers let go. Nothing stays allocated.
TEST_F(DecodeCancelTest, ClosingStopsTheDecodesInFlight) {
  for (bool pictureAhead : {false, true}) {
    SCOPED_TRACE(pictureAhead ? "picture read ahead" : "grid cell");
    const size_t blocks = HeapBlockCount();
    if (!pictureAhead) gate.Arm();
    Start(640, 480);
    if (pictureAhead) {
      Idle();
      gate.Arm();
      Open(0);
    }
    ASSERT_NE(gate.WaitUntilHeld(), "");
    Quit();
    app.reset();
    host.reset();
    EXPECT_TRUE(gate.StopSeen());
    EXPECT_EQ(HeapBlockCount(), blocks);
  }
}

// The user-interface thread short of memory stops the workers' decodes
// rather than waiting for them. A grid cell stopped so is neither made nor
// reported: the next paint asks for it and it comes. The picture read ahead
// stopped so is not there, and the step to it decodes it here.
TEST_F(DecodeCancelTest, MemoryPressureStopsTheDecodesInFlight) {
  for (bool pictureAhead : {false, true}) {
    SCOPED_TRACE(pictureAhead ? "picture read ahead" : "grid cell");
    Start(640, 480);
    Idle();
    gate.Arm();
    if (pictureAhead) {
      Open(0);
    } else {
      VScroll(SB_PAGEDOWN);  // the cells of the next screen are asked for
    }
    const std::string held = gate.WaitUntilHeld();
    ASSERT_NE(held, "");
    const int index = IndexOf(held);
    ::testing::internal::CaptureStderr();
    CDib block = AllocateUnderPressure();
    EXPECT_TRUE(gate.StopSeen());
    EXPECT_NE(block, nullptr);
    MemFree(block);
    HeapSetBudget(budget);
    EXPECT_EQ(List()->GetError(), LIST_ERROR_NONE);
    Idle();
    if (pictureAhead) {
      EXPECT_FALSE(List()->HasPictureAhead(index));
      Key(VK_RIGHT);
      ASSERT_EQ(List()->m_nCurrent, index);
      EXPECT_TRUE(Near(Screen().PixelAt(320, 240), ColourOf(index)));
    } else {
      EXPECT_EQ(CDibOwner(List()->GetThumbnail(index)).Get(), nullptr);
      Viewer().Invalidate(TRUE);
      Pump();
      Idle();
      EXPECT_NE(CDibOwner(List()->GetThumbnail(index)).Get(), nullptr);
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    Quit();
    app.reset();
    host.reset();
  }
}

}  // namespace
