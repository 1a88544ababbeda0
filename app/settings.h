// Every user choice in one fixed-layout record, copied whole by the tracking worker for each
// frame, and its file settings.ini (section "Velmora") read and written through a settings store.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <type_traits>

#include "app/settings_store.h"
#include "control/actions.h"

namespace vel {

// Field names are the settings.ini keys where one exists.
struct Settings {
  bool Mirror = true;
  bool Preview = true;  // true after every start; saved, never read back
  std::int32_t PointerFeel = 0;
  float pointerSmoothing = kPointerFeelOptions[0].smoothing;  // always the PointerFeel row's value
  float Margin = 0.15f;  // fraction of the camera image, 0..0.30
  std::int32_t Display = 0;
  std::int32_t Camera = 0;
  std::int32_t AllDisplays = 0;
  std::int32_t ClickWait = 1000;  // ms
  std::int32_t startRequestMark = 0;  // cleared by each start request of the main window; nothing reads it
  std::int32_t targetWidth = 1920;
  std::int32_t targetHeight = 1080;
  float dpiScale = 1.0f;
  std::array<std::int32_t, 4> displayRectInTarget{};  // left, top, right, bottom
  float holdRadius = 48.0f;       // pixels at scale 1; not saved
  float postClickRadius = 45.0f;  // pixels at scale 1; not saved
  bool ReachVersion = false;      // a measured movement area is stored
  float ReachLeft = 0.075f;
  float ReachTop = 0.075f;
  float ReachRight = 0.925f;
  float ReachBottom = 0.925f;
  float ReachPalm = 0.0f;    // palm size measured with the area, fraction of the image height
  float ReachAspect = 0.0f;  // width / height of the camera image the area was measured on
  Gestures gestures = kDefaultGestures;
  std::int32_t DistanceMode = 0;  // 0 automatic, 1 fixed
  bool GestureReference = false;
  std::uint64_t adjustmentId = 0;  // movement-area adjustment in progress, 0 = none

  friend bool operator==(const Settings&, const Settings&) = default;
};
static_assert(std::is_trivially_copyable_v<Settings>);

// A movement area with its palm and image shape: the stored one, or an adjustment's result.
struct StoredReach {
  bool valid = false;
  float left = 0.075f;
  float top = 0.075f;
  float right = 0.925f;
  float bottom = 0.925f;
  float palm = 0.0f;
  float aspect = 0.0f;
};

// The area's rules, the valid flag and the aspect aside: finite, inside the image, at least
// 0.14 × 0.12, and a palm between 0.015 and 0.8.
bool reachValid(const StoredReach& reach);

StoredReach storedReach(const Settings& settings);

// Stores an area; `{}` forgets the measured one: the default rectangle, no palm, no aspect.
void setStoredReach(Settings& settings, const StoredReach& reach);

// What settings.ini holds: the record, and the mirror state and camera the stored area was
// measured with.
struct LoadedSettings {
  Settings settings;
  bool reachMirror = true;
  std::wstring reachCamera;
};

// Missing or unreadable keys give their defaults; out-of-range values are clamped, a broken area
// or gesture table is replaced by the defaults. Never throws for what the file holds.
LoadedSettings loadSettings(const ISettingsStore& store);

// Writes every key in the file's order from `settings` (a copy taken under the snapshot lock).
// ReachCamera is the device id of camera number `Camera` in `cameraIds`; with no such camera the
// key keeps its old value.
void saveSettings(ISettingsStore& store, const Settings& settings, std::span<const std::wstring> cameraIds);

}  // namespace vel
