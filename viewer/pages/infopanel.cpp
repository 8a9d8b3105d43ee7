// The information panel's lines for the current picture and their drawing.
#include "pages/infopanel.h"

#include <cstdio>

#include "filelist/imagefilelist.h"
#include "imaging/picturefacts.h"
#include "platform/device/devicefs.h"

namespace {

constexpr COLORREF kBackground = RGB(243, 243, 243);
constexpr COLORREF kEdge = RGB(200, 200, 200);
constexpr COLORREF kLabelColour = RGB(96, 96, 96);
constexpr COLORREF kValueColour = RGB(0, 0, 0);
constexpr int kMargin = 8;
constexpr int kTop = 8;
constexpr int kLinePitch = 16;
// The labels' column; a value starts after it.
constexpr int kLabelWidth = 80;

}  // namespace

int CInfoPanel::WidthFor(int clientWidth) {
  return clientWidth >= 2 * kWidth ? kWidth : (clientWidth > 0 ? clientWidth / 2 : 0);
}

void CInfoPanel::Toggle() {
  m_bShown = !m_bShown;
  m_bRead = false;
}

CString CInfoPanel::CurrentPath() const {
  if (!m_folderSubject.empty()) return m_folderSubject;
  CString path;
  const CImageFileList* list = g_pImageFileList;
  if (list == nullptr || !list->GetPath(list->m_nCurrent, path)) path.clear();
  return path;
}

BOOL CInfoPanel::SubjectChanged() const {
  return !m_bRead || CurrentPath() != m_path || m_bFolder != !m_folderSubject.empty();
}

const std::vector<std::string>& CInfoPanel::Lines() {
  if (!SubjectChanged()) return m_lines;
  m_path = CurrentPath();
  m_bFolder = !m_folderSubject.empty();
  m_bRead = true;
  m_lines.clear();
  if (m_path.empty()) {
    m_lines.push_back("No picture");
    return m_lines;
  }
  const size_t slash = m_path.rfind(u'\\');
  const CString name = slash == CString::npos ? m_path : m_path.substr(slash + 1);
  const CString folder = slash == CString::npos || slash == 0 ? CString(u"\\") : m_path.substr(0, slash);
  m_lines.push_back("Name: " + Utf8FromWide(name));
  m_lines.push_back("Folder: " + Utf8FromWide(folder));
  if (m_bFolder) {
    m_lines.push_back("Type: Folder");
    return m_lines;
  }
  PictureFacts facts;
  FILE* stream = _wfopen(m_path.c_str(), u"rb");
  if (stream == nullptr) {
    m_lines.push_back("Cannot be read");
    return m_lines;
  }
  ReadPictureFacts(stream, &facts);
  std::fclose(stream);
  for (const std::string& line : PictureFactLines(facts)) m_lines.push_back(line);
  return m_lines;
}

void CInfoPanel::Paint(HDC dc, const RECT& band) {
  if (band.right <= band.left) return;
  FillSolidRect(dc, &band, kBackground);
  const RECT edge = {band.left, band.top, band.left + 1, band.bottom};
  FillSolidRect(dc, &edge, kEdge);
  const COLORREF previous = SetTextColor(dc, kValueColour);
  int y = band.top + kTop;
  for (const std::string& line : Lines()) {
    if (y >= band.bottom) break;
    const size_t colon = line.find(": ");
    const CString label = WideFromUtf8(colon == std::string::npos ? std::string() : line.substr(0, colon));
    const CString value = WideFromUtf8(colon == std::string::npos ? line : line.substr(colon + 2));
    RECT box = {band.left + kMargin, y, band.right - kMargin, y + kLinePitch};
    if (!label.empty()) {
      RECT labelBox = box;
      labelBox.right = labelBox.left + kLabelWidth - 4;
      SetTextColor(dc, kLabelColour);
      DrawText(dc, label.c_str(), -1, &labelBox, DT_SINGLELINE | DT_END_ELLIPSIS);
      box.left += kLabelWidth;
    }
    SetTextColor(dc, kValueColour);
    if (box.right > box.left) DrawText(dc, value.c_str(), -1, &box, DT_SINGLELINE | DT_END_ELLIPSIS);
    y += kLinePitch;
  }
  SetTextColor(dc, previous);
}
