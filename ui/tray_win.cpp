// The tray icon through Shell_NotifyIconW.
#include "ui/tray_win.h"

#include <shellapi.h>

#include <cwchar>

#include "ui/control_table.h"

namespace vel {
namespace {

constexpr UINT kTrayIconId = 1;

NOTIFYICONDATAW trayData(HWND window) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = window;
  data.uID = kTrayIconId;
  return data;
}

}  // namespace

bool addTrayIcon(HWND window, HICON icon) {
  NOTIFYICONDATAW data = trayData(window);
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kTrayMessage;
  data.hIcon = icon;
  std::wcsncpy(data.szTip, L"Velmora \u2014 Ctrl+Alt+Space pauses control", std::size(data.szTip) - 1);
  return Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
}

void removeTrayIcon(HWND window) {
  NOTIFYICONDATAW data = trayData(window);
  Shell_NotifyIconW(NIM_DELETE, &data);
}

void showTrayMenu(HWND window) {
  HMENU menu = CreatePopupMenu();
  if (menu == nullptr) return;
  AppendMenuW(menu, MF_STRING, kIdTrayOpen, L"Open Velmora");
  AppendMenuW(menu, MF_STRING, kIdTrayPause, L"Pause control");
  AppendMenuW(menu, MF_STRING, kIdTrayStopCamera, L"Stop camera");
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_STRING, kIdTrayExit, L"Exit");
  POINT at{};
  GetCursorPos(&at);
  // Without the foreground the menu would not close when the user clicks elsewhere.
  SetForegroundWindow(window);
  TrackPopupMenu(menu, TPM_RIGHTBUTTON, at.x, at.y, 0, window, nullptr);
  DestroyMenu(menu);
}

}  // namespace vel
