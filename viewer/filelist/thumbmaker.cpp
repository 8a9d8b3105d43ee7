// Thumbnail maker: the job queue, the workers and the hand-back of results
// to the user-interface thread.
#include "filelist/thumbmaker.h"

#include <algorithm>

#include "filelist/pictureload.h"
#include "imaging/dibdraw.h"
#include "shell/memblock.h"

namespace {
constexpr int kThumbBox = 64;
constexpr int kDecodeBox = 160;
}  // namespace

CThumbnailMaker::CThumbnailMaker(int threads, CThumbnailSink* sink) : m_pSink(sink) {
  RegisterUiTaskSource(this);
  for (int i = 0; i < threads; ++i) m_workers.emplace_back([this] { WorkerLoop(); });
}

CThumbnailMaker::~CThumbnailMaker() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bStopping = true;
    m_queue.clear();
  }
  m_work.notify_all();
  for (std::thread& worker : m_workers) worker.join();
  UnregisterUiTaskSource(this);
  for (Result& result : m_results) MemFree(result.thumbnail);
}

void CThumbnailMaker::Restart(int generation) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_nGeneration = generation;
    m_queue.clear();
    m_inFlight.clear();
    m_bPaused = false;
  }
  m_handedBack.clear();  // they hold no memory
}

void CThumbnailMaker::BeginPass() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_queue.clear();
}

bool CThumbnailMaker::IsWanted(int index) const {
  if (std::find(m_inFlight.begin(), m_inFlight.end(), index) != m_inFlight.end()) return true;
  return std::any_of(m_queue.begin(), m_queue.end(), [index](const Job& job) { return job.index == index; });
}

void CThumbnailMaker::Request(int index, const CString& path) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bStopping || IsWanted(index)) return;
    m_queue.push_back(Job{m_nGeneration, index, path});
  }
  m_work.notify_one();
}

BOOL CThumbnailMaker::IsBusy() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return !m_queue.empty() || m_nBusyWorkers > 0 || !m_results.empty() || !m_handedBack.empty();
}

void CThumbnailMaker::RunUiTasks() {
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
      MemFree(result.thumbnail);
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
  for (const Result& result : handedBack) Deliver(result);
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bPaused = false;
  }
  m_work.notify_all();
}

void CThumbnailMaker::Deliver(const Result& result) {
  m_pSink->OnThumbnailMade(result.generation, result.index, result.thumbnail, result.outcome, result.reason);
}

void CThumbnailMaker::WorkerLoop() {
  MemMarkWorkerThread();
  for (;;) {
    Job job;
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      m_work.wait(lock, [this] { return m_bStopping || (!m_queue.empty() && !m_bPaused); });
      if (m_bStopping) return;
      job = std::move(m_queue.front());
      m_queue.pop_front();
      m_inFlight.push_back(job.index);
      ++m_nBusyWorkers;
    }
    Result result = Make(job);
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      --m_nBusyWorkers;
      if (job.generation == m_nGeneration) {
        const auto at = std::find(m_inFlight.begin(), m_inFlight.end(), job.index);
        if (at != m_inFlight.end()) m_inFlight.erase(at);
      }
      if (result.outcome == THUMB_NO_MEMORY && job.generation == m_nGeneration) m_bPaused = true;
      // A stopping maker frees what comes back in its destructor.
      m_results.push_back(std::move(result));
    }
    SignalUiTasks();
  }
}

CThumbnailMaker::Result CThumbnailMaker::Make(const Job& job) {
  Result result{job.generation, job.index, nullptr, THUMB_NO_PICTURE, std::string()};
  MemTakeRanOut();
  CDib big = LoadPicture(job.path.c_str(), kDecodeBox, kDecodeBox);
  if (big == nullptr) {
    if (MemTakeRanOut()) result.outcome = THUMB_NO_MEMORY;
    return result;
  }
  CDib small = MakeDibThumbnail(big, kThumbBox, kThumbBox);
  MemFree(big);
  // The reduction fails only for want of memory; the user-interface thread
  // makes it again where cached thumbnails can be given back.
  result.outcome = small != nullptr ? THUMB_MADE : THUMB_NO_MEMORY;
  result.thumbnail = small;
  return result;
}
