// Which poses the gesture tiles list, in and outside practice, with their titles and hints; the
// pose practice highlights; where a tile's parts go.
#include "ui/gesture_tiles.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "control/poses.h"

namespace vel {
namespace {

using Tile = std::pair<std::wstring, std::wstring>;  // title, hint
using Listed = std::vector<Tile>;

Listed listed(const Gestures& assignments, bool practice) {
  const GestureTileList list = gestureTiles(assignments, practice);
  Listed result;
  for (int k = 0; k < list.count; ++k) {
    const GestureTile& tile = list.tiles[static_cast<std::size_t>(k)];
    result.emplace_back(tileTitle(tile), tileHint(tile));
  }
  return result;
}

TEST(GestureTiles, DefaultsListTheFourUsedPoses) {
  EXPECT_EQ(listed(kDefaultGestures, false), (Listed{{L"Click", L"Point and pause"},
                                                     {L"Right-click / Scroll", L"Hold / move up or down"},
                                                     {L"Double-click", L"Aim, then hold"},
                                                     {L"Drag and drop", L"Hold, move, open"}}));
}

TEST(GestureTiles, PracticeDropsCommandsAndEndsWithTheOpenHand) {
  // Click off, Right-click on Two fingers, Drag on the fist, Scroll alone on Three fingers,
  // Copy on Thumb up, Paste on Index + little.
  const Gestures gestures{0, 0, 2, 0, 4, 3, 0, 0, 5, 6, 0, 0};
  const Listed outside{{L"Move pointer", L"Point to aim"},  {L"Right-click", L"Aim, then hold"},
                       {L"Scroll", L"Move up or down"},     {L"Drag and drop", L"Hold, move, open"},
                       {L"Copy", L"Aim, then hold"},        {L"Paste", L"Aim, then hold"}};
  EXPECT_EQ(listed(gestures, false), outside);
  const Listed practice{outside[0], outside[1], outside[2], outside[3], {L"Let go / rest", L"Open your hand"}};
  EXPECT_EQ(listed(gestures, true), practice);

  const Gestures commandScrolls{0, 1, 0, 0, 0, 3, 3, 0, 0, 0, 0, 0};  // Browser back shares Scroll's pose
  EXPECT_EQ(listed(commandScrolls, false)[1], Tile(L"Browser back / Scroll", L"Hold / move up or down"));
  EXPECT_EQ(listed(commandScrolls, true)[1], Tile(L"Scroll", L"Move up or down"));
}

TEST(GestureTiles, PracticeHighlightsTheOpenHandWhileRestingOrHoldingElseTheStepsPose) {
  PracticeState practice;
  practice.hasSteps = true;
  practice.stepCount = 2;
  EXPECT_EQ(practiceHighlightPose(practice, kDefaultGestures), kPoseNone);
  practice.currentAction = kActionDragAndDrop;
  EXPECT_EQ(practiceHighlightPose(practice, kDefaultGestures), kPoseClosedFist);
  PracticeState grabbed = practice, dropping = practice, resting = practice;
  grabbed.grabbed = true;
  dropping.dropUntil = 5000;
  resting.stepIndex = 2;
  for (const PracticeState& state : {grabbed, dropping, resting}) {
    EXPECT_EQ(practiceHighlightPose(state, kDefaultGestures), kPoseOpenHand);
  }
}

TEST(GestureTiles, TilesShareTheCardWidthWithTwelveUnitGaps) {
  // The home page's card: 752 wide, four tiles of 173.
  const TileBoxes second = tileBoxes(24, 518, 752, 4, 1);
  EXPECT_EQ(std::tie(second.highlight, second.illustration),
            std::tuple(Box{217, 521, 398, 666}, Box{221, 526, 394, 608}));
  EXPECT_EQ(std::tie(second.title, second.hint), std::tuple(Box{221, 612, 394, 646}, Box{221, 644, 394, 669}));
  EXPECT_EQ(tileBoxes(24, 518, 752, 7, 6).highlight.right, 24 + 8 + 6 * (93 + 12) + 93 + 8);
  EXPECT_EQ(tileCardBox(24, 518, 752), (Box{24, 518, 776, 688}));
  EXPECT_EQ(tileFooterBox(24, 518, 752), (Box{36, 669, 764, 686}));
}

}  // namespace
}  // namespace vel
