// The smoke report's text and verdict from the facts the main window gathers.
#include "app/smoke_report.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

namespace vel {
namespace {

SmokeFacts healthy() {
  SmokeFacts f;
  f.trackerReady = f.startAvailable = f.hotkeyRegistered = f.mouseHookPresent = true;
  f.memory = SmokeMemory{61'440'000, 98'304'000};
  for (int i = 0; i < 6; ++i) f.pages[i] = {i % 3, i >= 3, 5 + 4 * (i % 3) + (i == 4), true, true};
  f.guideSheetsDecoded = f.learningWindowsAbsent = f.gesturesValid = f.overlaysPresent = true;
  f.modelStartupWaitMs = 734;
  return f;
}

std::pair<std::string, int> write(const SmokeFacts& facts) {
  std::ostringstream report;
  report << std::boolalpha;  // whatever the stream held, flags read 1 and 0
  const int exitCode = writeSmokeReport(report, facts);
  return {report.str(), exitCode};
}

TEST(SmokeReport, HealthyFactsGiveEveryLineInOrderAndPass) {
  EXPECT_EQ(write(healthy()),
            (std::pair<std::string, int>{
                "Native window created: yes\nLocal models initialized: 1\nCamera off: 1\nDesktop control off: 1\n"
                "Start control available without preview: 1\nPause hotkey registered: 1\n"
                "Physical mouse hook registered: 1\nWorking set bytes: 61440000\nPeak working set bytes: 98304000\n"
                "Home (automatic) visible controls: 5\nGeneral (automatic) visible controls: 9\n"
                "Gestures (automatic) visible controls: 13\nHome (fixed) visible controls: 5\n"
                "General (fixed) visible controls: 10\nGestures (fixed) visible controls: 13\n"
                "Page visibility and hidden settings: 1\nAll visible controls within client bounds on all pages: 1\n"
                "All gesture image sheets decoded: 1 (4 sheets, 6 assignable poses)\n"
                "Inline practice with no learning windows: 1\nGesture catalog valid: 1\n"
                "Transparent filling circle and guidance created (no toolbar): 1\nModel startup wait ms: 734\n"
                "Result: PASS\n",
                0}));
}

TEST(SmokeReport, EachConditionFailsTheRunAloneAndTheOthersDoNot) {
  const std::function<void(SmokeFacts&)> failing[] = {
      [](SmokeFacts& f) { f.trackerReady = false; },      [](SmokeFacts& f) { f.cameraRunning = true; },
      [](SmokeFacts& f) { f.controlEnabled = true; },     [](SmokeFacts& f) { f.startRequestPending = true; },
      [](SmokeFacts& f) { f.startAvailable = false; },    [](SmokeFacts& f) { f.hotkeyRegistered = false; },
      [](SmokeFacts& f) { f.mouseHookPresent = false; },  [](SmokeFacts& f) { f.pages[4].visibilityCorrect = false; },
      [](SmokeFacts& f) { f.pages[2].withinClient = false; }, [](SmokeFacts& f) { f.guideSheetsDecoded = false; },
      [](SmokeFacts& f) { f.gesturesValid = false; },     [](SmokeFacts& f) { f.overlaysPresent = false; },
  };
  for (std::size_t i = 0; i < std::size(failing); ++i) {
    SmokeFacts facts = healthy();
    failing[i](facts);
    const auto [report, exitCode] = write(facts);
    EXPECT_EQ(exitCode, 2) << "condition " << i;
    EXPECT_TRUE(report.ends_with("\nResult: FAIL\n")) << report;
  }

  SmokeFacts facts = healthy();
  facts.memory.reset();
  facts.learningWindowsAbsent = false;
  facts.appError = L"Tracker unavailable: models \u2014 \u201chand.onnx\u201d\u0080\u007f";
  const auto [report, exitCode] = write(facts);
  EXPECT_EQ(exitCode, 0);
  EXPECT_NE(report.find("hook registered: 1\nHome (automatic)"), std::string::npos) << report;
  EXPECT_NE(report.find("\nInline practice with no learning windows: 0\n"), std::string::npos);
  EXPECT_TRUE(report.ends_with("734\nApp error: Tracker unavailable: models ? ?hand.onnx??\x7f\nResult: PASS\n")) << report;
}

}  // namespace
}  // namespace vel
