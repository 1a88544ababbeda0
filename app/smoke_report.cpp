// Smoke report text and verdict.
#include "app/smoke_report.h"

#include <algorithm>

#include "app/report_format.h"

namespace vel {
namespace {

const char* pageName(int page) {
  static constexpr const char* kNames[] = {"Home", "General", "Gestures"};
  return page >= 0 && page < 3 ? kNames[page] : "?";
}

// Reports are narrow ASCII: every UTF-16 unit outside it becomes '?'.
void writeAscii(std::ostream& report, const std::wstring& text) {
  for (const wchar_t unit : text) report << (static_cast<std::uint32_t>(unit) < 128 ? static_cast<char>(unit) : '?');
}

}  // namespace

int writeSmokeReport(std::ostream& report, const SmokeFacts& facts) {
  useReportFormat(report);
  report << "Native window created: yes\nLocal models initialized: " << facts.trackerReady
         << "\nCamera off: " << !facts.cameraRunning << "\nDesktop control off: " << !facts.controlEnabled
         << "\nStart control available without preview: " << facts.startAvailable
         << "\nPause hotkey registered: " << facts.hotkeyRegistered
         << "\nPhysical mouse hook registered: " << facts.mouseHookPresent << "\n";
  if (facts.memory) {
    report << "Working set bytes: " << facts.memory->workingSet
           << "\nPeak working set bytes: " << facts.memory->peakWorkingSet << "\n";
  }
  for (const SmokePagePass& pass : facts.pages) {
    report << pageName(pass.page) << (pass.fixedDistance ? " (fixed)" : " (automatic)")
           << " visible controls: " << pass.visibleControls << "\n";
  }
  const auto all = [&](bool SmokePagePass::*check) {
    return std::all_of(facts.pages.begin(), facts.pages.end(), [&](const SmokePagePass& pass) { return pass.*check; });
  };
  const bool visibility = all(&SmokePagePass::visibilityCorrect);
  const bool bounds = all(&SmokePagePass::withinClient);
  report << "Page visibility and hidden settings: " << visibility
         << "\nAll visible controls within client bounds on all pages: " << bounds
         << "\nAll gesture image sheets decoded: " << facts.guideSheetsDecoded << " (4 sheets, 6 assignable poses)"
         << "\nInline practice with no learning windows: " << facts.learningWindowsAbsent
         << "\nGesture catalog valid: " << facts.gesturesValid
         << "\nTransparent filling circle and guidance created (no toolbar): " << facts.overlaysPresent
         << "\nModel startup wait ms: " << facts.modelStartupWaitMs << "\n";
  if (!facts.appError.empty()) {
    report << "App error: ";
    writeAscii(report, facts.appError);
    report << "\n";
  }

  const bool controlIdle = !facts.cameraRunning && !facts.controlEnabled && !facts.startRequestPending;
  const bool pass = controlIdle && facts.trackerReady && facts.startAvailable && visibility && bounds &&
                    facts.hotkeyRegistered && facts.mouseHookPresent && facts.guideSheetsDecoded &&
                    facts.overlaysPresent && facts.gesturesValid;
  report << "Result: " << (pass ? "PASS" : "FAIL") << "\n";
  return pass ? 0 : 2;
}

}  // namespace vel
