// The thumbnail maker: a pool of worker threads that make grid thumbnails
// with the grid's own recipe (thumbrecipe.h), so every pixel is the same as
// when the user-interface thread makes them, and that reads the picture
// page's next picture ahead with the page's own whole decode. Only the user-interface thread asks and takes; workers
// never touch the picture list and never draw on the memory reserve.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "filelist/gridsizes.h"
#include "imaging/dib.h"
#include "platform/base/wstr.h"
#include "platform/window/uitasks.h"

class CThumbCache;

enum ThumbnailOutcome {
  THUMB_MADE,        // the thumbnail is there
  THUMB_NO_PICTURE,  // the file gives no picture (missing, damaged, refused)
  THUMB_NO_MEMORY,   // the budget ran out in the worker: make it again where the reserve is
};

// What a file was when a picture was read from it: a picture read ahead is
// used only if the file is still the same.
struct FileIdentity {
  DWORD sizeHigh;
  DWORD sizeLow;
  FILETIME written;
  DWORD oid;
  bool operator==(const FileIdentity& o) const {
    return sizeHigh == o.sizeHigh && sizeLow == o.sizeLow && written.dwLowDateTime == o.written.dwLowDateTime &&
           written.dwHighDateTime == o.written.dwHighDateTime && oid == o.oid;
  }
};
// FALSE when the file is gone.
BOOL GetFileIdentity(const CString& path, FileIdentity* identity);

// Where finished work goes, on the user-interface thread.
class CThumbnailSink {
 public:
  virtual ~CThumbnailSink() = default;
  // `thumbnail` (null unless THUMB_MADE) is the sink's to keep or free.
  virtual void OnThumbnailMade(int generation, int index, CDib thumbnail, ThumbnailOutcome outcome,
                               const std::string& reason) = 0;
  // The picture read ahead for `index` (the sink's to keep or free), read
  // from the file as `identity` describes it; null when it could not be made.
  virtual void OnPictureMade(int index, CDib picture, const FileIdentity& identity) = 0;
};

class CThumbnailMaker : public CUiTaskSource {
 public:
  // `cache` (null: none) is the shared thumbnail cache the workers read
  // and hand what they make to; it outlives the maker.
  CThumbnailMaker(int threads, const GridSizes& sizes, CThumbnailSink* sink, CThumbCache* cache = nullptr);
  // Drops what is queued, stops the decodes in flight (each ends at its next
  // read or row) and waits for the workers to end; results not yet taken
  // are freed.
  ~CThumbnailMaker() override;
  CThumbnailMaker(const CThumbnailMaker&) = delete;
  CThumbnailMaker& operator=(const CThumbnailMaker&) = delete;

  // A new folder: everything asked for an older generation is dropped, and
  // what is still in flight for it is freed when it comes back.
  void Restart(int generation);
  // A new grid: thumbnails asked for from now on are made for `sizes`
  // (a Restart drops those asked for before).
  void SetSizes(const GridSizes& sizes);
  // A new paint: what was asked for and not yet started is dropped; the
  // paint asks again for the cells it shows, in grid order.
  void BeginPass();
  // Asks for the thumbnail of `index` of the current generation, unless it
  // is queued or being made already.
  void Request(int index, const CString& path);
  int Threads() const { return (int)m_workers.size(); }

  // Reads the picture of `index` ahead, before any thumbnail, in place of
  // the one asked for before. It comes to the sink's OnPictureMade.
  void RequestPicture(int index, const CString& path);
  // Forgets the picture asked for: not started, it is never made; in flight,
  // it is freed when it comes.
  void DropPicture();
  // Waits for the picture in flight, if any, and hands it to the sink now.
  // One asked for but not started is dropped instead: FALSE then, and when
  // nothing was asked for.
  BOOL FinishPicture();
  // Stops the decode of the picture in flight: it gives nothing, and its
  // worker lets go of its memory at its next read or row. FinishPicture then
  // waits only for that.
  void StopPicture();
  // A picture is asked for, being read, or read and not yet taken.
  BOOL HasPictureWork() const;
  // Frees `block` at the next run of the user-interface tasks, after what
  // the event loop is doing now (a paint); FreeNow frees what waits.
  void FreeLater(CDib block);
  BOOL FreeNow();
  // The user-interface thread needs memory the workers may hold: no job
  // starts until its tasks run next, the decodes in flight are stopped, and
  // the workers are waited for while they let go. A thumbnail stopped so is
  // forgotten, neither made nor failed: the next paint asks for it again.
  // FALSE when no worker was busy.
  BOOL StopWorkersToLetGo();

  // CUiTaskSource.
  void RunUiTasks() override;
  BOOL IsBusy() const override;

 private:
  enum JobKind { JOB_THUMBNAIL, JOB_PICTURE_AHEAD };
  struct Job {
    JobKind kind;
    int generation;
    int index;
    CString path;
    // A picture read ahead: the ticket it was asked with (the newest wins).
    int ticket;
    // A thumbnail: the grid it is made for.
    GridSizes sizes;
  };
  // One a worker. `stop` is what the worker's decodes stop on; it is raised
  // only under m_mutex and only while the worker is busy, and cleared when
  // the worker takes a job, so a raise always meets the job it was meant for.
  struct WorkerSlot {
    std::atomic<bool> stop{false};
    bool busy = false;  // under m_mutex
    JobKind kind = JOB_THUMBNAIL;
  };
  struct Result {
    JobKind kind;
    int generation;
    int index;
    CDibOwner dib;  // the thumbnail, or the picture read ahead
    ThumbnailOutcome outcome;
    std::string reason;
    int ticket;
    FileIdentity identity;
  };

  void WorkerLoop(WorkerSlot* slot);
  // Under m_mutex: raises the stop flag of every busy worker, or only of
  // the one reading the picture ahead.
  void StopBusyWorkers(bool onlyThePicture);
  // Under m_mutex: the first job a worker may start now.
  bool NextJob(std::deque<Job>::iterator* next);
  void Deliver(Result& result);
  void DeliverPicture(Result& result);
  Result Make(const Job& job) const;
  static Result MakePicture(const Job& job);
  // Under m_mutex: takes the result of the current picture ticket, if there.
  bool TakePictureResult(Result* result);
  // Under m_mutex: removes the picture job not yet started; true if there was one.
  bool DropQueuedPicture();
  bool IsWanted(int index) const;  // under m_mutex

  GridSizes m_sizes;  // under m_mutex
  CThumbnailSink* m_pSink;
  CThumbCache* m_pCache;
  // Cells a worker could not fit into the budget, kept on the user-interface
  // thread until no decode is in flight: then the memory the workers held is
  // back, and the paint's own way meets the budget as it would alone.
  std::vector<Result> m_handedBack;
  std::vector<CDibOwner> m_toFree;  // user-interface thread only
  mutable std::mutex m_mutex;
  std::condition_variable m_work;
  std::deque<Job> m_queue;
  std::vector<int> m_inFlight;  // indices being made for m_nGeneration
  int m_nBusyWorkers = 0;
  std::vector<Result> m_results;
  int m_nGeneration = 0;
  bool m_bStopping = false;
  // No new job starts while handed-back cells wait for the workers to
  // finish, nor while the user-interface thread is short of memory.
  bool m_bPaused = false;
  bool m_bHeldForMemory = false;
  std::condition_variable m_workersIdle;
  // The picture read ahead: its ticket (0: none wanted), whether a worker is
  // on it, and the wake-up of FinishPicture.
  int m_nPictureTicket = 0;
  int m_nLastTicket = 0;
  bool m_bPictureInFlight = false;
  std::condition_variable m_pictureDone;
  std::unique_ptr<WorkerSlot[]> m_slots;
  int m_nSlots = 0;
  std::vector<std::thread> m_workers;
};
