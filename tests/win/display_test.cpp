// Monitor enumeration under Wine's single 1920 x 1080 Xvfb screen.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/display.h"

namespace vel {
namespace {

TEST(DisplayList, ListsTheMonitorsWithTheirRectanglesAndNames) {
  const DisplayList displays = buildDisplayList();
  ASSERT_EQ(displays.size(), static_cast<std::size_t>(GetSystemMetrics(SM_CMONITORS)));
  ASSERT_FALSE(displays.empty());
  const DesktopRect& main = displays[0].rect;
  EXPECT_EQ(main.left, 0);
  EXPECT_EQ(main.top, 0);
  EXPECT_EQ(main.right - main.left, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(main.bottom - main.top, GetSystemMetrics(SM_CYSCREEN));
  EXPECT_EQ(displays[0].name, displayName(0, main, true));
}

TEST(DisplayList, VirtualScreenAndDpiFromTheSystem) {
  const VirtualScreen screen = currentVirtualScreen();
  EXPECT_EQ(screen.width, GetSystemMetrics(SM_CXVIRTUALSCREEN));
  EXPECT_EQ(screen.height, GetSystemMetrics(SM_CYVIRTUALSCREEN));
  EXPECT_GE(systemDpi(), 96u);

  Settings settings;
  settings.AllDisplays = 1;
  EXPECT_EQ(targetDesktopRect(settings, buildDisplayList(), screen),
            (DesktopRect{screen.x, screen.y, screen.x + screen.width, screen.y + screen.height}));
}

}  // namespace
}  // namespace vel
