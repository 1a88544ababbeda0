// The portable half of the action sink: where a Move lands in SendInput's absolute coordinates,
// and the texts of action records.
#include "control/action_sink.h"

#include <gtest/gtest.h>

#include <limits>

namespace vel {
namespace {

const VirtualScreen kFullHd{0, 0, 1920, 1080};
const DesktopRect kPrimary{0, 0, 1920, 1080};

AbsolutePosition landing(float x, float y, const DesktopRect& target = kPrimary,
                         const VirtualScreen& screen = kFullHd) {
  const auto position = absolutePosition(x, y, target, screen);
  EXPECT_TRUE(position.has_value());
  return position.value_or(AbsolutePosition{-1, -1});
}

TEST(AbsolutePosition, SpansTheTargetsFirstToLastPixel) {
  EXPECT_EQ(landing(0.0f, 0.0f), (AbsolutePosition{0, 0}));
  EXPECT_EQ(landing(1.0f, 1.0f), (AbsolutePosition{65535, 65535}));
  // px 959.5, py 539.5: lroundf(959.5 × 65535 / 1919) = lroundf(539.5 × 65535 / 1079) = 32768.
  EXPECT_EQ(landing(0.5f, 0.5f), (AbsolutePosition{32768, 32768}));
}

TEST(AbsolutePosition, ClampsIntoTheTarget) {
  EXPECT_EQ(landing(1.7f, -0.2f), (AbsolutePosition{65535, 0}));
  EXPECT_EQ(landing(-std::numeric_limits<float>::infinity(), std::numeric_limits<float>::infinity()),
            (AbsolutePosition{0, 65535}));
}

TEST(AbsolutePosition, TargetDisplayBesideThePrimaryOne) {
  const VirtualScreen twoScreens{0, 0, 3840, 1080};
  const DesktopRect second{1920, 0, 3840, 1080};
  // x = 0 is the second display's first column: 1920 × 65535 / 3839 = 32775.6.
  EXPECT_EQ(landing(0.0f, 0.0f, second, twoScreens), (AbsolutePosition{32776, 0}));
  EXPECT_EQ(landing(1.0f, 1.0f, second, twoScreens), (AbsolutePosition{65535, 65535}));

  // A secondary display left of the primary one gives the virtual screen a negative origin.
  const VirtualScreen leftOfPrimary{-1280, 0, 3200, 1080};
  EXPECT_EQ(landing(0.0f, 0.0f, {-1280, 0, 0, 1024}, leftOfPrimary), (AbsolutePosition{0, 0}));
  // 1280 × 65535 / 3199 = 26222.2
  EXPECT_EQ(landing(0.0f, 0.0f, kPrimary, leftOfPrimary), (AbsolutePosition{26222, 0}));
}

TEST(AbsolutePosition, OnePixelTargetPinsThePointer) {
  const DesktopRect pixel{100, 200, 101, 201};
  EXPECT_EQ(landing(0.0f, 0.0f, pixel), landing(1.0f, 1.0f, pixel));
  const DesktopRect inverted{500, 500, 100, 100};  // no span, never a move outside the corner
  EXPECT_EQ(landing(0.9f, 0.9f, inverted), landing(0.0f, 0.0f, {500, 500, 501, 501}));
}

TEST(AbsolutePosition, RefusesADegenerateScreenOrNotANumber) {
  EXPECT_FALSE(absolutePosition(0.5f, 0.5f, kPrimary, {0, 0, 1, 1080}));
  EXPECT_FALSE(absolutePosition(0.5f, 0.5f, kPrimary, {0, 0, 1920, 0}));
  EXPECT_FALSE(absolutePosition(std::numeric_limits<float>::quiet_NaN(), 0.5f, kPrimary, kFullHd));
  EXPECT_TRUE(absolutePosition(0.5f, 0.5f, kPrimary, {0, 0, 2, 2}));
}

TEST(ActionText, NamesEveryKindAsTheReplayToolPrintsIt) {
  EXPECT_EQ(actionText(moveAction({0.5f, 0.123456f})), "Move:0.5000,0.1235");
  EXPECT_EQ(actionText(wheelAction(-360)), "Wheel:-360");
  EXPECT_EQ(actionText({ActionKind::BrowserForward}), "BrowserForward");
  EXPECT_EQ(actionText({static_cast<ActionKind>(14)}), "Kind14");
}

}  // namespace
}  // namespace vel
