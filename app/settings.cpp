// settings.ini: defaults, clamps, key names and order, and the rounding of stored fractions.
#include "app/settings.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>

namespace vel {
namespace {

constexpr std::wstring_view kSection = L"Velmora";

// Fractions are stored as integers: ten-thousandths for the area, percent for the margin.
constexpr double kReachScale = 10000.0;

std::wstring gestureKey(int actionId) { return L"Gesture" + std::to_wstring(actionId); }

// A stored integer from an already rounded value; values an int cannot hold are pinned to its
// range, NaN (which no rule produces) becomes 0.
int storedInteger(double rounded) {
  if (std::isnan(rounded)) return 0;
  return static_cast<int>(std::clamp(rounded, static_cast<double>(std::numeric_limits<int>::min()),
                                     static_cast<double>(std::numeric_limits<int>::max())));
}

int storedFraction(float value) { return storedInteger(std::round(static_cast<double>(value) * kReachScale)); }

class SettingsReader {
 public:
  explicit SettingsReader(const ISettingsStore& store) : store_(store) {}
  int integer(std::wstring_view key, int fallback) const { return store_.readInt(kSection, key, fallback); }
  bool flag(std::wstring_view key, bool fallback) const { return integer(key, fallback ? 1 : 0) != 0; }
  float fraction(std::wstring_view key) const { return static_cast<float>(integer(key, 0) / kReachScale); }
  std::wstring string(std::wstring_view key) const { return store_.readString(kSection, key, L""); }

 private:
  const ISettingsStore& store_;
};

}  // namespace

bool reachValid(const StoredReach& reach) {
  for (const float value : {reach.left, reach.top, reach.right, reach.bottom, reach.palm}) {
    if (!std::isfinite(value)) return false;
  }
  return reach.left >= 0.0f && reach.top >= 0.0f && reach.right <= 1.0f && reach.bottom <= 1.0f &&
         reach.right - reach.left >= 0.14f && reach.bottom - reach.top >= 0.12f && reach.palm > 0.015f &&
         reach.palm < 0.8f;
}

StoredReach storedReach(const Settings& settings) {
  return {settings.ReachVersion, settings.ReachLeft, settings.ReachTop,   settings.ReachRight,
          settings.ReachBottom,  settings.ReachPalm, settings.ReachAspect};
}

void setStoredReach(Settings& settings, const StoredReach& reach) {
  std::tie(settings.ReachVersion, settings.ReachLeft, settings.ReachTop, settings.ReachRight, settings.ReachBottom,
           settings.ReachPalm, settings.ReachAspect) =
      std::tie(reach.valid, reach.left, reach.top, reach.right, reach.bottom, reach.palm, reach.aspect);
}

LoadedSettings loadSettings(const ISettingsStore& store) {
  const SettingsReader read(store);
  LoadedSettings loaded;
  Settings& s = loaded.settings;

  s.Mirror = read.flag(L"Mirror", true);
  const bool scroll = read.flag(L"Scroll", true);
  s.PointerFeel = std::clamp(read.integer(L"PointerFeel", 0), 0, static_cast<int>(kPointerFeelOptions.size()) - 1);
  s.pointerSmoothing = kPointerFeelOptions[static_cast<std::size_t>(s.PointerFeel)].smoothing;
  s.Margin = static_cast<float>(std::clamp(read.integer(L"Margin", 15), 0, 30)) / 100.0f;
  s.Camera = read.integer(L"Camera", 0);
  s.Display = read.integer(L"Display", 0);
  s.AllDisplays = read.flag(L"AllDisplays", false) ? 1 : 0;
  s.ClickWait = std::clamp(read.integer(L"ClickWait", 1000), 700, 1500);
  s.DistanceMode = read.integer(L"DistanceMode", 0) == 1 ? 1 : 0;
  s.GestureReference = read.flag(L"GestureReference", false);

  s.ReachVersion = read.integer(L"ReachVersion", 0) == 1;
  s.ReachLeft = read.fraction(L"ReachLeft");
  s.ReachTop = read.fraction(L"ReachTop");
  s.ReachRight = read.fraction(L"ReachRight");
  s.ReachBottom = read.fraction(L"ReachBottom");
  s.ReachPalm = read.fraction(L"ReachPalm");
  s.ReachAspect = read.fraction(L"ReachAspect");
  loaded.reachMirror = read.flag(L"ReachMirror", true);
  loaded.reachCamera = read.string(L"ReachCamera");
  if (!s.ReachVersion || !reachValid(storedReach(s))) setStoredReach(s, {});

  // Files from before the gesture table existed keep the default table.
  if (read.integer(L"GesturesVersion", 0) == 1) {
    for (const ActionInfo& action : kActions) {
      s.gestures[action.id] = read.integer(gestureKey(action.id), s.gestures[action.id]);
    }
    if (!gesturesValid(s.gestures)) s.gestures = kDefaultGestures;
  }
  if (!scroll) s.gestures[kActionScroll] = 0;
  return loaded;
}

void saveSettings(ISettingsStore& store, const Settings& s, std::span<const std::wstring> cameraIds) {
  const auto write = [&store](std::wstring_view key, int value) {
    store.writeString(kSection, key, std::to_wstring(value));
  };
  write(L"Mirror", s.Mirror);
  write(L"Preview", s.Preview);
  write(L"Scroll", s.gestures[kActionScroll] != 0);
  write(L"PointerFeel", s.PointerFeel);
  write(L"Margin", storedInteger(std::trunc(static_cast<double>(s.Margin * 100.0f) + 0.5)));
  write(L"Camera", s.Camera);
  write(L"Display", s.Display);
  write(L"AllDisplays", s.AllDisplays);
  write(L"ClickWait", s.ClickWait);
  write(L"DistanceMode", s.DistanceMode);
  write(L"GestureReference", s.GestureReference);
  write(L"GesturesVersion", 1);
  for (const ActionInfo& action : kActions) write(gestureKey(action.id), s.gestures[action.id]);
  write(L"ReachVersion", s.ReachVersion && reachValid(storedReach(s)));
  // The area is written even when it is not valid; ReachVersion says whether it counts.
  write(L"ReachLeft", storedFraction(s.ReachLeft));
  write(L"ReachTop", storedFraction(s.ReachTop));
  write(L"ReachRight", storedFraction(s.ReachRight));
  write(L"ReachBottom", storedFraction(s.ReachBottom));
  write(L"ReachPalm", storedFraction(s.ReachPalm));
  write(L"ReachAspect", storedFraction(s.ReachAspect));
  write(L"ReachMirror", s.Mirror);
  if (s.Camera >= 0 && static_cast<std::size_t>(s.Camera) < cameraIds.size()) {
    store.writeString(kSection, L"ReachCamera", cameraIds[static_cast<std::size_t>(s.Camera)]);
  }
}

}  // namespace vel
