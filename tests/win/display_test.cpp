// Monitor enumeration and the system metrics on the test display: one 1920 × 1080 Xvfb screen at
// the origin, at 96 DPI.
#include <gtest/gtest.h>

#include <array>

#include "app/display.h"

namespace vel {
namespace {

TEST(DisplayList, TheTestScreenIsOneMainMonitorAtTheOriginAt96Dpi) {
  const DisplayList displays = buildDisplayList();
  ASSERT_EQ(displays.size(), 1u);
  EXPECT_EQ(displays[0].rect, (DesktopRect{0, 0, 1920, 1080}));
  EXPECT_EQ(displays[0].name, L"Display 1  \u00b7  1920 \u00d7 1080 (main)");
  EXPECT_EQ(systemDpi(), 96u);
  const VirtualScreen screen = currentVirtualScreen();
  EXPECT_EQ((std::array{screen.x, screen.y, screen.width, screen.height}), (std::array{0, 0, 1920, 1080}));
}

}  // namespace
}  // namespace vel
