// The smoke report's text and verdict from the facts the main window gathers.
#include "app/smoke_report.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

namespace vel {
namespace {

SmokeFacts healthy() {
  SmokeFacts facts;
  facts.trackerReady = true;
  facts.startAvailable = true;
  facts.hotkeyRegistered = true;
  facts.mouseHookPresent = true;
  facts.memory = SmokeMemory{61'440'000, 98'304'000};
  const int visible[3] = {5, 9, 14};
  for (std::size_t i = 0; i < facts.pages.size(); ++i) {
    facts.pages[i] = {static_cast<int>(i % 3), i >= 3, visible[i % 3] + (i >= 3 && i % 3 == 1 ? 1 : 0), true, true};
  }
  facts.guideSheetsDecoded = true;
  facts.learningWindowsAbsent = true;
  facts.gesturesValid = true;
  facts.overlaysPresent = true;
  facts.modelStartupWaitMs = 734;
  return facts;
}

std::pair<std::string, int> write(const SmokeFacts& facts) {
  std::ostringstream report;
  report << std::boolalpha;  // whatever the stream held, flags read 1 and 0
  const int exitCode = writeSmokeReport(report, facts);
  return {report.str(), exitCode};
}

TEST(SmokeReport, HealthyFactsGiveEveryLineInOrderAndPass) {
  EXPECT_EQ(write(healthy()), (std::pair<std::string, int>{"Native window created: yes\n"
                                                           "Local models initialized: 1\n"
                                                           "Camera off: 1\n"
                                                           "Desktop control off: 1\n"
                                                           "Start control available without preview: 1\n"
                                                           "Pause hotkey registered: 1\n"
                                                           "Physical mouse hook registered: 1\n"
                                                           "Working set bytes: 61440000\n"
                                                           "Peak working set bytes: 98304000\n"
                                                           "Home (automatic) visible controls: 5\n"
                                                           "General (automatic) visible controls: 9\n"
                                                           "Gestures (automatic) visible controls: 14\n"
                                                           "Home (fixed) visible controls: 5\n"
                                                           "General (fixed) visible controls: 10\n"
                                                           "Gestures (fixed) visible controls: 14\n"
                                                           "Page visibility and hidden settings: 1\n"
                                                           "All visible controls within client bounds on all pages: 1\n"
                                                           "All gesture image sheets decoded: 1 (4 sheets, 6 assignable poses)\n"
                                                           "Inline practice with no learning windows: 1\n"
                                                           "Gesture catalog valid: 1\n"
                                                           "Transparent filling circle and guidance created (no toolbar): 1\n"
                                                           "Model startup wait ms: 734\n"
                                                           "Result: PASS\n",
                                                           0}));
}

TEST(SmokeReport, EachConditionOfThePassFailsTheRunAlone) {
  const struct {
    const char* name;
    std::function<void(SmokeFacts&)> spoil;
    const char* line;  // the report line that shows it
  } cases[] = {
      {"models not ready", [](SmokeFacts& f) { f.trackerReady = false; }, "Local models initialized: 0\n"},
      {"camera running", [](SmokeFacts& f) { f.cameraRunning = true; }, "Camera off: 0\n"},
      {"control enabled", [](SmokeFacts& f) { f.controlEnabled = true; }, "Desktop control off: 0\n"},
      {"start request pending", [](SmokeFacts& f) { f.startRequestPending = true; }, "Result: FAIL\n"},
      {"start unavailable", [](SmokeFacts& f) { f.startAvailable = false; }, "without preview: 0\n"},
      {"no hotkey", [](SmokeFacts& f) { f.hotkeyRegistered = false; }, "Pause hotkey registered: 0\n"},
      {"no hook", [](SmokeFacts& f) { f.mouseHookPresent = false; }, "mouse hook registered: 0\n"},
      {"one page wrong", [](SmokeFacts& f) { f.pages[4].visibilityCorrect = false; }, "hidden settings: 0\n"},
      {"one page outside", [](SmokeFacts& f) { f.pages[2].withinClient = false; }, "on all pages: 0\n"},
      {"sheets missing", [](SmokeFacts& f) { f.guideSheetsDecoded = false; }, "decoded: 0 (4 sheets"},
      {"catalog invalid", [](SmokeFacts& f) { f.gesturesValid = false; }, "Gesture catalog valid: 0\n"},
      {"no overlays", [](SmokeFacts& f) { f.overlaysPresent = false; }, "(no toolbar): 0\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SmokeFacts facts = healthy();
    c.spoil(facts);
    const auto [report, exitCode] = write(facts);
    EXPECT_EQ(exitCode, 2);
    EXPECT_TRUE(report.ends_with("Result: FAIL\n"));
    EXPECT_NE(report.find(c.line), std::string::npos) << report;
  }
}

TEST(SmokeReport, InformationalLinesDoNotDecideAndTheAppErrorIsAscii) {
  SmokeFacts facts = healthy();
  facts.memory.reset();
  facts.learningWindowsAbsent = false;
  facts.appError = L"Tracker unavailable: models \u2014 \u201chand.onnx\u201d \u2713";
  const auto [report, exitCode] = write(facts);
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(report.find("Working set"), std::string::npos);
  EXPECT_NE(report.find("Physical mouse hook registered: 1\nHome (automatic)"), std::string::npos) << report;
  EXPECT_NE(report.find("Inline practice with no learning windows: 0\n"), std::string::npos);
  EXPECT_TRUE(report.ends_with("Model startup wait ms: 734\n"
                               "App error: Tracker unavailable: models ? ?hand.onnx? ?\n"
                               "Result: PASS\n"))
      << report;
}

}  // namespace
}  // namespace vel
