// Display choice, target rectangle and the geometry it gives the settings.
#include <gtest/gtest.h>

#include "app/display.h"
#include "control/input_gate.h"
#include "tests/support/recording_sink.h"

namespace vel {
namespace {

using Rect = std::array<std::int32_t, 4>;

// Primary 1920 x 1080 at 0,0 and a 2560 x 1440 monitor to its left, primary enumerated first.
const DisplayList kTwoMonitors{{{0, 0, 1920, 1080}, displayName(0, {0, 0, 1920, 1080}, true)},
                               {{-2560, 0, 0, 1440}, displayName(1, {-2560, 0, 0, 1440}, false)}};
const VirtualScreen kTwoMonitorScreen{-2560, 0, 4480, 1440};
const DisplayList kOneMonitor{{{0, 0, 1920, 1080}, displayName(0, {0, 0, 1920, 1080}, true)}};
const VirtualScreen kOneMonitorScreen{0, 0, 1920, 1080};

Settings withDisplay(int display, int allDisplays) {
  Settings settings;
  settings.Display = display;
  settings.AllDisplays = allDisplays;
  return settings;
}

class DisplayGeometry : public ::testing::Test {
 protected:
  void apply(const DisplayList& displays, const VirtualScreen& screen, std::uint32_t dpi = 96) {
    applyDisplaySelection(settings, displays, screen, dpi, gate);
  }
  test::RecordingSink sink;
  InputGate gate{sink, [] { return std::uint64_t{100000}; }};
  Settings settings;
};

TEST(DisplayNames, SizeSeparatorsAndMainMarker) {
  EXPECT_EQ(kTwoMonitors[0].name, L"Display 1  \u00b7  1920 \u00d7 1080 (main)");
  EXPECT_EQ(kTwoMonitors[1].name, L"Display 2  \u00b7  2560 \u00d7 1440");
  EXPECT_EQ(displayName(11, {-100, -50, 1180, 974}, false), L"Display 12  \u00b7  1280 \u00d7 1024");
}

TEST(DisplayChoice, AllDisplaysItemOnlyWithSeveralMonitors) {
  EXPECT_EQ(displayChoiceItems(kTwoMonitors),
            (std::vector<std::wstring>{kTwoMonitors[0].name, kTwoMonitors[1].name,
                                       L"All displays \u2014 entire desktop"}));
  EXPECT_EQ(displayChoiceItems(kOneMonitor), std::vector<std::wstring>{kOneMonitor[0].name});
  EXPECT_TRUE(displayChoiceItems({}).empty());
}

TEST(DisplayChoice, ClampingAtWindowCreation) {
  Settings settings = withDisplay(5, 0);
  EXPECT_EQ(clampDisplaySelection(settings, 2), 1);
  EXPECT_EQ(settings.Display, 1);

  settings = withDisplay(-4, 0);
  EXPECT_EQ(clampDisplaySelection(settings, 2), 0);
  EXPECT_EQ(settings.Display, 0);

  settings = withDisplay(1, 1);
  EXPECT_EQ(clampDisplaySelection(settings, 2), 2);  // the All displays item
  EXPECT_EQ(settings.AllDisplays, 1);

  settings = withDisplay(1, 1);
  EXPECT_EQ(clampDisplaySelection(settings, 1), 0);
  EXPECT_EQ(settings.AllDisplays, 0);
  EXPECT_EQ(settings.Display, 0);

  settings = withDisplay(3, 1);
  EXPECT_EQ(clampDisplaySelection(settings, 0), 0);
  EXPECT_EQ(settings.AllDisplays, 0);
  EXPECT_EQ(settings.Display, 0);
}

TEST(DisplayChoice, PickingAllDisplaysKeepsTheMonitorChosenBefore) {
  Settings settings = withDisplay(1, 0);
  pickDisplayItem(settings, 2, 2);
  EXPECT_EQ(settings.AllDisplays, 1);
  EXPECT_EQ(settings.Display, 1);
  pickDisplayItem(settings, 0, 2);
  EXPECT_EQ(settings.AllDisplays, 0);
  EXPECT_EQ(settings.Display, 0);
  pickDisplayItem(settings, -1, 2);
  EXPECT_EQ(settings.Display, 0);
}

TEST(DisplayTarget, MonitorOrVirtualScreen) {
  EXPECT_EQ(targetDesktopRect(withDisplay(1, 0), kTwoMonitors, kTwoMonitorScreen), (DesktopRect{-2560, 0, 0, 1440}));
  EXPECT_EQ(targetDesktopRect(withDisplay(0, 1), kTwoMonitors, kTwoMonitorScreen), (DesktopRect{-2560, 0, 1920, 1440}));
  EXPECT_EQ(targetDesktopRect(withDisplay(0, 0), {}, {10, 20, 800, 600}), (DesktopRect{10, 20, 810, 620}));
}

TEST_F(DisplayGeometry, AllDisplaysPlacesTheChosenMonitorInsideTheDesktop) {
  settings = withDisplay(0, 1);
  apply(kTwoMonitors, kTwoMonitorScreen, 144);
  EXPECT_EQ(sink.target, (DesktopRect{-2560, 0, 1920, 1440}));
  EXPECT_EQ(settings.targetWidth, 4480);
  EXPECT_EQ(settings.targetHeight, 1440);
  EXPECT_FLOAT_EQ(settings.dpiScale, 1.5f);
  EXPECT_EQ(settings.displayRectInTarget, (Rect{2560, 0, 4480, 1080}));
}

TEST_F(DisplayGeometry, SingleDisplayAgainRestoresItsOwnRectangle) {
  settings = withDisplay(1, 1);
  apply(kTwoMonitors, kTwoMonitorScreen);
  EXPECT_EQ(settings.displayRectInTarget, (Rect{0, 0, 2560, 1440}));
  pickDisplayItem(settings, 1, 2);
  apply(kTwoMonitors, kTwoMonitorScreen);
  EXPECT_EQ(sink.target, (DesktopRect{-2560, 0, 0, 1440}));
  EXPECT_EQ(settings.targetWidth, 2560);
  EXPECT_EQ(settings.targetHeight, 1440);
  EXPECT_FLOAT_EQ(settings.dpiScale, 1.0f);
  EXPECT_EQ(settings.displayRectInTarget, (Rect{0, 0, 2560, 1440}));
}

TEST_F(DisplayGeometry, NoMonitorsFallsBackToTheVirtualScreen) {
  apply({}, {-5, 7, 1024, 768});
  EXPECT_EQ(sink.target, (DesktopRect{-5, 7, 1019, 775}));
  EXPECT_EQ(settings.targetWidth, 1024);
  EXPECT_EQ(settings.displayRectInTarget, (Rect{0, 0, 1024, 768}));
}

}  // namespace
}  // namespace vel
