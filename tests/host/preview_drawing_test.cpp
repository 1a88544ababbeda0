// What the preview draws over the camera picture: the hand's skeleton and fingertip ring, and
// practice's target, the one just hit, the mark and the follower.
#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

#include "ui/hand_skeleton.h"
#include "ui/practice_scene.h"

namespace vel {
namespace {

TEST(HandSkeleton, SkeletonNeedsAUsableHandAtMost299MsOldTheRingOnlyLandmarks) {
  ControlOutput hand;
  hand.handPresent = true;
  EXPECT_FALSE(skeletonShown(hand, 0) || fingertipRingShown(hand)) << "no landmarks";
  hand.landmarks = HandLandmarks{};
  EXPECT_EQ(std::tuple(skeletonShown(hand, 299), skeletonShown(hand, 300), fingertipRingShown(hand)),
            std::tuple(true, false, true));
  hand.handPresent = false;
  EXPECT_EQ(std::pair(skeletonShown(hand, 10), fingertipRingShown(hand)), std::pair(false, true)) << "not usable";
}

TEST(PracticeScene, TargetsFollowerMarkAndHoldByState) {
  // A 640 × 480 frame with the default movement area: the first target sits at (399, 199) with
  // radius 26, the second at (358, 225). Circles read "x,y r", "~" filling with the hold and "+t"
  // playing a completion; then the mark and the hold's progress.
  const std::pair<void (*)(PracticeState&), const wchar_t*> cases[] = {
      {[](PracticeState&) {}, L"399,199 26 | • 26 | 0.4"},
      {[](PracticeState& s) { s.pointerValid = true, s.pointer = {0.52f, 0.4f}; }, L"399,199 26~ | • 26 | 0.4"},
      {[](PracticeState& s) { s.pointerValid = true, s.pointer = {0.6f, 0.6f}; }, L"399,199 26 427,250 9~ | • 26 | 0.4"},
      {[](PracticeState& s) { s.grabbed = true; }, L"399,199 26 | Drop 14 | 0.4"},
      {[](PracticeState& s) {  // a hit: its completion plays while the pause hides the next target
         s.targetIndex = 1, s.result = PracticeResult::Hit, s.resultTime = 49'650;
         s.resultShownUntil = s.successPauseUntil = 50'750;
         s.pointerValid = true, s.pointer = {0.6f, 0.6f};
       }, L"399,199 26+0.5 427,250 9~ | 0.4"},
      {[](PracticeState& s) {
         s.result = PracticeResult::Hit, s.resultTime = 49'000, s.resultShownUntil = s.successPauseUntil = 50'001;
       }, L"399,199 26+1 | 0.4"},
      {[](PracticeState& s) { s.targetIndex = 1, s.result = PracticeResult::Hit, s.resultShownUntil = 50'000; },
       L"358,225 26 | • 26 | 0.4"},
      {[](PracticeState& s) { s.stepIndex = 1, s.restProgress = 0.7f; }, L"399,199 26~ | 0.7"},
      {[](PracticeState& s) { s.stepIndex = 1, s.restProgress = 1.0f; }, L"399,199 26~ | 1 done"},
  };
  for (const auto& [change, drawn] : cases) {
    PracticeState state;
    state.hasSteps = true;
    state.stepCount = 1;
    state.output.progress = 0.4f;
    change(state);
    const PracticeScene scene = practiceScene(state, previewRect(640, 480), ReachRect{}, 50'000);
    std::wostringstream text;
    for (int i = 0; i < scene.circleCount; ++i) {
      const SceneCircle& circle = scene.circles[static_cast<std::size_t>(i)];
      text << (i ? L" " : L"") << circle.centre.x << L"," << circle.centre.y << L" " << circle.radius
           << (circle.animated ? L"~" : L"");
      if (circle.drawing.completed) text << L"+" << circle.drawing.t;
    }
    if (scene.mark) text << L" | " << scene.mark << L" " << scene.markHeight;
    text << L" | " << scene.hold.progress << (scene.hold.completed ? L" done" : L"");
    EXPECT_EQ(text.str(), drawn);
  }
  EXPECT_EQ(practiceTargetRadius(previewRect(640, 480), {0.5f, 0.5f, 0.51f, 0.9f}), 1) << "never below one";
}

}  // namespace
}  // namespace vel
