// UTF-8 to wide text: what error messages with paths and punctuation become on screen.
#include "app/wide_text.h"

#include <gtest/gtest.h>

namespace vel {
namespace {

TEST(WideText, DecodesEveryLength) {
  EXPECT_EQ(toWide("a — é · …"), L"a \u2014 \u00e9 \u00b7 \u2026");
  EXPECT_EQ(toWide("\xED\x9F\xBF\xEE\x80\x80"), L"\uD7FF\uE000") << "either side of the surrogates";
  const std::wstring emoji = toWide("\xF0\x9F\x91\x8B");
  if constexpr (sizeof(wchar_t) == 2) {
    EXPECT_EQ(emoji, std::wstring({wchar_t(0xD83D), wchar_t(0xDC4B)}));
  } else {
    EXPECT_EQ(emoji, std::wstring(1, wchar_t(0x1F44B)));
  }
}

TEST(WideText, MalformedBytesBecomeReplacementCharacters) {
  EXPECT_EQ(toWide("a\xFF" "b"), L"a\uFFFDb");
  EXPECT_EQ(toWide("a\xE2\x80"), L"a\uFFFD") << "cut off at the end";
  EXPECT_EQ(toWide("\xE2\x80" "b"), L"\uFFFDb") << "cut off by an ordinary byte";
  EXPECT_EQ(toWide("\xC3\xA9\x80"), L"\u00e9\uFFFD") << "a continuation byte too many";
  EXPECT_EQ(toWide("\xC0\xAF"), L"\uFFFD") << "overlong";
  EXPECT_EQ(toWide("\xED\xA0\x80"), L"\uFFFD") << "a surrogate";
}

}  // namespace
}  // namespace vel
