// The picture page reads the next picture ahead on a worker. A step must show
// exactly what it shows without reading ahead, whatever happened to the file
// meanwhile, and the reading must never cost memory the budget does not
// have: these tests step the same way with one thread (no reading ahead)
// and with workers, and compare. They also run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/base/heap.h"
#include "platform/base/wstr.h"
#include "support/access_gate.h"
#include "support/pixels.h"
#include "support/testpics.h"
#include "support/viewer_fixture.h"

namespace {

constexpr int kPictureWidth = 1600;
constexpr int kPictureHeight = 1200;
constexpr size_t kPictureBytes = 40 + (size_t)kPictureWidth * 3 * kPictureHeight;

std::string Picture(int i) {
  return EncodeJpeg(RampPicture(kPictureWidth - 16 * i, kPictureHeight - 8 * i));
}

class ReadAheadTest : public ViewerFixture {
 protected:
  void Pictures(int count) {
    device.MakeFolder("\\My Documents");
    for (int i = 0; i < count; ++i) device.WriteFile(Name(i), Picture(i));
  }
  static std::string Name(int i) { return "\\My Documents\\p" + std::to_string(i) + ".jpg"; }
  // The list index of file p<i>.jpg.
  int IndexOf(int i) {
    for (int k = 0; k < List()->GetCount(); ++k) {
      CString path;
      List()->GetPath(k, path);
      if (path == WideFromUtf8(Name(i))) return k;
    }
    return -1;
  }
  std::string FileNameAt(int index) {
    CString path;
    List()->GetPath(index, path);
    return Utf8FromWide(path.substr(path.rfind(u'\\') + 1));
  }
  void Open(int index) {
    List()->SetCurrent(index);
    Viewer().SwitchPage(PAGE_IMAGE);
    Pump();
  }
  void Idle() { ASSERT_TRUE(host->WaitForBackgroundWork(60000)); }
  // Runs `steps` (keys; 0 lets background work finish) with one thread and
  // with four, from the picture at `start`; every screen must be the same.
  // `between` runs after each screen with both; `prepare` before each run.
  void ExpectSameScreens(const std::vector<unsigned>& steps, int start = 0,
                         const std::function<void(size_t)>& between = nullptr,
                         const std::function<void()>& prepare = nullptr) {
    std::vector<std::vector<uint32_t>> screens;
    for (int workers : {1, 4}) {
      SCOPED_TRACE("threads " + std::to_string(workers));
      if (prepare) prepare();
      threads = workers;
      Start(800, 600);
      Open(start);
      for (size_t i = 0; i < steps.size(); ++i) {
        if (steps[i] == 0) {
          Idle();
        } else {
          Key(steps[i]);
        }
        if (workers == 1) {
          screens.push_back(Pixels(Screen()));
        } else {
          EXPECT_TRUE(Pixels(Screen()) == screens[i]) << "screen after step " << i;
        }
        if (between) between(i);
      }
      Quit();
      app.reset();
      host.reset();
    }
  }
};

TEST_F(ReadAheadTest, StepsShowTheSameWhetherReadAheadOrNot) {
  Pictures(5);
  const size_t blocksBefore = HeapBlockCount();
  // Read ahead and taken, taken before the reading ended, Left after Right,
  // wrap-around at both ends.
  ExpectSameScreens({0, VK_RIGHT, 0, VK_RIGHT, VK_RIGHT, VK_LEFT, 0, VK_LEFT, VK_LEFT, VK_LEFT, 0, VK_LEFT, 0, VK_RIGHT,
                     0, VK_DOWN, VK_UP});
  EXPECT_EQ(HeapBlockCount(), blocksBefore);
  // Workers did read ahead: after a Right, the next picture is there.
  threads = 4;
  Start(800, 600);
  Open(1);
  Idle();
  EXPECT_TRUE(List()->HasPictureAhead(2));
  // Left to index 0: the next Left wraps around to the last picture.
  Key(VK_LEFT);
  Idle();
  EXPECT_TRUE(List()->HasPictureAhead(4));
  EXPECT_FALSE(List()->HasPictureAhead(2));
  Command(ID_BACK);
  EXPECT_FALSE(List()->HasPictureAhead(4));
}

TEST_F(ReadAheadTest, OnePictureFolderReadsNothingAhead) {
  Pictures(1);
  ExpectSameScreens({0, VK_RIGHT, 0, VK_LEFT});
  threads = 4;
  Start(800, 600);
  Open(0);
  Idle();
  EXPECT_FALSE(List()->HasPictureAhead(0));
}

TEST_F(ReadAheadTest, FileDeletedOrReplacedAfterReadingAheadIsNotShownStale) {
  // Between the reading ahead and the step, the next picture's file is
  // deleted, replaced by another picture, or rewritten a little longer.
  enum Change { kDeleted, kReplaced, kRewritten };
  for (Change change : {kDeleted, kReplaced, kRewritten}) {
    SCOPED_TRACE("change " + std::to_string(change));
    ExpectSameScreens(
        {0, VK_RIGHT, 0, VK_RIGHT}, 0,
        [&](size_t step) {
          if (step != 0) return;
          CString path;
          List()->GetPath(1, path);  // what a Right from index 0 shows
          const std::string name = Utf8FromWide(path);
          if (change == kDeleted) device.Remove(name);
          if (change == kReplaced) device.WriteFile(name, EncodeJpeg(SolidColour(900, 700, 10, 200, 30)));
          if (change == kRewritten) device.WriteFile(name, ReadHostFile(device.HostPath(name)) + std::string(4, '\0'));
        },
        [&] { Pictures(4); });
  }
}

TEST_F(ReadAheadTest, ReadingAheadNeverCostsMemoryTheBudgetLacks) {
  Pictures(8);
  const size_t budget = HeapBudget();
  // Room for two of the largest pictures and the list: the peak over what
  // the list holds stays within two pictures.
  HeapSetBudget(2 * kPictureBytes + 512 * 1024);
  threads = 4;
  Start(800, 600);
  Idle();  // the grid's thumbnails are made and cached
  Open(0);
  HeapResetPeak();
  ASSERT_NE(List()->m_hPicture, nullptr);
  const size_t base = HeapBytesInUse() - MemSize(List()->m_hPicture);
  for (int i = 0; i < 7; ++i) {
    Idle();
    Key(VK_RIGHT);
  }
  Idle();
  // Two pictures and one decoder's own buffers; a third picture would not fit.
  EXPECT_LE(HeapPeakBytes(), base + 2 * kPictureBytes + 512 * 1024);
  Quit();
  app.reset();
  host.reset();

  // Room for one picture only: nothing is read ahead and every screen is
  // the one-thread screen.
  HeapSetBudget(kPictureBytes + 512 * 1024);
  ExpectSameScreens({0, VK_RIGHT, 0, VK_RIGHT, 0, VK_LEFT}, 0, [&](size_t) {
    EXPECT_FALSE(List()->HasPictureAhead((List()->m_nCurrent + 1) % List()->GetCount()));
  });
  HeapSetBudget(budget);
}

TEST_F(ReadAheadTest, PictureAheadIsGivenBackBeforeAnyThumbnail) {
  // Widths 2600, 2350, ... 850: each picture 900 KB larger than the next.
  device.MakeFolder("\\My Documents");
  for (int i = 0; i < 8; ++i) device.WriteFile(Name(i), EncodeJpeg(RampPicture(2600 - 250 * i, 1200)));
  std::vector<size_t> bytes;
  {
    threads = 1;
    Start(800, 600);
    for (int k = 0; k < List()->GetCount(); ++k) {
      CString title;
      List()->GetTitle(k, title);
      const size_t w = 2600 - 250 * std::stoi(Utf8FromWide(title.substr(1)));
      bytes.push_back(40 + (w * 3 + 3) / 4 * 4 * 1200);
    }
    Quit();
    app.reset();
    host.reset();
  }
  // A picture shown at index c, the next read ahead, and a Left to a picture
  // larger than the one shown by more than the decoder's room: the budget
  // holds the grid's thumbnails, the two pictures and what the decoder itself
  // needs (well below 512 KB for these), so the Left needs the room of the
  // one ahead.
  constexpr size_t kDecoderRoom = 512 * 1024;
  int c = 1;
  while (c < 7 && bytes[c - 1] < bytes[c] + kDecoderRoom + 65536) ++c;
  ASSERT_LT(c, 7);
  const size_t budget = HeapBudget();
  std::vector<bool> cached[2];
  AccessGate gate;  // outlives every worker: nothing below returns early
  for (int workers : {1, 4}) {
    SCOPED_TRACE("threads " + std::to_string(workers));
    threads = workers;
    Start(800, 600);
    Idle();
    const size_t grid = HeapBytesInUse();
    HeapSetBudget(grid + bytes[c] + bytes[c + 1] + kDecoderRoom);
    // Left while a worker reads the next picture ahead: the worker is held
    // after its decode, at its check that the file did not change, holding
    // the picture no longer wanted; it goes on once the Left opens its own
    // file, so that its memory is still taken when the Left needs it.
    if (workers > 1) {
      const std::string ahead = FileNameAt(c + 1);
      const std::string left = FileNameAt(c - 1);
      bool read = false;
      gate.HoldAt(
          [ahead, read](DeviceAccess access, const std::string& path) mutable {
            if (!HostPathEndsIn(path, ahead)) return false;
            read = read || access == DEVICE_ACCESS_READ_FILE;
            return read && access == DEVICE_ACCESS_LOOKUP;
          },
          [left](DeviceAccess access, const std::string& path) {
            return access == DEVICE_ACCESS_READ_FILE && HostPathEndsIn(path, left);
          });
    }
    Open(c);
    if (workers > 1) {
      EXPECT_TRUE(gate.WaitUntilHeld());
      EXPECT_GE(HeapBytesInUse(), grid + bytes[c] + bytes[c + 1]);
    }
    Key(VK_LEFT);
    Idle();
    EXPECT_NE(List()->m_hPicture, nullptr);
    EXPECT_EQ(List()->GetError(), LIST_ERROR_NONE);
    for (int i = 0; i < List()->GetCount(); ++i) {
      const CDibOwner thumbnail(List()->GetThumbnail(i));
      cached[workers > 1].push_back(thumbnail.Get() != nullptr);
    }
    Quit();
    app.reset();
    host.reset();
    HeapSetBudget(budget);
  }
  EXPECT_EQ(cached[0], cached[1]);
  EXPECT_EQ(std::count(cached[0].begin(), cached[0].end(), true), 8);
}

TEST_F(ReadAheadTest, QuittingWithAReadAheadInFlightLeavesNothing) {
  Pictures(4);
  const size_t blocksBefore = HeapBlockCount();
  threads = 4;
  for (int round = 0; round < 5; ++round) {
    Start(800, 600);
    Open(0);  // the paint asks for the next picture; quit at once
    Quit();
    app.reset();
    host.reset();
    EXPECT_EQ(HeapBlockCount(), blocksBefore);
  }
}

}  // namespace
