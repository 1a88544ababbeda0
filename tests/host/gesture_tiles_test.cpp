// The gesture tiles, in and outside practice: which poses they list with which titles and hints,
// the pose practice highlights and where a tile's parts go.
#include "ui/gesture_tiles.h"

#include <gtest/gtest.h>

#include "control/poses.h"

namespace vel {
namespace {

TEST(GestureTiles, ListTheUsedPosesAndInPracticeWhatItPractisesThenTheOpenHandAndShareTheCard) {
  // Click off, Right-click on Two fingers, Drag on the fist, Scroll alone on Three fingers, Copy on
  // Thumb up, Paste on Index + little.
  const Gestures custom{0, 0, 2, 0, 4, 3, 0, 0, 5, 6, 0, 0};
  const Gestures commandScrolls{0, 1, 0, 0, 0, 3, 3, 0, 0, 0, 0, 0};  // Browser back shares Scroll's pose
  const std::wstring customShared = L"Move pointer: Point to aim | Right-click: Aim, then hold | Scroll: Move up or "
                                    L"down | Drag and drop: Hold, move, open";
  const std::tuple<const Gestures&, bool, std::wstring> cases[] = {
      {kDefaultGestures, false,
       L"Click: Point and pause | Right-click / Scroll: Hold / move up or down | Double-click: Aim, then hold"
       L" | Drag and drop: Hold, move, open"},
      {custom, false, customShared + L" | Copy: Aim, then hold | Paste: Aim, then hold"},
      {custom, true, customShared + L" | Let go / rest: Open your hand"},
      {commandScrolls, false, L"Click: Point and pause | Browser back / Scroll: Hold / move up or down"},
      {commandScrolls, true, L"Click: Point and pause | Scroll: Move up or down | Let go / rest: Open your hand"},
  };
  for (const auto& [gestures, practice, tiles] : cases) {
    const GestureTileList list = gestureTiles(gestures, practice);
    std::wstring text;  // each tile as "title: hint", in order
    for (int k = 0; k < list.count; ++k) {
      const GestureTile& tile = list.tiles[static_cast<std::size_t>(k)];
      text += (k ? L" | " : L"") + tileTitle(tile) + L": " + tileHint(tile);
    }
    EXPECT_EQ(text, tiles);
  }
  const std::pair<void (*)(PracticeState&), int> highlights[] = {
      {[](PracticeState&) {}, kPoseNone},
      {[](PracticeState& s) { s.currentAction = kActionDragAndDrop; }, kPoseClosedFist},
      {[](PracticeState& s) { s.currentAction = kActionDragAndDrop, s.grabbed = true; }, kPoseOpenHand},
      {[](PracticeState& s) { s.currentAction = kActionDragAndDrop, s.dropUntil = 5000; }, kPoseOpenHand},
      {[](PracticeState& s) { s.currentAction = kActionDragAndDrop, s.stepIndex = 2; }, kPoseOpenHand},  // resting
  };
  for (const auto& [change, pose] : highlights) {
    PracticeState practice;
    std::tie(practice.hasSteps, practice.stepCount) = std::tuple(true, 2);
    change(practice);
    EXPECT_EQ(practiceHighlightPose(practice, kDefaultGestures), pose);
  }
  // The home page's card: 752 wide, four tiles of 173 with twelve-unit gaps.
  const TileBoxes second = tileBoxes(24, 518, 752, 4, 1);
  EXPECT_EQ(std::tie(second.highlight, second.illustration, second.title, second.hint),
            std::tuple(Box{217, 521, 398, 666}, Box{221, 526, 394, 608}, Box{221, 612, 394, 646},
                       Box{221, 644, 394, 669}));
  EXPECT_EQ(tileBoxes(24, 518, 752, 7, 6).highlight.right, 24 + 8 + 6 * (93 + 12) + 93 + 8);
  EXPECT_EQ(std::tuple(tileCardBox(24, 518, 752), tileFooterBox(24, 518, 752)),
            std::tuple(Box{24, 518, 776, 688}, Box{36, 669, 764, 686}));
}

}  // namespace
}  // namespace vel
