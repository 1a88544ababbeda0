// The smoke test's facts, read from the live window and state.
#include "ui/smoke_test_win.h"

#include <psapi.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <mutex>

#include "app/smoke_report.h"

namespace vel {
namespace {

// The models normally load in about a second; a report comes at the latest after this.
constexpr std::int64_t kModelWaitMs = 60000;

// One page under one distance mode: every row's real visibility against the declared one, and
// every visible control inside the client area. The window is hidden, so the style bit counts.
SmokePagePass checkPage(WindowsApp& app, int page, bool fixedDistance) {
  {
    std::lock_guard lock(app.state.shared.lock);
    app.state.shared.settings.DistanceMode = fixedDistance ? 1 : 0;
  }
  app.controller.showPage(page);
  refreshControls(app);
  RECT client{};
  GetClientRect(app.window, &client);
  SmokePagePass pass{page, fixedDistance, 0, true, true};
  int declared = 0;
  for (const ControlRow& row : kControls) {
    const bool expected = app.controller.isControlVisible(row);
    declared += expected ? 1 : 0;
    HWND control = GetDlgItem(app.window, row.id);
    const bool visible = control != nullptr && (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0;
    if (control == nullptr || visible != expected) pass.visibilityCorrect = false;
    if (!visible) continue;
    ++pass.visibleControls;
    RECT box{};
    GetWindowRect(control, &box);
    MapWindowPoints(nullptr, app.window, reinterpret_cast<POINT*>(&box), 2);
    if (box.left < 0 || box.top < 0 || box.right > client.right || box.bottom > client.bottom) {
      pass.withinClient = false;
    }
  }
  if (pass.visibleControls != declared) pass.visibilityCorrect = false;
  return pass;
}

SmokeFacts gatherFacts(WindowsApp& app, std::int64_t now) {
  SmokeFacts facts;
  AppState& state = app.state;
  facts.trackerReady = state.flags.trackerReady;
  facts.cameraRunning = state.camera->running();
  facts.controlEnabled = state.gate.enabled();
  facts.startRequestPending = state.startRequest != StartRequest::None;
  std::array<wchar_t, 64> startText{};
  HWND start = GetDlgItem(app.window, kIdStart);
  GetWindowTextW(start, startText.data(), static_cast<int>(startText.size()));
  facts.startAvailable = IsWindowEnabled(start) && std::wstring_view(startText.data()) == L"Start control";
  facts.hotkeyRegistered = app.hotkeyRegistered;
  facts.mouseHookPresent = app.hook != nullptr;
  PROCESS_MEMORY_COUNTERS memory{};
  if (K32GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory)) {
    facts.memory = SmokeMemory{memory.WorkingSetSize, memory.PeakWorkingSetSize};
  }

  std::int32_t distanceMode = 0;
  {
    std::lock_guard lock(state.shared.lock);
    distanceMode = state.shared.settings.DistanceMode;
  }
  std::size_t pass = 0;
  for (const bool fixed : {false, true}) {
    for (const int page : {kPageHome, kPageGeneral, kPageGestures}) facts.pages[pass++] = checkPage(app, page, fixed);
  }
  {
    std::lock_guard lock(state.shared.lock);
    state.shared.settings.DistanceMode = distanceMode;
  }
  app.controller.showPage(kPageHome);
  refreshControls(app);

  facts.guideSheetsDecoded = std::all_of(state.guideImages.begin(), state.guideImages.end(),
                                         [](const GuideSheet& sheet) { return !sheet.pixels.empty(); });
  facts.learningWindowsAbsent = FindWindowW(L"VelmoraLearning", nullptr) == nullptr;
  facts.overlaysPresent = app.overlays.allExist();
  facts.modelStartupWaitMs = static_cast<std::uint64_t>(now - static_cast<std::int64_t>(app.smokeStart));
  std::lock_guard lock(state.shared.lock);
  facts.gesturesValid = gesturesValid(state.shared.settings.gestures);
  facts.appError = state.shared.appError;
  return facts;
}

}  // namespace

bool smokeTestTick(WindowsApp& app, std::int64_t now) {
  if (!app.state.flags.trackerReady && now - static_cast<std::int64_t>(app.smokeStart) <= kModelWaitMs) return false;
  const SmokeFacts facts = gatherFacts(app, now);
  std::ofstream report(std::filesystem::path(app.smokeReport), std::ios::binary | std::ios::trunc);
  app.exitCode = writeSmokeReport(report, facts);
  report.close();
  app.smokeReport.clear();  // written once
  SendMessageW(app.window, WM_CLOSE, 0, 0);
  return true;
}

}  // namespace vel
