// Monitor enumeration under Wine's single 1920 x 1080 Xvfb screen.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/display.h"

namespace vel {
namespace {

TEST(DisplayList, MonitorsVirtualScreenAndDpiComeFromTheSystem) {
  const DisplayList displays = buildDisplayList();
  ASSERT_EQ(displays.size(), static_cast<std::size_t>(GetSystemMetrics(SM_CMONITORS)));
  ASSERT_FALSE(displays.empty());
  const DesktopRect& main = displays[0].rect;
  EXPECT_EQ(main, (DesktopRect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}));
  EXPECT_EQ(displays[0].name, displayName(0, main, true));
  EXPECT_GE(systemDpi(), 96u);

  const VirtualScreen screen = currentVirtualScreen();
  EXPECT_EQ(screen.width, GetSystemMetrics(SM_CXVIRTUALSCREEN));
  EXPECT_EQ(screen.height, GetSystemMetrics(SM_CYVIRTUALSCREEN));
  Settings settings;
  settings.AllDisplays = 1;
  EXPECT_EQ(targetDesktopRect(settings, displays, screen),
            (DesktopRect{screen.x, screen.y, screen.x + screen.width, screen.y + screen.height}));
}

}  // namespace
}  // namespace vel
