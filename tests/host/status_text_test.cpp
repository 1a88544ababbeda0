// The main window's texts chosen from what a paint copied: the status line's rules in order (its
// last rule is the header's error line), the status pill, the preview texts and the gestures
// header.
#include "ui/status_text.h"

#include <gtest/gtest.h>

#include <string>

namespace vel {
namespace {

using Change = void (*)(PaintFacts&);

// Camera off and nothing pending, every safety part in place; `change` then applies.
PaintFacts idle(Change change = [](PaintFacts&) {}) {
  PaintFacts facts;
  facts.safetyReady = true;
  change(facts);
  return facts;
}

// The camera on with a fresh snapshot whose steadied text is "Point".
void tracking(PaintFacts& f) {
  f.cameraRunning = f.frameArrived = true;
  f.snapshot.feedbackText = L"Point";
}

// Practice on its first step of two, Click.
void practising(PaintFacts& f) {
  f.practiceActive = f.practice.hasSteps = true;
  f.practice.stepCount = 2;
  f.practice.currentAction = kActionClick;
  f.practicePrompt = L"Hold to click";
}

void adjusting(PaintFacts& f) {
  f.adjustmentId = f.snapshot.adjustment.runId = 7;
  f.snapshot.adjustment.step = 2;
  f.snapshot.adjustment.message = L"Move right.";
  f.notice = L"unseen";
}

TEST(StatusText, StatusLineRulesApplyInOrder) {
  const std::pair<Change, std::wstring> onTracking[] = {
      {[](PaintFacts&) {}, L"Point"},
      {[](PaintFacts& f) { f.snapshot.feedbackText.clear(); }, L"Show one hand to the camera"},
      {[](PaintFacts& f) { f.gateEnabled = f.mousePriority = true; }, L"Mouse takes priority — wait a moment"},
      {[](PaintFacts& f) { f.mousePriority = true; }, L"Point"},  // control is off
      {adjusting, L"Step 3 of 5 · Move right."},
      {[](PaintFacts& f) { adjusting(f); f.snapshot.needsGuidance = true; }, L"Point"},
      {[](PaintFacts& f) { adjusting(f); f.adjustmentId = 8; }, L"unseen"},  // another run's snapshot
      {practising, L"Hold to click"},
      {[](PaintFacts& f) { practising(f); f.snapshot.feedbackFlag = true; }, L"Point"},  // asks for guidance
      {[](PaintFacts& f) { practising(f); f.practice.hasSteps = false; }, L"Point"},
      {[](PaintFacts& f) { f.snapshotAgeMs = 1200; }, L"Point"},
      {[](PaintFacts& f) { f.snapshotAgeMs = 1201; }, L"Waiting for fresh tracking — pointer held"},
      {[](PaintFacts& f) { f.snapshotAgeMs = 1201; f.frameArrived = false; }, L"Point"},
      {[](PaintFacts& f) { f.startPending = f.trackerReady = true; }, L"Starting camera — waiting for a fresh frame…"},
      {[](PaintFacts& f) { f.startPending = true; f.appError = L"Tracker unavailable"; }, L"Tracker unavailable"},
      {[](PaintFacts& f) { f.safetyReady = false; },
       L"Safety shortcut or mouse hook unavailable. Free Ctrl+Alt+Space, then restart Velmora. Control remains disabled."},
      {[](PaintFacts& f) { f.safetyReady = false; f.appError = L"App"; }, L"App"},
      {[](PaintFacts& f) { f.appError = L"App"; f.cameraError = L"Camera"; }, L"Camera"},
  };
  for (const auto& [change, line] : onTracking) {
    PaintFacts facts = idle(tracking);
    change(facts);
    EXPECT_EQ(statusLineText(facts), line);
  }
  EXPECT_EQ(statusLineText(idle()), L"") << "no camera";
  EXPECT_EQ(statusLineText(idle([](PaintFacts& f) { f.notice = L"Saved"; })), L"Saved");
  EXPECT_EQ(statusLineText(idle([](PaintFacts& f) { f.startPending = true; })), L"Loading local tracker — please wait…");
}

TEST(StatusText, PillTellsTheStateOrThePracticeStep) {
  const std::pair<Change, std::wstring> cases[] = {
      {[](PaintFacts&) {}, L"Camera off"},
      {[](PaintFacts& f) { f.cameraRunning = true; }, L"Camera on · Control paused"},
      {[](PaintFacts& f) { f.cameraRunning = f.startPending = true; }, L"●  Starting…"},
      {[](PaintFacts& f) { f.startPending = f.gateEnabled = true; }, L"●  Control on"},
      {practising, L"Practice 1/2 · Click"},
      {[](PaintFacts& f) { practising(f); f.practice.stepIndex = 2; }, L"Practice 3/2 · Rest"},
      {[](PaintFacts& f) { practising(f); f.practice.complete = true; }, L"Practice complete"},
      {[](PaintFacts& f) { practising(f); f.practice.hasSteps = false; f.practice.handHits = 3; },
       L"Practice · 3 hand hits"},
  };
  for (const auto& [change, pill] : cases) EXPECT_EQ(statusPillText(idle(change)), pill);
}

TEST(StatusText, PreviewTextsShowUntilThePictureDoes) {
  PaintFacts facts = idle();
  EXPECT_EQ(std::tuple(std::wstring(previewTexts(facts).title), std::wstring(previewTexts(facts).hint),
                       std::wstring(gesturesHeader(facts))),
            std::tuple(L"See your hand here", L"Choose Practice to try a gesture safely.", L"Your gestures"));
  facts.startPending = facts.cameraRunning = facts.practiceActive = true;
  EXPECT_EQ(std::tuple(std::wstring(previewTexts(facts).title), std::wstring(gesturesHeader(facts))),
            std::tuple(L"Starting camera…", L"Practice gestures"))
      << "no frame yet";
  facts.frameArrived = true;
  EXPECT_EQ(previewTexts(facts).title, nullptr);
  facts.previewEnabled = false;
  EXPECT_NE(previewTexts(facts).title, nullptr);
}

}  // namespace
}  // namespace vel
