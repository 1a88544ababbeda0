// The main window controller: start requests, stops, pages, control states, the UI tick and the
// commands. The snapshot lock is held only to read or write what it guards, and is the outer
// lock wherever the gate or practice lock is also needed.
#include "ui/main_controller.h"

#include <algorithm>
#include <mutex>

#include "app/display.h"
#include "control/poses.h"
#include "ui/preview_geometry.h"
#include "ui/settings_pages.h"

namespace vel {

// Everything visibility, texts and enables depend on, read once per decision.
struct MainController::Facts {
  bool cameraRunning;
  bool gateEnabled;
  std::uint64_t adjustmentId;
  std::int32_t distanceMode;
  Gestures gestures;
};

MainController::Facts MainController::facts() const {
  const bool cameraRunning = app_.camera->running();
  const bool gateEnabled = app_.gate.enabled();
  std::lock_guard lock(app_.shared.lock);
  const Settings& s = app_.shared.settings;
  return {cameraRunning, gateEnabled, s.adjustmentId, s.DistanceMode, s.gestures};
}

ChoiceLists MainController::prepareChoices() {
  ChoiceLists lists;
  for (const CameraDevice& device : app_.cameras) lists.cameraItems.push_back(device.name);
  if (app_.cameras.empty()) lists.cameraItems.emplace_back(kNoCameraItem);
  const DisplaySetup& setup = app_.displays;
  lists.displayItems = displayChoiceItems(setup.displays);

  std::lock_guard lock(app_.shared.lock);
  Settings& s = app_.shared.settings;
  s.Camera = clampCameraIndex(s.Camera, app_.cameras.size());
  const bool sameSetup = !app_.cameras.empty() &&
                         app_.reachCamera == app_.cameras[static_cast<std::size_t>(s.Camera)].deviceId &&
                         app_.reachMirror == s.Mirror;
  if (!sameSetup) resetCalibration(s);
  lists.camera = s.Camera;
  lists.display = clampDisplaySelection(s, setup.displays.size());
  applyDisplaySelection(s, setup.displays, setup.screen, setup.systemDpi, app_.gate);
  lists.mirror = s.Mirror;
  lists.reference = s.GestureReference;
  lists.cursorFeel = s.PointerFeel;
  lists.clickWait = clickWaitItem(s.ClickWait);
  s.ClickWait = kClickWaitOptions[static_cast<std::size_t>(lists.clickWait)].milliseconds;
  lists.distance = s.DistanceMode;
  return lists;
}

void MainController::setSafetyParts(SafetyParts parts) {
  app_.safety = parts;
  // The second text is the one that stays when both parts are missing.
  if (!parts.overlays) setAppError(kOverlaysError);
  if (!parts.hotkey || !parts.hook) setAppError(kSafetyPartsError);
}

void MainController::setAppError(const wchar_t* text) {
  std::lock_guard lock(app_.shared.lock);
  app_.shared.appError = text;
}

void MainController::clearNotice() {
  std::lock_guard lock(app_.shared.lock);
  app_.shared.notice.clear();
}

void MainController::stopActivity() {
  app_.startRequest = StartRequest::None;
  app_.gate.setEnabled(false);
  app_.practiceActive = false;
  app_.practice.resetPractice();
  app_.previewCircle = {};
  std::lock_guard lock(app_.shared.lock);
  app_.shared.settings.adjustmentId = 0;
}

void MainController::stopCamera() {
  stopActivity();
  app_.camera->stop();
  std::lock_guard lock(app_.shared.lock);
  app_.shared.frame.reset();
  app_.shared.output = ControlOutput{};
}

bool MainController::startCamera() {
  if (app_.camera->running()) return true;
  const int camera = [this] {
    std::lock_guard lock(app_.shared.lock);
    return app_.shared.settings.Camera;
  }();
  if (camera < 0 || static_cast<std::size_t>(camera) >= app_.cameras.size()) {
    setAppError(kNoCameraError);
    return false;
  }
  app_.camera->start(app_.cameras[static_cast<std::size_t>(camera)], true);
  return true;
}

void MainController::requestStart(StartRequest kind, std::int64_t now) {
  stopActivity();
  if (app_.flags.trackerFailed) return;  // the tracker's own error stays
  {
    std::lock_guard lock(app_.shared.lock);
    app_.shared.notice.clear();
    app_.shared.appError.clear();
    app_.shared.settings.startRequestMark = 0;
  }
  if (kind == StartRequest::Control && !app_.safety.complete()) {
    setAppError(kUnsafeStartError);
    return;
  }
  if (!startCamera()) return;
  app_.startRequest = kind;
  app_.requestTime = now;
}

void MainController::showPage(int page) { app_.page = page; }

bool MainController::isControlVisible(const ControlRow& row) const { return isControlVisible(row, facts()); }

bool MainController::isControlVisible(const ControlRow& row, const Facts& f) const {
  if (row.id == kIdGeneralTab || row.id == kIdGesturesTab) return app_.page != kPageHome;
  if (row.id == kIdSetArea && f.distanceMode != 1) return false;
  if (row.page != kEveryPage && row.page != app_.page) return false;
  if (row.id != kIdCheckCamera) return true;
  return app_.page == kPageHome && f.cameraRunning && !f.gateEnabled && app_.startRequest == StartRequest::None &&
         f.adjustmentId == 0;
}

ControlView MainController::controlView() const {
  const Facts f = facts();
  const bool busy = f.gateEnabled || app_.startRequest != StartRequest::None;
  const int selectedPose = f.gestures[static_cast<std::size_t>(app_.selectedAction)];
  const ActionInfo& selected = actionInfo(app_.selectedAction);
  ControlView view;
  for (std::size_t i = 0; i < kControls.size(); ++i) {
    const ControlRow& row = kControls[i];
    ControlState& state = view[i];
    state.id = row.id;
    state.visible = isControlVisible(row, f);
    switch (row.id) {
      case kIdCheckCamera:
        state.text = f.cameraRunning ? L"Stop camera" : L"Check camera";
        state.enabled = !app_.cameras.empty();
        break;
      case kIdStart:
        state.text = f.adjustmentId != 0 ? L"Cancel adjustment" : busy ? L"Stop control" : L"Start control";
        break;
      case kIdPractice:
        state.text = app_.practiceActive ? L"Finish practice" : L"Practice";
        state.enabled =
            !app_.cameras.empty() && app_.startRequest == StartRequest::None && f.adjustmentId == 0;
        break;
      case kIdSettings:
        state.text = app_.page != kPageHome ? L"Done" : L"Settings";
        break;
      case kIdCamera:
        state.enabled = !f.cameraRunning;
        break;
      case kIdTurnOff:
        state.enabled = selectedPose != 0;
        break;
      default:
        if (isOptionCard(row.id)) {
          const int pose = selected.options[static_cast<std::size_t>(row.id - kIdOption1)];
          std::wstring text = kPoses[static_cast<std::size_t>(pose)].name;
          text += pose == selectedPose ? std::wstring(L" \u2014 selected")
                                       : std::wstring(L" \u2014 use for ") + selected.label;
          state.text = std::move(text);
        }
        break;
    }
  }
  return view;
}

void MainController::resolveStartRequest(std::int64_t now) {
  const FramePtr frame = app_.camera->latestFrame();
  const bool running = app_.camera->running();
  const bool failed = app_.flags.trackerFailed;
  if (running && !failed && now - app_.requestTime < kStartLimitMs) {
    const auto stamp = frame ? static_cast<std::int64_t>(frame->timeMs) : 0;
    const bool fresh = frame && now >= stamp && now - stamp < kFreshAgeMs;
    if (!fresh || !app_.flags.trackerReady) return;
    const StartRequest kind = app_.startRequest;
    app_.startRequest = StartRequest::None;
    if (kind == StartRequest::Adjustment) {
      std::lock_guard lock(app_.shared.lock);
      app_.shared.settings.adjustmentId = ++app_.adjustmentCounter;
    } else if (kind == StartRequest::Practice) {
      std::lock_guard lock(app_.shared.lock);
      const Settings& s = app_.shared.settings;
      const PreviewRect preview = previewRect(frame->width, frame->height);
      const PreviewSize area =
          areaSizeInPreview(preview, effectiveMovementArea(s, frame->width, frame->height));
      app_.practice.startPractice(now, area.width, area.height, s.gestures);
      app_.practiceActive = true;
      app_.previewCircle = {};
    } else if (app_.safety.complete() && !app_.practiceActive) {
      app_.gate.setEnabled(true);
    }
    return;
  }
  stopCamera();
  if (!failed) setAppError(running ? kStartupTooLongError : kCameraStartError);
}

void MainController::acceptAdjustmentResult(std::int64_t now) {
  {
    std::lock_guard lock(app_.shared.lock);
    Settings& s = app_.shared.settings;
    const AdjustmentProgress& result = app_.shared.output.adjustment;
    if (s.adjustmentId == 0 || result.runId != s.adjustmentId || !(result.finished || result.failed) ||
        !isFresh(app_.shared.output.timeMs, now)) {
      return;
    }
    if (result.finished && result.reach.valid && reachValid(result.reach)) setStoredReach(s, result.reach);
    s.adjustmentId = 0;
    app_.shared.notice = result.message;
    app_.shared.noticeUntil = now + kAdjustmentNoticeMs;
  }
  app_.gate.setEnabled(false);
  saveSettings();
}

TickView MainController::tick(std::int64_t now, bool away) {
  if (app_.startRequest != StartRequest::None) resolveStartRequest(now);
  acceptAdjustmentResult(now);
  const bool gateEnabled = app_.gate.enabled();
  if (gateEnabled && !app_.camera->running()) app_.gate.setEnabled(false);

  TickView view;
  {
    std::lock_guard lock(app_.shared.lock);
    view.snapshot = app_.shared.output;
    view.settings = app_.shared.settings;
  }
  view.target = targetDesktopRect(view.settings, app_.displays.displays, app_.displays.screen);
  const bool active = app_.gate.enabled() && !app_.practiceActive;
  // A snapshot stamped ahead of this clock counts as young here.
  const bool young = now - view.snapshot.timeMs < kFreshAgeMs;
  view.flags.showCircle = active && young && view.snapshot.handPresent && !app_.gate.mousePriorityActive();
  view.flags.showGuidance = active && away && young;
  view.flags.showReference = view.settings.GestureReference && active && away;
  return view;
}

void MainController::applySetting(int id, int value) {
  stopActivity();
  {
    std::lock_guard lock(app_.shared.lock);
    Settings& s = app_.shared.settings;
    const DisplaySetup& setup = app_.displays;
    applyChoice(s, id, value, setup.displays.size());
    // Snapshot lock, then the gate's inside: the one place both are held.
    if (id == kIdDisplay) applyDisplaySelection(s, setup.displays, setup.screen, setup.systemDpi, app_.gate);
  }
  saveSettings();
}

void MainController::changeGestures(int id, std::int64_t now) {
  stopActivity();
  {
    std::lock_guard lock(app_.shared.lock);
    Gestures& gestures = app_.shared.settings.gestures;
    const Gestures before = gestures;
    const int action = app_.selectedAction;
    if (id == kIdTurnOff) {
      gestures[static_cast<std::size_t>(action)] = 0;
      app_.shared.notice = turnOffNotice(action);
    } else if (id == kIdRestoreDefaults) {
      gestures = kDefaultGestures;
      app_.shared.notice = kDefaultsRestoredNotice;
    } else {
      const int pose = actionInfo(action).options[static_cast<std::size_t>(id - kIdOption1)];
      assignPose(gestures, action, pose);
      app_.shared.notice = chooseOptionNotice(action, pose, before, gestures);
    }
    app_.shared.noticeUntil = now + kGestureNoticeMs;
  }
  saveSettings();
}

int MainController::command(int id, Notification notification, int value, std::int64_t now) {
  const bool clicked = notification == Notification::Clicked;
  const bool selected = notification == Notification::SelectionChanged;
  switch (id) {
    case kIdCheckCamera:
      if (!clicked) return 0;
      if (app_.camera->running()) {
        stopCamera();
        return 0;
      }
      stopActivity();
      if (!app_.flags.trackerFailed) setAppError(L"");
      startCamera();
      showPage(kPageHome);
      return kIdStart;
    case kIdStart: {
      if (!clicked) return 0;
      const bool busy = app_.gate.enabled() || app_.startRequest != StartRequest::None || facts().adjustmentId != 0;
      if (busy) {
        stopCamera();  // Stop control and Cancel adjustment both end the camera
      } else {
        requestStart(StartRequest::Control, now);
      }
      return 0;
    }
    case kIdPractice:
      if (!clicked) return 0;
      if (app_.practiceActive) {
        stopActivity();
      } else {
        requestStart(StartRequest::Practice, now);
      }
      return 0;
    case kIdSettings:
      if (!clicked) return 0;
      if (app_.page != kPageHome) {
        stopActivity();
        clearNotice();
        showPage(kPageHome);
      } else {
        stopCamera();
        clearNotice();
        showPage(kPageGeneral);
      }
      return kIdSettings;
    case kIdSetArea:
      if (!clicked) return 0;
      requestStart(StartRequest::Adjustment, now);
      showPage(kPageHome);
      return kIdStart;
    case kIdGeneralTab:
    case kIdGesturesTab:
      if (!clicked) return 0;
      stopActivity();
      clearNotice();
      showPage(id == kIdGeneralTab ? kPageGeneral : kPageGestures);
      return id;
    case kIdAction:
      if (notification == Notification::DropDown) stopActivity();
      if (selected) {
        stopActivity();
        if (value >= 0 && value < kActionCount) app_.selectedAction = value + 1;
      }
      return 0;
    case kIdTurnOff:
    case kIdRestoreDefaults:
    case kIdOption1:
    case kIdOption1 + 1:
    case kIdOption1 + 2:
      if (clicked) changeGestures(id, now);
      return 0;
    case kIdCamera:
    case kIdDisplay:
    case kIdCursorFeel:
    case kIdClickWait:
    case kIdDistance:
      if (selected) applySetting(id, value);
      return 0;
    case kIdMirror:
    case kIdReference:
      if (clicked) applySetting(id, value);
      return 0;
    case kIdTrayPause:
      stopActivity();
      return 0;
    case kIdTrayStopCamera:
      stopCamera();
      return 0;
    default:
      return 0;
  }
}

int MainController::escape() {
  stopActivity();
  if (app_.page == kPageHome) return 0;
  showPage(kPageHome);
  return kIdSettings;
}

int MainController::help() {
  stopCamera();
  showPage(kPageGestures);
  return kIdAction;
}

void MainController::displayChanged() {
  stopActivity();
  setAppError(kDisplayChangedError);
}

void MainController::practiceClick(Point client, std::int64_t now) {
  if (!app_.practiceActive || app_.page != kPageHome) return;
  Point areaPoint;
  {
    std::lock_guard lock(app_.shared.lock);
    const FramePtr& frame = app_.shared.frame;
    if (!frame) return;
    const PreviewRect preview = previewRect(frame->width, frame->height);
    areaPoint = previewToArea(preview, effectiveMovementArea(app_.shared.settings, frame->width, frame->height), client);
  }
  app_.practice.practiceMouseClick(areaPoint, now);
}

void MainController::saveSettings() {
  Settings copy;
  {
    std::lock_guard lock(app_.shared.lock);
    copy = app_.shared.settings;
  }
  std::vector<std::wstring> ids;
  for (const CameraDevice& device : app_.cameras) ids.push_back(device.deviceId);
  vel::saveSettings(store_, copy, ids);
}

}  // namespace vel
