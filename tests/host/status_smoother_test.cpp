// The status smoother's timing rules with explicit frame times.
#include "camera/status_smoother.h"

#include <gtest/gtest.h>

#include <string>

namespace vel {
namespace {

const std::wstring kPoint = L"Point to aim";
const std::wstring kHold = L"Hold still";
const std::wstring kCloser = L"Move your hand closer";
const std::wstring kCutOff = L"Keep your whole hand in view";

class Smoother : public ::testing::Test {
 protected:
  StatusSmoother smoother;
  std::int64_t now = 100'000;

  // Feeds `text` every 33 ms from now until `until` inclusive.
  void feedUntil(std::int64_t until, const std::wstring& text, bool warning = false) {
    for (; now <= until; now += 33) smoother.update(text, warning, now, false);
  }
  // Feeds alternating warnings every 33 ms from now until before `until`.
  void warnUntil(std::int64_t until) {
    for (int i = 0; now < until; ++i, now += 33) smoother.update(i % 2 ? kCloser : kCutOff, true, now, false);
  }
  void feed(const std::wstring& text, bool warning = false, bool urgent = false) {
    smoother.update(text, warning, now, urgent);
  }
};

TEST_F(Smoother, ShowsTheFirstTextAtOnceAndKeepsItAtLeast1500Ms) {
  const std::int64_t start = now;
  feed(kCloser, true);
  EXPECT_EQ(smoother.shownText, kCloser);
  EXPECT_TRUE(smoother.shownWarning);
  now += 33;
  feedUntil(start + 1466, kHold);  // stable for far longer than 600 ms, but too soon
  EXPECT_EQ(smoother.shownText, kCloser);
  now = start + 1500;
  feed(kHold);
  EXPECT_EQ(smoother.shownText, kHold);
  EXPECT_EQ(smoother.shownSince, start + 1500);
}

TEST_F(Smoother, NeedsANewTextOrWarningFlagStableFor600Ms) {
  for (const bool warning : {false, true}) {
    const std::wstring text = warning ? kPoint : kHold;
    smoother.reset();
    feedUntil(now + 2000, kPoint);
    const std::int64_t changed = now;
    feedUntil(changed + 599, text, warning);
    EXPECT_EQ(smoother.shownText, kPoint);
    EXPECT_FALSE(smoother.shownWarning);
    now = changed + 600;
    feed(text, warning);
    EXPECT_EQ(smoother.shownText, text);
    EXPECT_EQ(smoother.shownWarning, warning);
  }
}

TEST_F(Smoother, ATextThatComesBackRestartsTheWaitForTheNewOne) {
  feedUntil(now + 2000, kPoint);
  feed(kHold);
  now += 33;
  feed(kPoint);
  now += 33;
  const std::int64_t back = now;
  feedUntil(back + 594, kHold);
  now = back + 599;
  feed(kHold);
  EXPECT_EQ(smoother.shownText, kPoint);
  now = back + 600;
  feed(kHold);
  EXPECT_EQ(smoother.shownText, kHold);
}

TEST_F(Smoother, ChangingWarningsAreSummedUpOnce600MsOfThemAnd1500MsHavePassed) {
  const std::int64_t start = now;
  feed(kPoint);
  now = start + 300;
  warnUntil(start + 1500);
  EXPECT_EQ(smoother.shownText, kPoint) << "1500 ms not yet over";
  feed(kCloser, true);
  EXPECT_EQ(smoother.shownText, kKeepHandInView);
  EXPECT_TRUE(smoother.shownWarning);
  EXPECT_EQ(smoother.shownSince, now);

  feedUntil(now + 2000, kPoint);
  warnUntil(now + 600);
  const std::int64_t broken = now;
  feed(kHold);  // one non-warning restarts the count
  now += 33;
  warnUntil(broken + 600);
  EXPECT_EQ(smoother.shownText, kPoint);
}

TEST_F(Smoother, AnUrgentTextAGapOver2400MsOrTimeGoingBackShowTheNewTextAtOnce) {
  feed(kPoint);
  now += 100;
  feed(L"Click", false, true);
  EXPECT_EQ(smoother.shownText, L"Click");
  EXPECT_EQ(smoother.shownSince, now);
  now += 2400;
  feed(kHold);
  EXPECT_EQ(smoother.shownText, L"Click") << "2400 ms is not yet a gap";
  now += 2401;
  feed(kCloser, true);
  EXPECT_EQ(smoother.shownText, kCloser);
  now -= 10;
  feed(kHold);
  EXPECT_EQ(smoother.shownText, kHold);
}

}  // namespace
}  // namespace vel
