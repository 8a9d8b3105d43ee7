// 16-bit strings: the viewer's text type, and the conversions to UTF-8 that
// happen only at the host boundary (file names, fonts, window titles).
#pragma once

#include <string>
#include <string_view>

#include "wintypes.h"

// The framework string of the viewer: 16-bit characters.
typedef std::u16string CString;

// Strict UTF-8 to UTF-16: false (and *out untouched) for bytes that are not
// valid UTF-8 (overlong forms, surrogates, values above U+10FFFF, truncation).
bool Utf8ToWide(std::string_view in, CString* out);
// UTF-16 to UTF-8: false for unpaired surrogates.
bool WideToUtf8(std::u16string_view in, std::string* out);
// Convenience forms for text known to be valid (resources, literals).
CString WideFromUtf8(std::string_view in);
std::string Utf8FromWide(std::u16string_view in);

size_t WStrLen(const WCHAR* s);
// Copies at most cap - 1 characters and a terminator; returns the number copied.
size_t WStrCopy(WCHAR* dst, size_t cap, std::u16string_view src);
// Comparison without regard to letter case (ASCII and Latin-1 letters fold).
int WStrCmpNoCase(std::u16string_view a, std::u16string_view b);
inline bool WStrEqualNoCase(std::u16string_view a, std::u16string_view b) {
  return WStrCmpNoCase(a, b) == 0;
}
