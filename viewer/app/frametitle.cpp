// The main frame's caption from the list's folder, picture and count.
#include "app/frametitle.h"

#include "filelist/imagefilelist.h"
#include "pages/imagepage.h"
#include "platform/device/devicefs.h"

namespace {

// What the Select Folder dialog calls the device root.
const char16_t kDeviceName[] = u"My Device";
// An em dash between spaces.
const char16_t kSeparator[] = u" \u2014 ";
// A middle dot between spaces, between the parts of a picture's caption.
const char16_t kPartSeparator[] = u" \u00B7 ";

CString Decimal(int value) {
  CString digits;
  unsigned rest = value < 0 ? 0u - (unsigned)value : (unsigned)value;
  do {
    digits.insert(digits.begin(), (char16_t)(u'0' + rest % 10));
    rest /= 10;
  } while (rest != 0);
  if (value < 0) digits.insert(digits.begin(), u'-');
  return digits;
}

// "4000 × 3000".
CString SizeText(int width, int height) {
  return Decimal(width) + u" \u00D7 " + Decimal(height);
}

}  // namespace

CString ZoomPercentText(long long scaleNum, long long scaleDen) {
  if (scaleNum < 0 || scaleDen <= 0) return u"? %";
  // Tenths of a percent, rounded to the nearest (half up).
  long long tenths = (scaleNum * 2000 + scaleDen) / (2 * scaleDen);
  if (tenths < 1) tenths = 1;
  if (tenths < 100) return Decimal((int)(tenths / 10)) + u"." + Decimal((int)(tenths % 10)) + u" %";
  long long whole = (scaleNum * 200 + scaleDen) / (2 * scaleDen);
  if (whole >= 100 && scaleNum < scaleDen) whole = 99;
  return Decimal((int)whole) + u" %";
}

CString WithCaptionNote(const CString& caption, const CString& note) {
  const size_t at = caption.rfind(kSeparator);
  if (at == CString::npos) return caption;
  return caption.substr(0, at) + kPartSeparator + note + caption.substr(at);
}

CString DeviceRootName() {
  const std::string& root = DeviceGetRoot();
  const size_t slash = root.rfind('/');
  const std::string name = slash == std::string::npos ? root : root.substr(slash + 1);
  CString wide;
  if (name.empty() || !Utf8ToWide(name, &wide)) return kDeviceName;
  return wide;
}

CString MakeFrameTitle(const CString& title, const CImageFileList* list, bool picturePage, const CString& rootName,
                       const PictureView* view, bool folderPath) {
  if (list == nullptr) return title;
  const int count = list->GetCount();
  const int current = list->m_nCurrent;
  if (picturePage && current >= 0 && current < count) {
    CString name;
    list->GetTitle(current, name);
    CString caption = name + u" (" + Decimal(current + 1) + u" of " + Decimal(count) + u")";
    if (view != nullptr) {
      caption += kPartSeparator + SizeText(view->width, view->height) + kPartSeparator +
                 ZoomPercentText(view->scaleNum, view->scaleDen);
    }
    return caption + kSeparator + title;
  }
  const CString& folder = list->m_strFolder;
  const size_t slash = folder.rfind(u'\\');
  CString name = slash == CString::npos ? folder : folder.substr(slash + 1);
  if (folderPath) {
    // The root's name, then each folder down to this one, as a desktop
    // path reads.
    name = rootName;
    for (char16_t c : folder) name.push_back(c == u'\\' ? u'/' : c);
  }
  // A folder with more pictures than the list holds says so.
  const int leftOut = list->GetLeftOutCount();
  const CString note = leftOut > 0 ? u" (" + Decimal(leftOut) + u" pictures left out)" : CString();
  return (name.empty() ? rootName : name) + note + kSeparator + title;
}
