// Capture format choice: candidate limits, the baseline cost and the detail rule.
#include <gtest/gtest.h>

#include <initializer_list>
#include <limits>
#include <vector>

#include "camera/format_choice.h"

namespace vel {
namespace {

constexpr std::uint64_t pack(std::uint32_t high, std::uint32_t low) {
  return (static_cast<std::uint64_t>(high) << 32) | low;
}

struct Mode {
  std::int32_t width, height;
  double fps;
};

// Candidates as a camera would list them, indexed in order.
std::vector<FormatCandidate> camera(std::initializer_list<Mode> modes) {
  std::vector<FormatCandidate> list;
  for (const Mode& m : modes) list.push_back({static_cast<std::uint32_t>(list.size()), m.width, m.height, m.fps});
  return list;
}

::testing::AssertionResult picks(const std::optional<FormatCandidate>& c, std::int32_t w, std::int32_t h) {
  if (!c) return ::testing::AssertionFailure() << "nothing chosen";
  if (c->width != w || c->height != h) return ::testing::AssertionFailure() << c->width << "x" << c->height;
  return ::testing::AssertionSuccess();
}

TEST(CameraFrameRate, PackedRateWithItsSpecialCases) {
  EXPECT_DOUBLE_EQ(framesPerSecond(pack(30, 1)), 30.0);
  EXPECT_NEAR(framesPerSecond(pack(30000, 1001)), 29.97, 0.001);
  EXPECT_DOUBLE_EQ(framesPerSecond(pack(15, 0)), 30.0);
  EXPECT_DOUBLE_EQ(framesPerSecond(std::nullopt), 0.0);
}

TEST(CameraCandidates, LimitsAreInclusive) {
  const auto rate = pack(30, 1);
  EXPECT_TRUE(formatCandidate(0, pack(1920, 1080), rate));
  EXPECT_TRUE(formatCandidate(0, pack(320, 240), rate));
  EXPECT_FALSE(formatCandidate(0, pack(2560, 1440), rate));
  EXPECT_FALSE(formatCandidate(0, pack(1921, 1080), rate));
  EXPECT_FALSE(formatCandidate(0, pack(1920, 1081), rate));
  EXPECT_FALSE(formatCandidate(0, pack(319, 240), rate));
  EXPECT_FALSE(formatCandidate(0, pack(320, 239), rate));
  EXPECT_TRUE(formatCandidate(0, pack(640, 480), pack(15, 1)));
  EXPECT_FALSE(formatCandidate(0, pack(640, 480), pack(29, 2)));
}

TEST(CameraCandidates, RateRulesAndFields) {
  const auto zeroDenominator = formatCandidate(7, pack(640, 480), pack(5, 0));
  ASSERT_TRUE(zeroDenominator);
  EXPECT_EQ(zeroDenominator->index, 7u);
  EXPECT_EQ(zeroDenominator->width, 640);
  EXPECT_EQ(zeroDenominator->height, 480);
  EXPECT_DOUBLE_EQ(zeroDenominator->fps, 30.0);
  EXPECT_FALSE(formatCandidate(0, pack(640, 480), std::nullopt));
  // Huge packed sizes must not wrap into range.
  EXPECT_FALSE(formatCandidate(0, pack(0xffffffffu, 480), pack(30, 1)));
}

TEST(CameraFormatChoice, FourThreeCameraKeepsItsAspectInDetail) {
  const auto cam = camera({{1280, 720, 30}, {640, 480, 30}});
  EXPECT_TRUE(picks(chooseFormat(cam, false).preferred, 640, 480));
  const FormatChoice detail = chooseFormat(cam, true);
  EXPECT_TRUE(picks(detail.baseline, 640, 480));
  EXPECT_TRUE(picks(detail.preferred, 640, 480));
}

TEST(CameraFormatChoice, DetailPicksNineSixtyBySevenTwentyWhenOffered) {
  const auto cam = camera({{640, 480, 30}, {1280, 720, 30}, {960, 720, 30}, {1280, 960, 30}});
  const FormatChoice detail = chooseFormat(cam, true);
  EXPECT_TRUE(picks(detail.preferred, 960, 720));
  EXPECT_EQ(detail.preferred->index, 2u);
  EXPECT_TRUE(picks(chooseFormat(cam, false).preferred, 640, 480));
}

TEST(CameraFormatChoice, WideCameraGetsItsWideDetailFormat) {
  const auto cam = camera({{640, 360, 30}, {1280, 720, 30}});
  const FormatChoice detail = chooseFormat(cam, true);
  EXPECT_TRUE(picks(detail.baseline, 640, 360));
  EXPECT_TRUE(picks(detail.preferred, 1280, 720));
}

TEST(CameraFormatChoice, SixtyFpsIsABaselineButNeverADetailFormat) {
  const auto cam = camera({{640, 480, 60}, {960, 720, 60}});
  const FormatChoice detail = chooseFormat(cam, true);
  EXPECT_TRUE(picks(detail.baseline, 640, 480));
  EXPECT_TRUE(picks(detail.preferred, 640, 480));
  // 29..31 fps both ends are accepted.
  EXPECT_TRUE(picks(chooseFormat(camera({{640, 480, 30}, {960, 720, 29.0}}), true).preferred, 960, 720));
  EXPECT_TRUE(picks(chooseFormat(camera({{640, 480, 30}, {960, 720, 31.0}}), true).preferred, 960, 720));
  EXPECT_TRUE(picks(chooseFormat(camera({{640, 480, 30}, {960, 720, 31.5}}), true).preferred, 640, 480));
}

TEST(CameraFormatChoice, BaselineCostWeighsFrameRate) {
  // 800x600 at 30 costs 280; 640x480 at 15 costs 300.
  EXPECT_TRUE(picks(chooseFormat(camera({{640, 480, 15}, {800, 600, 30}}), false).baseline, 800, 600));
}

TEST(CameraFormatChoice, FirstOfEqualCostsWins) {
  // 700x480 and 580x480 both cost 60.
  const FormatChoice choice = chooseFormat(camera({{700, 480, 30}, {580, 480, 30}}), false);
  EXPECT_EQ(choice.baseline->index, 0u);
  const FormatChoice detail =
      chooseFormat(camera({{640, 480, 30}, {1000, 750, 30}, {920, 690, 30}, {1000, 750, 30}}), true);
  EXPECT_EQ(detail.preferred->index, 1u);
}

TEST(CameraFormatChoice, DetailAspectToleranceAndSizeWindow) {
  // 4:3 baseline: 960x725 differs by 0.009 in aspect, 960x700 by 0.038.
  EXPECT_TRUE(picks(chooseFormat(camera({{640, 480, 30}, {960, 725, 30}}), true).preferred, 960, 725));
  EXPECT_TRUE(picks(chooseFormat(camera({{640, 480, 30}, {960, 700, 30}}), true).preferred, 640, 480));
  EXPECT_TRUE(picks(chooseFormat(camera({{640, 480, 30}, {1024, 700, 30}}), true).preferred, 640, 480));
  // Outside 640..1280 x 640..960 even with the right aspect.
  EXPECT_TRUE(picks(chooseFormat(camera({{640, 480, 30}, {1440, 1080, 30}}), true).preferred, 640, 480));
}

TEST(CameraFormatChoice, NoCandidatesMeansNoChoice) {
  const FormatChoice choice = chooseFormat({}, true);
  EXPECT_FALSE(choice.baseline);
  EXPECT_FALSE(choice.preferred);
}

TEST(CameraFormatChoice, NonFiniteRatesAreSkipped) {
  const double inf = std::numeric_limits<double>::infinity();
  const FormatChoice choice = chooseFormat(camera({{640, 480, inf}, {800, 600, 30}}), false);
  EXPECT_TRUE(picks(choice.baseline, 800, 600));
}

}  // namespace
}  // namespace vel
