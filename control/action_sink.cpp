// The portable half of the action sink: record texts and the absolute-coordinate arithmetic.
#include "control/action_sink.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace vel {

std::string actionKindName(ActionKind kind) {
  static constexpr std::array<const char*, 14> kNames{
      "Move",  "LeftClick",   "DoubleClick",    "RightClick", "LeftDown", "LeftUp",    "RightUp",
      "Wheel", "BrowserBack", "BrowserForward", "Copy",       "Paste",    "PlayPause", "Mute"};
  const auto index = static_cast<std::size_t>(kind);
  if (index < kNames.size()) return kNames[index];
  return "Kind" + std::to_string(static_cast<std::int64_t>(kind));
}

std::string actionText(const ActionRecord& action) {
  if (action.kind == ActionKind::Move) {
    char text[64];
    std::snprintf(text, sizeof text, "Move:%.4f,%.4f", static_cast<double>(action.x), static_cast<double>(action.y));
    return text;
  }
  if (action.kind == ActionKind::Wheel) return "Wheel:" + std::to_string(action.amount);
  return actionKindName(action.kind);
}

std::optional<AbsolutePosition> absolutePosition(float x, float y, const DesktopRect& target,
                                                 const VirtualScreen& screen) {
  if (screen.width < 2 || screen.height < 2 || std::isnan(x) || std::isnan(y)) return std::nullopt;
  x = std::clamp(x, 0.0f, 1.0f);
  y = std::clamp(y, 0.0f, 1.0f);
  // 64-bit spans: a rectangle from far negative to far positive must not overflow.
  const auto spanX = static_cast<float>(std::max<std::int64_t>(0, std::int64_t{target.right} - target.left - 1));
  const auto spanY = static_cast<float>(std::max<std::int64_t>(0, std::int64_t{target.bottom} - target.top - 1));
  const float px = x * spanX + static_cast<float>(target.left);
  const float py = y * spanY + static_cast<float>(target.top);
  const float dx = (px - static_cast<float>(screen.x)) * 65535.0f / static_cast<float>(screen.width - 1);
  const float dy = (py - static_cast<float>(screen.y)) * 65535.0f / static_cast<float>(screen.height - 1);
  return AbsolutePosition{static_cast<std::int32_t>(std::lroundf(dx)), static_cast<std::int32_t>(std::lroundf(dy))};
}

}  // namespace vel
