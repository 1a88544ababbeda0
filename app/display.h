// The monitors the hand pointer can cover: the display list built once at start-up, the Display
// choice, and the target desktop rectangle with the geometry it gives the settings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/settings.h"
#include "control/action_sink.h"

namespace vel {

class InputGate;

struct DisplayEntry {
  DesktopRect rect;  // the monitor's full rectangle, not its work area
  std::wstring name;
};
using DisplayList = std::vector<DisplayEntry>;

// "Display 1  ·  1920 × 1080 (main)" for entry `index` (0-based).
std::wstring displayName(std::size_t index, const DesktopRect& rect, bool primary);

// The Display choice: one item per monitor, then "All displays — entire desktop" when there
// are several.
std::vector<std::wstring> displayChoiceItems(const DisplayList& displays);

// At window creation: turns AllDisplays off with fewer than two monitors and clamps Display.
// Returns the choice item to select.
int clampDisplaySelection(Settings& settings, std::size_t monitorCount);

// The user picked choice item `item`. Choosing All displays keeps Display, so the derived
// rectangle still names the monitor chosen before.
void pickDisplayItem(Settings& settings, int item, std::size_t monitorCount);

// Monitor Display, or the whole virtual screen with AllDisplays or without monitors.
// Display must already be clamped.
DesktopRect targetDesktopRect(const Settings& settings, const DisplayList& displays, const VirtualScreen& screen);

// Points the gate at the target rectangle and writes targetWidth, targetHeight, dpiScale and
// displayRectInTarget (monitor Display relative to the target's top-left corner).
void applyDisplaySelection(Settings& settings, const DisplayList& displays, const VirtualScreen& screen,
                           std::uint32_t systemDpi, InputGate& gate);

// Windows only: the monitors in enumeration order and the system DPI (the virtual screen is
// `currentVirtualScreen`, beside the sink that uses it most).
DisplayList buildDisplayList();
std::uint32_t systemDpi();

}  // namespace vel
