// The main window procedure: creates the controls and the safety parts, turns messages into
// controller calls, writes the controls' state back, and tears everything down in order.
#include "ui/main_window_win.h"

#include <commctrl.h>
#include <wtsapi32.h>

#include <array>
#include <string>

#include "control/windows_sink.h"
#include "ui/main_paint_win.h"
#include "ui/settings_pages.h"
#include "ui/smoke_test_win.h"
#include "ui/tray_win.h"

namespace vel {

std::atomic<WindowsApp*> theApp{nullptr};

WindowsApp::WindowsApp(std::unique_ptr<ICamera> camera, const std::filesystem::path& exeDir)
    : state(std::make_unique<WindowsSink>(), std::move(camera)),
      store(exeDir / "settings.ini"),
      makeProvider(handProviderFactory(exeDir / "models")) {
  state.exeDir = exeDir;
}

namespace {

constexpr UINT_PTR kUiTick = 1;
constexpr UINT kUiTickMs = 33;
constexpr int kHotkeyId = 1;

int scaled(int value, int dpi) { return MulDiv(value, dpi, 96); }

HFONT uiFont(int dpi) {
  return CreateFontW(-scaled(14, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, L"Segoe UI");
}

HWND control(const WindowsApp& app, int id) { return GetDlgItem(app.window, id); }

const ControlRow* rowOf(int id) {
  for (const ControlRow& row : kControls) {
    if (row.id == id) return &row;
  }
  return nullptr;
}

DWORD controlStyle(ControlKind kind) {
  switch (kind) {
    case ControlKind::Button:
      return BS_OWNERDRAW;
    case ControlKind::DropList:
      return CBS_DROPDOWNLIST;
    case ControlKind::ScrollDropList:
      return CBS_DROPDOWNLIST | WS_VSCROLL;
    case ControlKind::CheckBox:
      return BS_AUTOCHECKBOX;
  }
  return 0;
}

void createControls(const WindowsApp& app) {
  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(app.window, GWLP_HINSTANCE));
  for (const ControlRow& row : kControls) {
    HWND child = CreateWindowExW(0, isDropList(row) ? WC_COMBOBOXW : WC_BUTTONW, row.text,
                                 controlStyle(row.kind) | WS_CHILD | WS_TABSTOP, scaled(row.x, app.dpi),
                                 scaled(row.y, app.dpi), scaled(row.width, app.dpi), scaled(row.height, app.dpi),
                                 app.window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(row.id)), instance, nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(app.font), FALSE);
  }
}

void fillList(const WindowsApp& app, int id, const auto& items, int selection) {
  HWND list = control(app, id);
  for (const auto& item : items) {
    SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::wstring_view(item).data()));
  }
  SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(selection), 0);
}

void fillChoices(const WindowsApp& app, const ChoiceLists& lists) {
  fillList(app, kIdCamera, lists.cameraItems, lists.camera);
  fillList(app, kIdDisplay, lists.displayItems, lists.display);
  SendMessageW(control(app, kIdMirror), BM_SETCHECK, lists.mirror ? BST_CHECKED : BST_UNCHECKED, 0);
  SendMessageW(control(app, kIdReference), BM_SETCHECK, lists.reference ? BST_CHECKED : BST_UNCHECKED, 0);
  std::array<const wchar_t*, kPointerFeelOptions.size()> feels{};
  for (std::size_t i = 0; i < feels.size(); ++i) feels[i] = kPointerFeelOptions[i].label;
  fillList(app, kIdCursorFeel, feels, lists.cursorFeel);
  std::array<const wchar_t*, kClickWaitOptions.size()> waits{};
  for (std::size_t i = 0; i < waits.size(); ++i) waits[i] = kClickWaitOptions[i].label;
  fillList(app, kIdClickWait, waits, lists.clickWait);
  std::array<const wchar_t*, kActions.size()> actions{};
  for (std::size_t i = 0; i < actions.size(); ++i) actions[i] = kActions[i].label;
  fillList(app, kIdAction, actions, 0);
  fillList(app, kIdDistance, kDistanceItems, lists.distance);
}

// Writes only what differs from what the controls show, so a tick costs no repaint of its own.
void applyView(const WindowsApp& app, const ControlView& view) {
  for (const ControlState& state : view) {
    HWND child = control(app, state.id);
    if (child == nullptr) continue;
    if (state.text) {
      std::array<wchar_t, 160> shown{};
      const int capacity = isOptionCard(state.id) ? 160 : 64;
      GetWindowTextW(child, shown.data(), capacity);
      if (*state.text != shown.data()) {
        SetWindowTextW(child, state.text->c_str());
        if (isOptionCard(state.id)) InvalidateRect(child, nullptr, FALSE);
      }
    }
    const bool visible = (GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE) != 0;
    if (visible != state.visible) ShowWindow(child, state.visible ? SW_SHOW : SW_HIDE);
    if ((IsWindowEnabled(child) != FALSE) != state.enabled) EnableWindow(child, state.enabled);
  }
}


// After a command: the controls, the whole window, and the owner-drawn parts that show the page
// or the gesture assignments, which a window-wide invalidation does not reach.
void redrawAfterCommand(const WindowsApp& app, int focus) {
  refreshControls(app);
  InvalidateRect(app.window, nullptr, FALSE);
  for (const int id : {kIdGeneralTab, kIdGesturesTab, kIdOption1, kIdOption1 + 1, kIdOption1 + 2}) {
    InvalidateRect(control(app, id), nullptr, FALSE);
  }
  if (focus != 0) SetFocus(control(app, focus));
}

}  // namespace

void refreshControls(const WindowsApp& app) { applyView(app, app.controller.controlView()); }

namespace {

void applyDpi(WindowsApp& app, int windowDpi) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(app.window, MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT& work = monitor.rcWork;
  app.dpi = effectiveDpi(work.right - work.left, work.bottom - work.top, windowDpi);

  DeleteObject(app.font);
  app.font = uiFont(app.dpi);
  for (const ControlRow& row : kControls) {
    HWND child = control(app, row.id);
    MoveWindow(child, scaled(row.x, app.dpi), scaled(row.y, app.dpi), scaled(row.width, app.dpi),
               scaled(row.height, app.dpi), TRUE);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(app.font), TRUE);
  }
  RECT frame{0, 0, scaled(kClientWidth, app.dpi), scaled(kClientHeight, app.dpi)};
  const auto style = static_cast<DWORD>(GetWindowLongW(app.window, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(GetWindowLongW(app.window, GWL_EXSTYLE));
  AdjustWindowRectExForDpi(&frame, style, FALSE, exStyle, static_cast<UINT>(windowDpi));
  SetWindowPos(app.window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER);
}

void onCreate(WindowsApp& app, HWND window) {
  app.window = window;
  app.dpi = static_cast<int>(GetDpiForWindow(window));
  app.font = uiFont(app.dpi);
  createControls(app);
  app.controller.showPage(kPageHome);
  refreshControls(app);
  fillChoices(app, app.controller.prepareChoices());
  applyDpi(app, static_cast<int>(GetDpiForWindow(window)));

  app.hotkeyRegistered = RegisterHotKey(window, kHotkeyId, MOD_CONTROL | MOD_ALT | MOD_NOREPEAT, VK_SPACE) != FALSE;
  app.hook = app.hookThread.start(app.state.gate);
  const bool overlays = app.overlays.createOverlays(app.state.guideImages);
  app.controller.setSafetyParts({app.hotkeyRegistered, app.hook != nullptr, overlays});
  app.trayAdded = addTrayIcon(window, app.icon);
  WTSRegisterSessionNotification(window, NOTIFY_FOR_THIS_SESSION);
  SetTimer(window, kUiTick, kUiTickMs, nullptr);
  refreshControls(app);
  if (!app.smokeReport.empty()) app.smokeStart = GetTickCount64();
  app.state.startThreads(app.makeProvider);
}

void onDestroy(WindowsApp& app) {
  KillTimer(app.window, kUiTick);
  app.controller.stopActivity();
  app.overlays.destroyOverlays();
  app.state.stopThreads();
  app.controller.saveSettings();
  app.hookThread.stop();
  app.hook = nullptr;
  UnregisterHotKey(app.window, kHotkeyId);
  WTSUnRegisterSessionNotification(app.window);
  if (app.trayAdded) removeTrayIcon(app.window);
  app.trayAdded = false;
  DeleteObject(app.font);
  app.font = nullptr;
  PostQuitMessage(app.exitCode);
}

void onTick(WindowsApp& app) {
  const auto now = static_cast<std::int64_t>(GetTickCount64());
  const TickView view = app.controller.tick(now, GetForegroundWindow() != app.window);
  refreshControls(app);
  app.overlays.updateOverlays(view.settings, view.target, view.snapshot, view.flags, view.settings.gestures, now);
  if (!app.smokeReport.empty()) {
    smokeTestTick(app, now);
  } else if (IsWindowVisible(app.window)) {
    InvalidateRect(app.window, nullptr, FALSE);
  }
}

void restore(const WindowsApp& app) {
  ShowWindow(app.window, SW_RESTORE);
  SetForegroundWindow(app.window);
}

void onCommand(WindowsApp& app, int id, int code) {
  switch (id) {
    case kIdTrayOpen:
      restore(app);
      return;
    case kIdTrayExit:
      SendMessageW(app.window, WM_CLOSE, 0, 0);
      return;
    case IDCANCEL:  // Escape inside a control, from the dialog navigation
      SendMessageW(app.window, WM_KEYDOWN, VK_ESCAPE, 0);
      return;
    default:
      break;
  }
  const ControlRow* row = rowOf(id);
  Notification notification = Notification::Clicked;
  int value = 0;
  if (row != nullptr && isDropList(*row)) {
    if (code == CBN_DROPDOWN) {
      notification = Notification::DropDown;
    } else if (code == CBN_SELCHANGE) {
      notification = Notification::SelectionChanged;
      value = static_cast<int>(SendMessageW(control(app, id), CB_GETCURSEL, 0, 0));
    } else {
      return;
    }
  } else if (code != BN_CLICKED) {
    return;
  } else if (row != nullptr && row->kind == ControlKind::CheckBox) {
    value = SendMessageW(control(app, id), BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
  }
  const auto now = static_cast<std::int64_t>(GetTickCount64());
  redrawAfterCommand(app, app.controller.command(id, notification, value, now));
}

LRESULT onMessage(WindowsApp& app, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      onCreate(app, window);
      return 0;
    case WM_TIMER:
      if (wParam == kUiTick) onTick(app);
      return 0;
    case WM_COMMAND:
      onCommand(app, LOWORD(wParam), HIWORD(wParam));
      return 0;
    case kTrayMessage:
      if (lParam == WM_RBUTTONUP) showTrayMenu(window);
      if (lParam == WM_LBUTTONUP) restore(app);
      return 0;
    case WM_PAINT:
      paintMainWindow(app);
      return 0;
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (isOptionCard(static_cast<int>(item.CtlID))) {
        drawOptionCard(app, item);
      } else {
        drawOwnerButton(app, item);
      }
      return TRUE;
    }
    case WM_ERASEBKGND:
      return 1;  // painting is double-buffered
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC: {
      const auto dc = reinterpret_cast<HDC>(wParam);
      SetBkColor(dc, RGB(255, 255, 255));
      SetTextColor(dc, RGB(19, 35, 48));
      return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    }
    case WM_SIZE:
      if (wParam == SIZE_MINIMIZED && app.trayAdded) ShowWindow(window, SW_HIDE);
      return 0;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_HOTKEY:
      // Only ever pauses: control resumes when the user starts it again.
      if (wParam == kHotkeyId) {
        app.controller.stopActivity();
        redrawAfterCommand(app, 0);
      }
      return 0;
    case WM_POWERBROADCAST:
      if (wParam == PBT_APMSUSPEND) {
        app.controller.stopCamera();
        redrawAfterCommand(app, 0);
      }
      return TRUE;
    case WM_WTSSESSION_CHANGE:
      if (wParam == WTS_CONSOLE_DISCONNECT || wParam == WTS_REMOTE_DISCONNECT || wParam == WTS_SESSION_LOGOFF ||
          wParam == WTS_SESSION_LOCK) {
        app.controller.stopCamera();
        redrawAfterCommand(app, 0);
      }
      return 0;
    case WM_DPICHANGED: {
      app.controller.stopActivity();
      const auto* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(window, nullptr, suggested->left, suggested->top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
      applyDpi(app, HIWORD(wParam));
      redrawAfterCommand(app, 0);
      return 0;
    }
    case WM_DISPLAYCHANGE:
      app.controller.displayChanged();
      redrawAfterCommand(app, 0);
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_F1) redrawAfterCommand(app, app.controller.help());
      if (wParam == VK_ESCAPE) redrawAfterCommand(app, app.controller.escape());
      return 0;
    case WM_LBUTTONUP: {
      const float units = 96.0f / static_cast<float>(app.dpi);
      const Point client{static_cast<float>(static_cast<short>(LOWORD(lParam))) * units,
                         static_cast<float>(static_cast<short>(HIWORD(lParam))) * units};
      app.controller.practiceClick(client, static_cast<std::int64_t>(GetTickCount64()));
      return 0;
    }
    case WM_DESTROY:
      onDestroy(app);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowsApp* app = theApp;
  if (app == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  return onMessage(*app, window, message, wParam, lParam);
}

}  // namespace vel
