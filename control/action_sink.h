// What the gesture engine asks of the desktop, one record per input action, and the sink that
// performs records. Only the input gate calls a sink, one record at a time under its lock.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "control/actions.h"
#include "tracking/point.h"

namespace vel {

struct ActionRecord {
  ActionKind kind = ActionKind::Move;
  float x = 0.0f;           // Move only: 0 left edge .. 1 right edge of the target rectangle
  float y = 0.0f;           // Move only: 0 top edge .. 1 bottom edge
  std::int32_t amount = 0;  // Wheel only: passed to Windows unchanged; 120 is one notch, positive away from the user

  friend bool operator==(const ActionRecord&, const ActionRecord&) = default;
};

inline ActionRecord moveAction(Point position) { return {ActionKind::Move, position.x, position.y, 0}; }
inline ActionRecord wheelAction(std::int32_t amount) { return {ActionKind::Wheel, 0.0f, 0.0f, amount}; }

// The kind's name as the action-kind table spells it ("LeftClick"); "Kind<n>" outside the table.
std::string actionKindName(ActionKind kind);

// "Move:<x>,<y>" with 4 decimals, "Wheel:<amount>", or the bare kind name: the form the replay
// tool prints and tests compare.
std::string actionText(const ActionRecord& action);

// Virtual-desktop pixels; right and bottom are exclusive, as in a Windows RECT.
struct DesktopRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 1920;
  std::int32_t bottom = 1080;

  friend bool operator==(const DesktopRect&, const DesktopRect&) = default;
};

// The virtual screen's origin and size as the system metrics give them.
struct VirtualScreen {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
};

// SendInput's absolute coordinates: 0..65535 across the whole virtual screen.
struct AbsolutePosition {
  std::int32_t dx = 0;
  std::int32_t dy = 0;

  friend bool operator==(const AbsolutePosition&, const AbsolutePosition&) = default;
};

// Where a Move to (x, y), clamped to 0..1 over `target`, lands in absolute coordinates. None for a
// virtual screen narrower or lower than 2 pixels or a coordinate that is not a number.
std::optional<AbsolutePosition> absolutePosition(float x, float y, const DesktopRect& target,
                                                 const VirtualScreen& screen);

// Windows only: the virtual screen as the system metrics give it now.
VirtualScreen currentVirtualScreen();

class IActionSink {
 public:
  virtual ~IActionSink() = default;

  // True when every input event of the action was accepted; false when it was refused or only
  // partly sent. Never throws.
  virtual bool perform(const ActionRecord& action) = 0;

  // The desktop area that Move positions span from now on.
  virtual void setTarget(const DesktopRect& target) = 0;
};

}  // namespace vel
