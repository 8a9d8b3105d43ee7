// Sort keys for the device's name order: case folding through the C.UTF-8
// locale's tables, digit runs recoded so that plain comparison orders them.
#include "nameorder.h"

#include <locale.h>
#include <wctype.h>

#include "platform/base/wstr.h"

namespace {

// glibc's built-in C.UTF-8 locale carries the full Unicode case tables,
// independent of the user's locale settings. Without it only ASCII folds.
locale_t CaseLocale() {
  static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", (locale_t)0);
  return locale;
}

// Lower case of the upper case: besides the plain pairs this brings final
// sigma to sigma, long s to s and the Kelvin sign to k, as case folding does.
char32_t Fold(char32_t c) {
  if (c < 0x80) return (c >= U'A' && c <= U'Z') ? c + 32 : c;
  const locale_t locale = CaseLocale();
  if (locale == (locale_t)0) return c;
  return (char32_t)towlower_l(towupper_l((wint_t)c, locale), locale);
}

// Written run lengths kept for the last tie; names of up to 259 characters
// hold at most 130 runs.
constexpr size_t kMaxRuns = 130;

bool IsDigit(char32_t c) {
  return c >= U'0' && c <= U'9';
}

// The code point at `i`, advancing `i`; names reaching here are valid UTF-16.
char32_t NextCodePoint(std::u16string_view s, size_t* i) {
  const char32_t c = s[(*i)++];
  if (c >= 0xD800 && c <= 0xDBFF && *i < s.size() && s[*i] >= 0xDC00 && s[*i] <= 0xDFFF) {
    return 0x10000 + ((c - 0xD800) << 10) + (char32_t)(s[(*i)++] - 0xDC00);
  }
  return c;
}

}  // namespace

// The key: the folded code points, a digit run as its marker '0', its
// significant length and its significant digits; then 0 and the written
// length of each run. The marker sits where the run starts, so a run sorts
// against a letter as a digit does; the significant length makes longer
// values greater, and equal lengths compare digit by digit. The 0 ends the
// first part below anything that can follow a shorter name's last token
// (a character or a marker), and the written lengths then put fewer leading
// zeros first.
void AppendNameSortKey(std::u16string_view name, std::u32string* keys) {
  char32_t runs[kMaxRuns];
  size_t runCount = 0;
  size_t i = 0;
  while (i < name.size()) {
    if (!IsDigit(name[i])) {
      keys->push_back(Fold(NextCodePoint(name, &i)));
      continue;
    }
    const size_t start = i;
    while (i < name.size() && IsDigit(name[i])) ++i;
    size_t first = start;
    while (first < i && name[first] == u'0') ++first;
    keys->push_back(U'0');
    keys->push_back((char32_t)(i - first));
    for (size_t d = first; d < i; ++d) keys->push_back(name[d]);
    if (runCount < kMaxRuns) runs[runCount++] = (char32_t)(i - start);
  }
  keys->push_back(0);
  keys->append(runs, runCount);
}

int CompareNames(std::u16string_view a, std::u16string_view b) {
  std::u32string keyA, keyB;
  AppendNameSortKey(a, &keyA);
  AppendNameSortKey(b, &keyB);
  const int order = keyA.compare(keyB);
  if (order != 0) return order;
  std::string bytesA, bytesB;
  WideToUtf8(a, &bytesA);
  WideToUtf8(b, &bytesB);
  return bytesA.compare(bytesB);
}
