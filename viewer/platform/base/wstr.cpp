// 16-bit string helpers and the UTF-8 conversions of the host boundary.
#include "wstr.h"

namespace {

char16_t FoldCase(char16_t c) {
  if (c >= u'A' && c <= u'Z') return (char16_t)(c + 32);
  // Latin-1 capitals, except the multiplication sign.
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return (char16_t)(c + 32);
  return c;
}

}  // namespace

bool Utf8ToWide(std::string_view in, CString* out) {
  CString result;
  result.reserve(in.size());
  size_t i = 0;
  const size_t n = in.size();
  while (i < n) {
    const unsigned char c = (unsigned char)in[i];
    char32_t cp;
    int extra;
    if (c < 0x80) {
      result.push_back((char16_t)c);
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      cp = c & 0x1F;
      extra = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      cp = c & 0x0F;
      extra = 2;
    } else if (c >= 0xF0 && c <= 0xF4) {
      cp = c & 0x07;
      extra = 3;
    } else {
      return false;
    }
    if (n - i <= (size_t)extra) return false;
    for (int k = 1; k <= extra; ++k) {
      const unsigned char cc = (unsigned char)in[i + (size_t)k];
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF)) {
      return false;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      result.push_back((char16_t)(0xD800 + (cp >> 10)));
      result.push_back((char16_t)(0xDC00 + (cp & 0x3FF)));
    } else {
      result.push_back((char16_t)cp);
    }
    i += (size_t)extra + 1;
  }
  *out = std::move(result);
  return true;
}

bool WideToUtf8(std::u16string_view in, std::string* out) {
  std::string result;
  result.reserve(in.size());
  for (size_t i = 0; i < in.size(); ++i) {
    char32_t cp = in[i];
    if (cp >= 0xD800 && cp <= 0xDBFF) {
      if (i + 1 >= in.size() || in[i + 1] < 0xDC00 || in[i + 1] > 0xDFFF) return false;
      cp = 0x10000 + ((cp - 0xD800) << 10) + (char32_t)(in[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
      return false;
    }
    if (cp < 0x80) {
      result.push_back((char)cp);
    } else if (cp < 0x800) {
      result.push_back((char)(0xC0 | (cp >> 6)));
      result.push_back((char)(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      result.push_back((char)(0xE0 | (cp >> 12)));
      result.push_back((char)(0x80 | ((cp >> 6) & 0x3F)));
      result.push_back((char)(0x80 | (cp & 0x3F)));
    } else {
      result.push_back((char)(0xF0 | (cp >> 18)));
      result.push_back((char)(0x80 | ((cp >> 12) & 0x3F)));
      result.push_back((char)(0x80 | ((cp >> 6) & 0x3F)));
      result.push_back((char)(0x80 | (cp & 0x3F)));
    }
  }
  *out = std::move(result);
  return true;
}

CString WideFromUtf8(std::string_view in) {
  CString out;
  Utf8ToWide(in, &out);
  return out;
}

std::string Utf8FromWide(std::u16string_view in) {
  std::string out;
  WideToUtf8(in, &out);
  return out;
}

size_t WStrLen(const WCHAR* s) {
  size_t n = 0;
  while (s[n] != 0) ++n;
  return n;
}

size_t WStrCopy(WCHAR* dst, size_t cap, std::u16string_view src) {
  if (cap == 0) return 0;
  size_t n = src.size() < cap - 1 ? src.size() : cap - 1;
  for (size_t i = 0; i < n; ++i) dst[i] = src[i];
  dst[n] = 0;
  return n;
}

int WStrCmpNoCase(std::u16string_view a, std::u16string_view b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const char16_t ca = FoldCase(a[i]);
    const char16_t cb = FoldCase(b[i]);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}
