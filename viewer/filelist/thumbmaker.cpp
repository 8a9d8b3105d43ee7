// Thumbnail maker: the job queue, the workers, the picture read ahead, the
// stopping of decodes in flight and the hand-back of results (and of memory)
// to the user-interface thread.
#include "filelist/thumbmaker.h"

#include <algorithm>

#include "filelist/pictureload.h"
#include "filelist/thumbrecipe.h"
#include "imaging/jpegdecode.h"
#include "platform/device/devicefs.h"
#include "shell/memblock.h"

CThumbnailMaker::CThumbnailMaker(int threads, const GridSizes& sizes, CThumbnailSink* sink, CThumbCache* cache)
    : m_sizes(sizes), m_pSink(sink), m_pCache(cache) {
  RegisterUiTaskSource(this);
  m_nSlots = threads > 0 ? threads : 0;
  m_slots = std::make_unique<WorkerSlot[]>((size_t)m_nSlots);
  for (int i = 0; i < m_nSlots; ++i) {
    WorkerSlot* slot = &m_slots[(size_t)i];
    m_workers.emplace_back([this, slot] { WorkerLoop(slot); });
  }
}

CThumbnailMaker::~CThumbnailMaker() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bStopping = true;
    m_queue.clear();
    // Whatever the workers read, they are not waited for longer than it
    // takes their decodes to see the flag.
    StopBusyWorkers(false);
  }
  m_work.notify_all();
  for (std::thread& worker : m_workers) worker.join();
  UnregisterUiTaskSource(this);
  // Results not yet taken and blocks waiting to be freed go with their owners.
}

void CThumbnailMaker::FreeLater(CDib block) {
  if (block == nullptr) return;
  m_toFree.emplace_back(block);
  SignalUiTasks();
}

BOOL CThumbnailMaker::FreeNow() {
  if (m_toFree.empty()) return FALSE;
  m_toFree.clear();
  return TRUE;
}

BOOL GetFileIdentity(const CString& path, FileIdentity* identity) {
  WIN32_FIND_DATA record;
  HANDLE find = FindFirstFile(path.c_str(), &record);
  if (find == INVALID_HANDLE_VALUE) return FALSE;
  FindClose(find);
  *identity = FileIdentity{record.nFileSizeHigh, record.nFileSizeLow, record.ftLastWriteTime, record.dwOID};
  return TRUE;
}

void CThumbnailMaker::Restart(int generation) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_nGeneration = generation;
    m_queue.clear();
    m_inFlight.clear();
    m_bPaused = false;
    m_nPictureTicket = 0;
  }
  m_handedBack.clear();  // they hold no memory
}

void CThumbnailMaker::SetSizes(const GridSizes& sizes) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_sizes = sizes;
}

void CThumbnailMaker::BeginPass() {
  std::lock_guard<std::mutex> lock(m_mutex);
  // The picture read ahead is not the grid's to drop.
  m_queue.erase(
      std::remove_if(m_queue.begin(), m_queue.end(), [](const Job& job) { return job.kind == JOB_THUMBNAIL; }),
      m_queue.end());
}

void CThumbnailMaker::RequestPicture(int index, const CString& path) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bStopping) return;
    DropQueuedPicture();
    m_nPictureTicket = ++m_nLastTicket;
    m_queue.push_front(Job{JOB_PICTURE_AHEAD, m_nGeneration, index, path, m_nPictureTicket, m_sizes});
  }
  m_work.notify_one();
}

bool CThumbnailMaker::DropQueuedPicture() {
  const size_t queued = m_queue.size();
  m_queue.erase(
      std::remove_if(m_queue.begin(), m_queue.end(), [](const Job& job) { return job.kind == JOB_PICTURE_AHEAD; }),
      m_queue.end());
  return m_queue.size() != queued;
}

void CThumbnailMaker::DropPicture() {
  std::lock_guard<std::mutex> lock(m_mutex);
  DropQueuedPicture();
  m_nPictureTicket = 0;
}

BOOL CThumbnailMaker::HasPictureWork() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  const auto isPicture = [](const auto& item) { return item.kind == JOB_PICTURE_AHEAD; };
  return m_bPictureInFlight || std::any_of(m_queue.begin(), m_queue.end(), isPicture) ||
         std::any_of(m_results.begin(), m_results.end(), isPicture);
}

bool CThumbnailMaker::TakePictureResult(Result* taken) {
  bool found = false;
  for (auto it = m_results.begin(); it != m_results.end();) {
    if (it->kind != JOB_PICTURE_AHEAD) {
      ++it;
      continue;
    }
    // A dropped picture goes at once (with the erased result that owns it):
    // its memory is what the caller wants.
    if (it->ticket == m_nPictureTicket && it->generation == m_nGeneration && !found) {
      *taken = std::move(*it);
      found = true;
    }
    it = m_results.erase(it);
  }
  return found;
}

void CThumbnailMaker::StopBusyWorkers(bool onlyThePicture) {
  for (int i = 0; i < m_nSlots; ++i) {
    WorkerSlot& slot = m_slots[(size_t)i];
    if (slot.busy && (!onlyThePicture || slot.kind == JOB_PICTURE_AHEAD)) slot.stop.store(true);
  }
}

void CThumbnailMaker::StopPicture() {
  std::lock_guard<std::mutex> lock(m_mutex);
  StopBusyWorkers(true);
}

BOOL CThumbnailMaker::FinishPicture() {
  Result result;
  {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (DropQueuedPicture()) m_nPictureTicket = 0;  // not started: never made
    m_pictureDone.wait(lock, [this] { return !m_bPictureInFlight; });
    const bool found = TakePictureResult(&result);
    m_nPictureTicket = 0;
    if (!found) return FALSE;
  }
  if (m_pSink == nullptr) return FALSE;
  m_pSink->OnPictureMade(result.index, result.dib.Release(), result.identity);
  return TRUE;
}

bool CThumbnailMaker::IsWanted(int index) const {
  if (std::find(m_inFlight.begin(), m_inFlight.end(), index) != m_inFlight.end()) return true;
  return std::any_of(m_queue.begin(), m_queue.end(),
                     [index](const Job& job) { return job.kind == JOB_THUMBNAIL && job.index == index; });
}

void CThumbnailMaker::Request(int index, const CString& path) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bStopping || IsWanted(index)) return;
    m_queue.push_back(Job{JOB_THUMBNAIL, m_nGeneration, index, path, 0, m_sizes});
  }
  m_work.notify_one();
}

BOOL CThumbnailMaker::IsBusy() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return !m_queue.empty() || m_nBusyWorkers > 0 || !m_results.empty() || !m_handedBack.empty() || !m_toFree.empty();
}

BOOL CThumbnailMaker::StopWorkersToLetGo() {
  {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_nBusyWorkers == 0) return FALSE;
    m_bHeldForMemory = true;
    StopBusyWorkers(false);
    m_workersIdle.wait(lock, [this] { return m_nBusyWorkers == 0; });
  }
  SignalUiTasks();  // the next run of the tasks lets the workers go on
  return TRUE;
}

void CThumbnailMaker::RunUiTasks() {
  FreeNow();
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bHeldForMemory) {
      m_bHeldForMemory = false;
      m_work.notify_all();
    }
  }
  std::vector<Result> results;
  int generation;
  bool idle;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    results.swap(m_results);
    generation = m_nGeneration;
    idle = m_nBusyWorkers == 0;
  }
  for (Result& result : results) {
    if (result.generation != generation || m_pSink == nullptr) {
      continue;  // late: freed with the result
    } else if (result.kind == JOB_PICTURE_AHEAD) {
      DeliverPicture(result);
    } else if (result.outcome == THUMB_NO_MEMORY) {
      m_handedBack.push_back(std::move(result));
    } else {
      Deliver(result);
    }
  }
  // Workers are paused and none is decoding: the handed-back cells are made
  // now, then the workers go on.
  if (!idle || m_handedBack.empty()) return;
  std::vector<Result> handedBack;
  handedBack.swap(m_handedBack);
  for (Result& result : handedBack) Deliver(result);
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bPaused = false;
  }
  m_work.notify_all();
}

void CThumbnailMaker::DeliverPicture(Result& result) {
  bool wanted;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    wanted = result.ticket == m_nPictureTicket;
    if (wanted) m_nPictureTicket = 0;
  }
  if (!wanted || !result.dib) return;
  m_pSink->OnPictureMade(result.index, result.dib.Release(), result.identity);
}

void CThumbnailMaker::Deliver(Result& result) {
  m_pSink->OnThumbnailMade(result.generation, result.index, result.dib.Release(), result.outcome, result.reason);
}

void CThumbnailMaker::WorkerLoop(WorkerSlot* slot) {
  MemMarkWorkerThread();
  // Every decode of this thread stops when the slot's flag is raised.
  const CDecodeStopScope stoppable(&slot->stop);
  for (;;) {
    Job job;
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      std::deque<Job>::iterator next;
      m_work.wait(lock, [this, &next] { return m_bStopping || NextJob(&next); });
      if (m_bStopping) return;
      job = std::move(*next);
      m_queue.erase(next);
      if (job.kind == JOB_PICTURE_AHEAD) {
        m_bPictureInFlight = true;
      } else {
        m_inFlight.push_back(job.index);
      }
      ++m_nBusyWorkers;
      slot->stop.store(false);
      slot->busy = true;
      slot->kind = job.kind;
    }
    Result result = job.kind == JOB_PICTURE_AHEAD ? MakePicture(job) : Make(job);
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      --m_nBusyWorkers;
      slot->busy = false;
      // A stopped job gives nothing, not even a failure: its block (made
      // before the flag was seen) goes now, before the user-interface thread
      // learns that this worker let go, and its cell is left for the next
      // paint to ask for.
      const bool stopped = slot->stop.load();
      if (stopped) result.dib.Reset();
      if (job.kind == JOB_PICTURE_AHEAD) {
        m_bPictureInFlight = false;
      } else if (job.generation == m_nGeneration) {
        const auto at = std::find(m_inFlight.begin(), m_inFlight.end(), job.index);
        if (at != m_inFlight.end()) m_inFlight.erase(at);
      }
      // A picture that found no room is simply not read ahead.
      if (!stopped && job.kind == JOB_THUMBNAIL && result.outcome == THUMB_NO_MEMORY &&
          job.generation == m_nGeneration) {
        m_bPaused = true;
      }
      // A stopping maker frees what comes back in its destructor.
      if (!stopped) m_results.push_back(std::move(result));
    }
    if (job.kind == JOB_PICTURE_AHEAD) {
      m_pictureDone.notify_all();
      m_work.notify_all();  // a picture asked for meanwhile may start now
    }
    m_workersIdle.notify_all();
    SignalUiTasks();
  }
}

bool CThumbnailMaker::NextJob(std::deque<Job>::iterator* next) {
  if (m_bPaused || m_bHeldForMemory) return false;
  // One picture is read ahead at a time: with the one shown, two at most.
  for (auto it = m_queue.begin(); it != m_queue.end(); ++it) {
    if (it->kind == JOB_THUMBNAIL || !m_bPictureInFlight) {
      *next = it;
      return true;
    }
  }
  return false;
}

CThumbnailMaker::Result CThumbnailMaker::MakePicture(const Job& job) {
  Result result{job.kind,         job.generation, job.index,  CDibOwner(),
                THUMB_NO_PICTURE, std::string(),  job.ticket, FileIdentity{}};
  FileIdentity after;
  if (!GetFileIdentity(job.path, &result.identity)) return result;
  MemTakeRanOut();
  CDibOwner picture(LoadWholePicture(job.path.c_str()));
  if (DecodeStopRequested()) return result;
  if (!picture) {
    if (MemTakeRanOut()) result.outcome = THUMB_NO_MEMORY;
    return result;
  }
  // A file changed while it was read gives nothing to trust.
  if (!GetFileIdentity(job.path, &after) || !(after == result.identity)) return result;
  result.dib = std::move(picture);
  result.outcome = THUMB_MADE;
  return result;
}

CThumbnailMaker::Result CThumbnailMaker::Make(const Job& job) const {
  Result result{job.kind, job.generation, job.index, CDibOwner(), THUMB_NO_PICTURE, std::string(), 0, FileIdentity{}};
  MemTakeRanOut();
  ThumbnailParts parts = MakeThumbnailParts(job.path.c_str(), job.sizes, m_pCache);
  if (!parts.reduced) {
    if (MemTakeRanOut()) {
      result.outcome = THUMB_NO_MEMORY;
    } else {
      result.reason = parts.failure;
    }
    return result;
  }
  // The reduction fails only for want of memory; the user-interface thread
  // makes it again where cached thumbnails can be given back.
  result.outcome = parts.thumbnail ? THUMB_MADE : THUMB_NO_MEMORY;
  result.dib = std::move(parts.thumbnail);
  return result;
}
