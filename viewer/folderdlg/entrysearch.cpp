// Entry search: find-first on the first step, find-next on each after.
#include "folderdlg/entrysearch.h"

#include "platform/device/devicefs.h"

void CEntrySearch::Begin(const CString& folder, Test test) {
  Close();
  m_pattern = folder + u"\\*.*";
  m_test = test;
  m_started = false;
}

CEntrySearch::Result CEntrySearch::Step() {
  if (m_test == nullptr) return kNone;
  bool more;
  if (!m_started) {
    m_started = true;
    m_find = FindFirstFile(m_pattern.c_str(), &m_record);
    more = m_find != INVALID_HANDLE_VALUE;
  } else {
    more = FindNextFile(m_find, &m_record) != FALSE;
  }
  const Result result = !more ? kNone : m_test(m_record) ? kFound : kRunning;
  if (result != kRunning) Close();
  return result;
}

void CEntrySearch::Close() {
  if (m_find != INVALID_HANDLE_VALUE) FindClose(m_find);
  m_find = INVALID_HANDLE_VALUE;
  m_test = nullptr;
}
