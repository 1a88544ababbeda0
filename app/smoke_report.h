// The "--smoke-test" report: the facts the hidden main window gathers, written in a fixed order,
// and the verdict drawn from them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

namespace vel {

// One pass of the page check: a page shown under one distance mode.
struct SmokePagePass {
  int page = 0;  // 0 Home, 1 General, 2 Gestures
  bool fixedDistance = false;  // DistanceMode 1
  int visibleControls = 0;
  bool visibilityCorrect = false;  // every row of the control table as declared, and the count too
  bool withinClient = false;       // every visible control inside the client rectangle
};

struct SmokeMemory {
  std::uint64_t workingSet = 0;
  std::uint64_t peakWorkingSet = 0;
};

// Gathered on the main window's thread once the models are ready or 60 s have passed.
struct SmokeFacts {
  bool trackerReady = false;
  bool cameraRunning = false;
  bool controlEnabled = false;  // the input gate's enabled flag, read under the gate lock
  bool startRequestPending = false;
  bool startAvailable = false;  // button 101 enabled and reading "Start control"
  bool hotkeyRegistered = false;
  bool mouseHookPresent = false;
  std::optional<SmokeMemory> memory;  // none when the process counters could not be read
  // DistanceMode 0 then 1, and within each Home, General, Gestures.
  std::array<SmokePagePass, 6> pages{};
  bool guideSheetsDecoded = false;     // all four sheets hold pixels
  bool learningWindowsAbsent = false;  // no top-level "VelmoraLearning" window
  bool gesturesValid = false;
  bool overlaysPresent = false;  // all three overlay windows exist
  std::uint64_t modelStartupWaitMs = 0;
  std::wstring appError;  // read under the snapshot lock; empty for none
};

// Writes every line of the report and "Result: PASS" or "Result: FAIL"; returns the process exit
// code, 0 for PASS and 2 for FAIL. The memory and learning-window lines take no part in the result.
int writeSmokeReport(std::ostream& report, const SmokeFacts& facts);

}  // namespace vel
