// A search through one folder's entries for the first that passes a test,
// one entry a step, so that a long folder is read between other work.
#pragma once

#include "platform/base/wintypes.h"
#include "platform/base/wstr.h"

class CEntrySearch {
 public:
  enum Result { kRunning, kFound, kNone };
  typedef bool (*Test)(const WIN32_FIND_DATA& record);

  CEntrySearch() = default;
  ~CEntrySearch() { Close(); }
  CEntrySearch(const CEntrySearch&) = delete;
  CEntrySearch& operator=(const CEntrySearch&) = delete;

  // Starts a search of the folder at the device path `folder` ("" for the
  // root), dropping one still running.
  void Begin(const CString& folder, Test test);
  // Looks at the next entry: kRunning until the answer is known, then
  // kFound or kNone (also when the folder cannot be enumerated); the
  // enumeration is closed as soon as the answer is known.
  Result Step();
  void Close();

 private:
  CString m_pattern;
  Test m_test = nullptr;
  HANDLE m_find = INVALID_HANDLE_VALUE;
  bool m_started = false;
  WIN32_FIND_DATA m_record = {};
};
