// What the preview draws of practice: the target, the one just hit, the mark and the follower.
#include "ui/practice_scene.h"

#include <gtest/gtest.h>

#include <sstream>

namespace vel {
namespace {

TEST(PracticeScene, TargetsFollowerMarkAndHoldByState) {
  // A 640 × 480 frame with the default movement area: the first target sits at (399, 199) with
  // radius 26, the second at (358, 225). Circles read "x,y r", "~" filling with the hold and "+t"
  // playing a completion; then the mark and the hold's progress.
  struct Case {
    const char* name;
    void (*set)(PracticeState&);
    const wchar_t* drawn;
  };
  const Case cases[] = {
      {"nothing aims", [](PracticeState&) {}, L"399,199 26 | • 26 | 0.4"},
      {"aimed inside", [](PracticeState& s) { s.pointerValid = true, s.pointer = {0.52f, 0.4f}; },
       L"399,199 26~ | • 26 | 0.4"},
      {"aimed beside", [](PracticeState& s) { s.pointerValid = true, s.pointer = {0.6f, 0.6f}; },
       L"399,199 26 427,250 9~ | • 26 | 0.4"},
      {"grabbed", [](PracticeState& s) { s.grabbed = true; }, L"399,199 26 | Drop 14 | 0.4"},
      {"hit, pausing", [](PracticeState& s) {
         s.targetIndex = 1, s.result = PracticeResult::Hit, s.resultTime = 49'650;
         s.resultShownUntil = s.successPauseUntil = 50'750;
       }, L"399,199 26+0.5 | 0.4"},
      {"hit played out", [](PracticeState& s) {
         s.result = PracticeResult::Hit, s.resultTime = 49'000, s.resultShownUntil = s.successPauseUntil = 50'001;
       }, L"399,199 26+1 | 0.4"},
      {"hit shown no more", [](PracticeState& s) {
         s.targetIndex = 1, s.result = PracticeResult::Hit, s.resultShownUntil = 50'000;
       },
       L"358,225 26 | • 26 | 0.4"},
      {"resting", [](PracticeState& s) { s.stepIndex = 1, s.restProgress = 0.7f; }, L"399,199 26~ | 0.7"},
      {"rested", [](PracticeState& s) { s.stepIndex = 1, s.restProgress = 1.0f; }, L"399,199 26~ | 1 done"},
  };
  for (const Case& c : cases) {
    PracticeState state;
    state.hasSteps = true;
    state.stepCount = 1;
    state.output.progress = 0.4f;
    c.set(state);
    const PracticeScene scene = practiceScene(state, previewRect(640, 480), ReachRect{}, 50'000);
    std::wostringstream drawn;
    for (int i = 0; i < scene.circleCount; ++i) {
      const SceneCircle& circle = scene.circles[static_cast<std::size_t>(i)];
      drawn << (i ? L" " : L"") << circle.centre.x << L"," << circle.centre.y << L" " << circle.radius
            << (circle.animated ? L"~" : L"");
      if (circle.drawing.completed) drawn << L"+" << circle.drawing.t;
    }
    if (scene.mark) drawn << L" | " << scene.mark << L" " << scene.markHeight;
    drawn << L" | " << scene.hold.progress << (scene.hold.completed ? L" done" : L"");
    EXPECT_EQ(drawn.str(), c.drawn) << c.name;
  }
  EXPECT_EQ(practiceTargetRadius(previewRect(640, 480), {0.5f, 0.5f, 0.51f, 0.9f}), 1) << "never below one";
}

}  // namespace
}  // namespace vel
