// The per-frame source of control decisions that the tracking worker owns: one camera frame and
// the current settings in, one ControlOutput out.
#pragma once

#include "app/settings.h"
#include "camera/frame.h"
#include "control/control_output.h"

namespace vel {

class IControlProvider {
 public:
  virtual ~IControlProvider() = default;

  // One frame; model errors propagate as exceptions, unusable frames are "no hand".
  virtual ControlOutput process(const Frame& frame, const Settings& settings) = 0;

  // Forgets all tracking and gesture state; emits nothing (releasing a held button is the gate's).
  virtual void reset() = 0;

  // Constant for the life of the object.
  virtual const wchar_t* name() const = 0;
};

}  // namespace vel
