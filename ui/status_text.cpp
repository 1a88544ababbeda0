// Text choices of the main window.
#include "ui/status_text.h"

#include "control/actions.h"
#include "ui/overlay_layout.h"

namespace vel {
namespace {

constexpr std::int64_t kStaleTrackingMs = 1201;
constexpr int kAdjustmentSteps = 5;

}  // namespace

const std::wstring& shownStatus(const ControlOutput& snapshot) {
  return snapshot.feedbackText.empty() ? snapshot.status : snapshot.feedbackText;
}

std::wstring_view headerError(const PaintFacts& facts) {
  if (!facts.cameraError.empty()) return facts.cameraError;
  if (!facts.appError.empty()) return facts.appError;
  if (!facts.safetyReady) {
    return L"Safety shortcut or mouse hook unavailable. Free Ctrl+Alt+Space, then restart Velmora. "
           L"Control remains disabled.";
  }
  return {};
}

std::wstring statusPillText(const PaintFacts& facts) {
  if (!facts.practiceActive) {
    if (facts.gateEnabled) return L"●  Control on";
    if (facts.startPending) return L"●  Starting…";
    return facts.cameraRunning ? L"Camera on · Control paused" : L"Camera off";
  }
  const PracticeState& practice = facts.practice;
  if (!practice.hasSteps) return L"Practice · " + std::to_wstring(practice.handHits) + L" hand hits";
  if (practice.complete) return L"Practice complete";
  // The rest step counts past the steps: with two, it reads "Practice 3/2 · Rest".
  const wchar_t* step = practice.inRestStep() ? L"Rest" : actionInfo(practice.currentAction).label;
  return L"Practice " + std::to_wstring(practice.stepIndex + 1) + L"/" + std::to_wstring(practice.stepCount) +
         L" · " + step;
}

std::wstring statusLineText(const PaintFacts& facts) {
  const ControlOutput& snapshot = facts.snapshot;
  std::wstring text;
  if (facts.cameraRunning) {
    text = facts.gateEnabled && facts.mousePriority ? L"Mouse takes priority — wait a moment" : shownStatus(snapshot);
  }

  if (facts.adjustmentId != 0 && snapshot.adjustment.runId == facts.adjustmentId) {
    if (!snapshot.needsGuidance) {
      text = L"Step " + std::to_wstring(snapshot.adjustment.step + 1) + L" of " + std::to_wstring(kAdjustmentSteps) +
             L" · " + snapshot.adjustment.message;
    }
  } else if (!facts.notice.empty()) {
    text = facts.notice;
  } else if (facts.practiceActive && facts.practice.hasSteps && !asksForGuidance(snapshot)) {
    text = facts.practicePrompt;
  }

  if (facts.startPending) {
    text = facts.trackerReady ? L"Starting camera — waiting for a fresh frame…"
                              : L"Loading local tracker — please wait…";
  } else if (facts.cameraRunning && facts.frameArrived && facts.snapshotAgeMs >= kStaleTrackingMs) {
    text = L"Waiting for fresh tracking — pointer held";
  }

  const std::wstring_view error = headerError(facts);
  if (!error.empty()) text = error;
  return text;
}

PreviewTexts previewTexts(const PaintFacts& facts) {
  if (facts.cameraRunning && facts.frameArrived && facts.previewEnabled) return {};
  return {facts.startPending ? L"Starting camera…" : L"See your hand here",
          L"Choose Practice to try a gesture safely."};
}

const wchar_t* gesturesHeader(const PaintFacts& facts) {
  return facts.practiceActive ? L"Practice gestures" : L"Your gestures";
}

}  // namespace vel
