// File names arrive from the host as UTF-8 of any quality; the viewer works
// in 16-bit strings. These tests keep the conversion strict both ways.
#include "platform/base/wstr.h"

#include <gtest/gtest.h>

namespace {

TEST(Utf8ToWide, ConvertsValidText) {
  CString out;
  ASSERT_TRUE(Utf8ToWide("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x93\xb7", &out));
  EXPECT_EQ(out, u"caf\u00e9 \u20ac \U0001F4F7");
  ASSERT_TRUE(Utf8ToWide("", &out));
  EXPECT_TRUE(out.empty());
}

TEST(Utf8ToWide, RefusesInvalidBytes) {
  CString out = u"kept";
  EXPECT_FALSE(Utf8ToWide("\xff", &out));
  EXPECT_FALSE(Utf8ToWide("\xc0\xaf", &out));          // overlong "/"
  EXPECT_FALSE(Utf8ToWide("\xe0\x80\xaf", &out));      // overlong
  EXPECT_FALSE(Utf8ToWide("\xed\xa0\x80", &out));      // surrogate
  EXPECT_FALSE(Utf8ToWide("\xf4\x90\x80\x80", &out));  // above U+10FFFF
  EXPECT_FALSE(Utf8ToWide("ab\xe2\x82", &out));        // truncated
  EXPECT_FALSE(Utf8ToWide("\xc3(", &out));             // bad continuation
  EXPECT_EQ(out, u"kept");
}

TEST(WideToUtf8, RefusesUnpairedSurrogates) {
  std::string out;
  const char16_t high[] = {u'a', 0xD83D, 0};
  const char16_t low[] = {0xDCF7, u'a', 0};
  EXPECT_FALSE(WideToUtf8(high, &out));
  EXPECT_FALSE(WideToUtf8(low, &out));
  ASSERT_TRUE(WideToUtf8(u"\U0001F4F7x", &out));
  EXPECT_EQ(out, "\xf0\x9f\x93\xb7x");
}

TEST(WideStrings, CompareWithoutCaseAndCopyWithCapacity) {
  EXPECT_EQ(WStrCmpNoCase(u"JPEG", u"jpeg"), 0);
  EXPECT_EQ(WStrCmpNoCase(u"\u00c9t\u00e9", u"\u00e9T\u00c9"), 0);
  EXPECT_LT(WStrCmpNoCase(u"abc", u"ABD"), 0);
  EXPECT_LT(WStrCmpNoCase(u"ab", u"abc"), 0);
  EXPECT_GT(WStrCmpNoCase(u"b", u"A"), 0);
  WCHAR buffer[4];
  EXPECT_EQ(WStrCopy(buffer, 4, u"abcdef"), 3u);
  EXPECT_EQ(CString(buffer), u"abc");
  EXPECT_EQ(WStrCopy(buffer, 1, u"abc"), 0u);
  EXPECT_EQ(buffer[0], 0);
  EXPECT_EQ(WStrLen(u"four"), 4u);
}

}  // namespace
