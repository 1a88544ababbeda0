// The main window's status line chosen from what a paint copied: its rules in order, the last
// being the header's error line.
#include "ui/status_text.h"

#include <gtest/gtest.h>

namespace vel {
namespace {

using Change = void (*)(PaintFacts&);

void practising(PaintFacts& f) {  // the first step of two, Click
  std::tie(f.practiceActive, f.practice.hasSteps, f.practice.stepCount, f.practice.currentAction, f.practicePrompt) =
      std::tuple(true, true, 2, kActionClick, L"Hold to click");
}

void adjusting(PaintFacts& f) {
  std::tie(f.adjustmentId, f.snapshot.adjustment.runId, f.snapshot.adjustment.step) = std::tuple(7u, 7u, 2);
  std::tie(f.snapshot.adjustment.message, f.notice) = std::tuple(L"Move right.", L"unseen");
}

// Every safety part in place; with `tracking`, the camera on with a fresh snapshot reading "Point".
PaintFacts facts(bool tracking, Change change) {
  PaintFacts f;
  std::tie(f.safetyReady, f.cameraRunning, f.frameArrived) = std::tuple(true, tracking, tracking);
  f.snapshot.feedbackText = tracking ? L"Point" : L"";
  change(f);
  return f;
}

TEST(StatusText, StatusLineRulesApplyInOrder) {
  const std::tuple<bool, Change, std::wstring> cases[] = {
      {true, [](PaintFacts& f) { f.snapshot.feedbackText.clear(); }, L"Show one hand to the camera"},
      {true, [](PaintFacts& f) { f.gateEnabled = f.mousePriority = true; }, L"Mouse takes priority — wait a moment"},
      {true, [](PaintFacts& f) { f.mousePriority = true; }, L"Point"},  // control is off
      {true, adjusting, L"Step 3 of 5 · Move right."},
      {true, [](PaintFacts& f) { adjusting(f), f.snapshot.needsGuidance = true; }, L"Point"},
      {true, [](PaintFacts& f) { adjusting(f), f.adjustmentId = 8; }, L"unseen"},  // another run's snapshot
      {true, practising, L"Hold to click"},
      {true, [](PaintFacts& f) { practising(f), f.snapshot.feedbackFlag = true; }, L"Point"},  // asks for guidance
      {true, [](PaintFacts& f) { practising(f), f.practice.hasSteps = false; }, L"Point"},
      {true, [](PaintFacts& f) { f.snapshotAgeMs = 1200; }, L"Point"},
      {true, [](PaintFacts& f) { f.snapshotAgeMs = 1201; }, L"Waiting for fresh tracking — pointer held"},
      {true, [](PaintFacts& f) { f.snapshotAgeMs = 1201, f.frameArrived = false; }, L"Point"},
      {true, [](PaintFacts& f) { f.startPending = f.trackerReady = true; },
       L"Starting camera — waiting for a fresh frame…"},
      {true, [](PaintFacts& f) { f.safetyReady = false; },
       L"Safety shortcut or mouse hook unavailable. Free Ctrl+Alt+Space, then restart Velmora. Control remains "
       L"disabled."},
      {true, [](PaintFacts& f) { f.safetyReady = false, f.appError = L"App"; }, L"App"},
      {true, [](PaintFacts& f) { f.appError = L"App", f.cameraError = L"Camera"; }, L"Camera"},
      {false, [](PaintFacts&) {}, L""},  // no camera
      {false, [](PaintFacts& f) { f.startPending = true; }, L"Loading local tracker — please wait…"},
  };
  for (const auto& [tracking, change, line] : cases) EXPECT_EQ(statusLineText(facts(tracking, change)), line);
}

TEST(StatusText, StatusPillOutsideAndInPractice) {
  const std::tuple<bool, Change, std::wstring> cases[] = {
      {false, [](PaintFacts&) {}, L"Camera off"},
      {true, [](PaintFacts&) {}, L"Camera on · Control paused"},
      {true, [](PaintFacts& f) { f.startPending = true; }, L"●  Starting…"},
      {true, [](PaintFacts& f) { f.gateEnabled = f.startPending = true; }, L"●  Control on"},
      {true, practising, L"Practice 1/2 · Click"},
      {true, [](PaintFacts& f) { practising(f), f.practice.stepIndex = 2; }, L"Practice 3/2 · Rest"},
      {true, [](PaintFacts& f) { practising(f), f.practice.complete = true; }, L"Practice complete"},
      {true, [](PaintFacts& f) { practising(f), f.practice.hasSteps = false, f.practice.handHits = 4; },
       L"Practice · 4 hand hits"},
  };
  for (const auto& [tracking, change, pill] : cases) EXPECT_EQ(statusPillText(facts(tracking, change)), pill);
}

}  // namespace
}  // namespace vel
