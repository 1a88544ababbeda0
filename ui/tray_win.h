// The tray icon that keeps the program reachable while its window is hidden, and its menu.
#pragma once

#include <windows.h>

namespace vel {

// The message the tray icon sends the window; the mouse message is in lParam.
inline constexpr UINT kTrayMessage = WM_APP + 1;

bool addTrayIcon(HWND window, HICON icon);
void removeTrayIcon(HWND window);
// "Open Velmora", "Pause control", "Stop camera", "Exit" at the pointer; the choice arrives as
// WM_COMMAND.
void showTrayMenu(HWND window);

}  // namespace vel
