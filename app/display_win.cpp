// Monitor enumeration and desktop metrics from Win32.
#include <windows.h>

#include "app/display.h"

namespace vel {

namespace {

BOOL CALLBACK addMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
  MONITORINFOEXW info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoW(monitor, &info)) {
    auto& displays = *reinterpret_cast<DisplayList*>(list);
    const RECT& r = info.rcMonitor;
    const DesktopRect rect{r.left, r.top, r.right, r.bottom};
    displays.push_back({rect, displayName(displays.size(), rect, (info.dwFlags & MONITORINFOF_PRIMARY) != 0)});
  }
  return TRUE;
}

}  // namespace

DisplayList buildDisplayList() {
  DisplayList displays;
  EnumDisplayMonitors(nullptr, nullptr, addMonitor, reinterpret_cast<LPARAM>(&displays));
  return displays;
}

std::uint32_t systemDpi() { return GetDpiForSystem(); }

}  // namespace vel
