// Display choice and target rectangle arithmetic, independent of how monitors are enumerated.
#include "app/display.h"

#include <algorithm>

#include "control/input_gate.h"

namespace vel {

std::wstring displayName(std::size_t index, const DesktopRect& rect, bool primary) {
  std::wstring name = L"Display " + std::to_wstring(index + 1) + L"  \u00b7  " +
                      std::to_wstring(rect.right - rect.left) + L" \u00d7 " + std::to_wstring(rect.bottom - rect.top);
  if (primary) name += L" (main)";
  return name;
}

std::vector<std::wstring> displayChoiceItems(const DisplayList& displays) {
  std::vector<std::wstring> items;
  for (const DisplayEntry& display : displays) items.push_back(display.name);
  if (displays.size() > 1) items.push_back(L"All displays \u2014 entire desktop");
  return items;
}

namespace {

int clampDisplayIndex(int display, std::size_t monitorCount) {
  if (monitorCount < 2) return 0;
  return std::clamp(display, 0, static_cast<int>(monitorCount) - 1);
}

}  // namespace

int clampDisplaySelection(Settings& settings, std::size_t monitorCount) {
  if (monitorCount < 2) settings.AllDisplays = 0;
  settings.Display = clampDisplayIndex(settings.Display, monitorCount);
  return settings.AllDisplays ? static_cast<int>(monitorCount) : settings.Display;
}

void pickDisplayItem(Settings& settings, int item, std::size_t monitorCount) {
  settings.AllDisplays = item == static_cast<int>(monitorCount) ? 1 : 0;
  if (!settings.AllDisplays) settings.Display = clampDisplayIndex(item, monitorCount);
}

DesktopRect targetDesktopRect(const Settings& settings, const DisplayList& displays, const VirtualScreen& screen) {
  if (settings.AllDisplays != 1 && !displays.empty()) return displays[static_cast<std::size_t>(settings.Display)].rect;
  return {screen.x, screen.y, screen.x + screen.width, screen.y + screen.height};
}

void applyDisplaySelection(Settings& settings, const DisplayList& displays, const VirtualScreen& screen,
                           std::uint32_t systemDpi, InputGate& gate) {
  const DesktopRect target = targetDesktopRect(settings, displays, screen);
  gate.setTarget(target);
  const DesktopRect monitor = displays.empty() ? target : displays[static_cast<std::size_t>(settings.Display)].rect;
  settings.targetWidth = target.right - target.left;
  settings.targetHeight = target.bottom - target.top;
  settings.dpiScale = static_cast<float>(systemDpi) / 96.0f;
  settings.displayRectInTarget = {monitor.left - target.left, monitor.top - target.top, monitor.right - target.left,
                                  monitor.bottom - target.top};
}

}  // namespace vel
