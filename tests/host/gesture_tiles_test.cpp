// The gesture tiles, in and outside practice: which poses they list with which titles and hints,
// the pose practice highlights, where a tile's parts go; and the Gestures page's option cards.
#include "ui/gesture_tiles.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "control/poses.h"
#include "ui/option_card.h"

namespace vel {
namespace {

// Each tile as "title: hint", in order.
std::wstring listed(const Gestures& assignments, bool practice) {
  const GestureTileList list = gestureTiles(assignments, practice);
  std::wstring text;
  for (int k = 0; k < list.count; ++k) {
    const GestureTile& tile = list.tiles[static_cast<std::size_t>(k)];
    text += (k ? L" | " : L"") + tileTitle(tile) + L": " + tileHint(tile);
  }
  return text;
}

TEST(GestureTiles, ListTheUsedPosesAndInPracticeWhatItPractisesThenTheOpenHand) {
  // Click off, Right-click on Two fingers, Drag on the fist, Scroll alone on Three fingers, Copy on
  // Thumb up, Paste on Index + little.
  const Gestures custom{0, 0, 2, 0, 4, 3, 0, 0, 5, 6, 0, 0};
  const Gestures commandScrolls{0, 1, 0, 0, 0, 3, 3, 0, 0, 0, 0, 0};  // Browser back shares Scroll's pose
  const std::wstring customShared = L"Move pointer: Point to aim | Right-click: Aim, then hold | Scroll: Move up or down"
                                    L" | Drag and drop: Hold, move, open";
  const std::tuple<const Gestures&, bool, std::wstring> cases[] = {
      {kDefaultGestures, false,
       L"Click: Point and pause | Right-click / Scroll: Hold / move up or down | Double-click: Aim, then hold"
       L" | Drag and drop: Hold, move, open"},
      {custom, false, customShared + L" | Copy: Aim, then hold | Paste: Aim, then hold"},
      {custom, true, customShared + L" | Let go / rest: Open your hand"},
      {commandScrolls, false, L"Click: Point and pause | Browser back / Scroll: Hold / move up or down"},
      {commandScrolls, true, L"Click: Point and pause | Scroll: Move up or down | Let go / rest: Open your hand"},
  };
  for (const auto& [gestures, practice, tiles] : cases) EXPECT_EQ(listed(gestures, practice), tiles);
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
  EXPECT_EQ(std::tie(second.highlight, second.illustration, second.title, second.hint),
            std::tuple(Box{217, 521, 398, 666}, Box{221, 526, 394, 608}, Box{221, 612, 394, 646}, Box{221, 644, 394, 669}));
  EXPECT_EQ(tileBoxes(24, 518, 752, 7, 6).highlight.right, 24 + 8 + 6 * (93 + 12) + 93 + 8);
  EXPECT_EQ(std::tuple(tileCardBox(24, 518, 752), tileFooterBox(24, 518, 752)),
            std::tuple(Box{24, 518, 776, 688}, Box{36, 669, 764, 686}));
}

TEST(OptionCard, SecondLineNamesWhatTheChoiceWouldReplace) {
  const struct {
    const char* what;
    Gestures assignments;
    int action, option;
    OptionCardText card;
  } cases[] = {
      {"the current pose", kDefaultGestures, kActionClick, 0, {1, true, L"✓ Selected"}},
      {"Two fingers for Click: Scroll keeps it", kDefaultGestures, kActionClick, 1, {2, false, L"Replaces Right-click"}},
      {"a free pose", kDefaultGestures, kActionClick, 2, {5, false, L""}},
      {"Drag onto Right-click's and Scroll's pose", {0, 1, 6, 3, 4, 6, 0, 0, 0, 0, 0, 0}, kActionDragAndDrop, 2,
       {6, false, L"Replaces hold + scroll"}},
      {"Drag onto Scroll's pose alone", {0, 1, 2, 3, 4, 6, 0, 0, 0, 0, 0, 0}, kActionDragAndDrop, 2,
       {6, false, L"Replaces Scroll"}},
      {"Scroll onto Drag's pose", {0, 1, 2, 3, 6, 2, 0, 0, 0, 0, 0, 0}, kActionScroll, 2,
       {6, false, L"Replaces Drag and drop"}},
      {"Scroll shares with Right-click", {0, 1, 6, 3, 4, 2, 0, 0, 0, 0, 0, 0}, kActionScroll, 2, {6, false, L""}},
      {"a command onto a click's pose", kDefaultGestures, 7, 2, {2, false, L"Replaces Right-click"}},
      {"the last action", kDefaultGestures, 11, 0, {6, false, L""}},
      {"no such action", kDefaultGestures, 12, 0, {}},
      {"no such option", kDefaultGestures, kActionClick, 3, {}},
  };
  for (const auto& c : cases) {
    const OptionCardText card = optionCardText(c.assignments, c.action, c.option);
    EXPECT_EQ(std::tie(card.pose, card.selected, card.line), std::tie(c.card.pose, c.card.selected, c.card.line))
        << c.what;
  }
}

}  // namespace
}  // namespace vel
