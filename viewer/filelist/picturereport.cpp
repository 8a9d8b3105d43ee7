// Picture problems reported once per file and run, under one lock so that
// the set of reported paths and the lines themselves never interleave.
#include "filelist/picturereport.h"

#include <cstdio>
#include <mutex>
#include <set>
#include <string>

namespace {

std::mutex g_lock;
std::set<CString>* g_reported = nullptr;  // made on first use, kept for the run

bool IsLower(char c) {
  return c >= 'a' && c <= 'z';
}

std::string Sentence(const char* reason) {
  std::string text = reason != nullptr && reason[0] != '\0' ? reason : "cannot be shown";
  if (text.size() >= 2 && text[0] >= 'A' && text[0] <= 'Z' && IsLower(text[1])) text[0] = (char)(text[0] - 'A' + 'a');
  return text;
}

}  // namespace

void ReportPictureProblem(const CString& devicePath, const char* reason) {
  const std::string line = "vimbra: " + Utf8FromWide(devicePath) + ": " + Sentence(reason) + "\n";
  std::lock_guard<std::mutex> hold(g_lock);
  if (g_reported == nullptr) g_reported = new std::set<CString>;
  if (!g_reported->insert(devicePath).second) return;
  std::fwrite(line.data(), 1, line.size(), stderr);
}

void ReportPicturesLeftOut(const CString& deviceFolder, int leftOut, int pictures) {
  const CString folder = deviceFolder.empty() ? CString(u"\\") : deviceFolder;
  const std::string line = "vimbra: " + Utf8FromWide(folder) + ": " + std::to_string(leftOut) + " of " +
                           std::to_string(pictures) + " pictures left out (the list holds " +
                           std::to_string(pictures - leftOut) + ")\n";
  std::lock_guard<std::mutex> hold(g_lock);
  std::fwrite(line.data(), 1, line.size(), stderr);
}
