// The main window's decisions, free of any window: starting and stopping the camera, control,
// practice and the movement-area adjustment; pages, control texts, visibility and enables; the
// UI tick; commands and settings changes. The window procedure translates messages into these
// calls and applies what they decide. Main thread only; times are GetTickCount64 ms.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/settings_store.h"
#include "control/control_output.h"
#include "tracking/point.h"
#include "ui/app_state.h"
#include "ui/control_table.h"
#include "ui/overlay_layout.h"

namespace vel {

inline constexpr const wchar_t* kNoCameraError = L"No camera detected. Connect a camera, then reopen Velmora.";
inline constexpr const wchar_t* kUnsafeStartError =
    L"Cannot start safely. Close other Velmora instances and free Ctrl+Alt+Space, then reopen Velmora.";
inline constexpr const wchar_t* kCameraStartError =
    L"Camera could not start. Close other camera apps, check camera access, then click Start control to retry.";
inline constexpr const wchar_t* kStartupTooLongError =
    L"Startup took too long. Close other camera apps and click Start control to retry.";
inline constexpr const wchar_t* kOverlaysError = L"Click feedback unavailable. Reopen Velmora.";
inline constexpr const wchar_t* kSafetyPartsError =
    L"Safety shortcut or mouse hook unavailable. Close another Velmora instance or free Ctrl+Alt+Space. "
    L"Control is disabled.";
inline constexpr const wchar_t* kDisplayChangedError =
    L"Display setup changed. Restart Velmora to refresh monitor mapping.";

// A start request fails when the camera has not delivered with a ready tracker by then.
inline constexpr std::int64_t kStartLimitMs = 30000;

// What one control should show; the window writes only what differs from what it shows.
struct ControlState {
  int id = 0;
  std::optional<std::wstring> text;  // only for controls whose text changes
  bool visible = false;
  bool enabled = true;
};
using ControlView = std::array<ControlState, kControls.size()>;

// The lists and check boxes as the window is created with them.
struct ChoiceLists {
  std::vector<std::wstring> cameraItems;
  int camera = 0;
  std::vector<std::wstring> displayItems;
  int display = 0;
  bool mirror = true;
  bool reference = false;
  int cursorFeel = 0;
  int clickWait = 0;
  int distance = 0;
};

// What a tick leaves for the overlays: copies taken under the snapshot lock.
struct TickView {
  OverlayFlags flags;
  ControlOutput snapshot;
  Settings settings;
  DesktopRect target;
};

enum class Notification : std::uint8_t { Clicked, SelectionChanged, DropDown };

class MainController {
 public:
  MainController(AppState& app, ISettingsStore& store) : app_(app), store_(store) {}

  // At window creation: clamps Camera and Display, keeps the stored calibration only for the
  // camera and mirroring it was measured with, snaps ClickWait to a list item, and points the
  // gate and the pointer mapping at the chosen display.
  ChoiceLists prepareChoices();
  // Records which safety parts the window got, with the error text for a missing one.
  void setSafetyParts(SafetyParts parts);

  void stopActivity();
  void stopCamera();
  bool startCamera();
  void requestStart(StartRequest kind, std::int64_t now);

  void showPage(int page);
  bool isControlVisible(const ControlRow& row) const;
  ControlView controlView() const;

  // The 33 ms tick; `away` is whether another window is in front of the main window.
  TickView tick(std::int64_t now, bool away);

  // A control's command with its list selection or check state; returns the control to focus,
  // 0 for none.
  int command(int id, Notification notification, int value, std::int64_t now);
  // Escape and F1; each returns the control to focus, 0 for none.
  int escape();
  int help();
  void displayChanged();
  // A left click at `client` (96-DPI client units) while practice runs on the home page.
  void practiceClick(Point client, std::int64_t now);

  void saveSettings();

 private:
  struct Facts;
  Facts facts() const;
  bool isControlVisible(const ControlRow& row, const Facts& facts) const;
  void resolveStartRequest(std::int64_t now);
  void acceptAdjustmentResult(std::int64_t now);
  void clearNotice();
  void setAppError(const wchar_t* text);
  void applySetting(int id, int value);
  void changeGestures(int id, std::int64_t now);

  AppState& app_;
  ISettingsStore& store_;
};

}  // namespace vel
