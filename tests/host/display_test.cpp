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

Settings withDisplay(int display, int allDisplays) {
  Settings settings;
  settings.Display = display;
  settings.AllDisplays = allDisplays;
  return settings;
}

TEST(DisplayChoice, NamesAndTheAllDisplaysItemOnlyWithSeveralMonitors) {
  EXPECT_EQ(kTwoMonitors[0].name, L"Display 1  \u00b7  1920 \u00d7 1080 (main)");
  EXPECT_EQ(displayName(11, {-100, -50, 1180, 974}, false), L"Display 12  \u00b7  1280 \u00d7 1024");
  EXPECT_EQ(displayChoiceItems(kTwoMonitors),
            (std::vector<std::wstring>{kTwoMonitors[0].name, L"Display 2  \u00b7  2560 \u00d7 1440",
                                       L"All displays \u2014 entire desktop"}));
  EXPECT_EQ(displayChoiceItems({kTwoMonitors[0]}), std::vector<std::wstring>{kTwoMonitors[0].name});
}

TEST(DisplayChoice, ClampingAtWindowCreation) {
  const struct {
    int display, allDisplays, count;
    int item, clampedDisplay, clampedAll;
  } cases[] = {{5, 0, 2, 1, 1, 0}, {-4, 0, 2, 0, 0, 0}, {1, 1, 2, 2, 1, 1}, {1, 1, 1, 0, 0, 0}, {3, 1, 0, 0, 0, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.display << "," << c.allDisplays << " of " << c.count);
    Settings settings = withDisplay(c.display, c.allDisplays);
    EXPECT_EQ(clampDisplaySelection(settings, c.count), c.item);
    EXPECT_EQ(settings.Display, c.clampedDisplay);
    EXPECT_EQ(settings.AllDisplays, c.clampedAll);
  }
}

TEST(DisplayGeometry, TargetRectangleAndDerivedSettings) {
  test::RecordingSink sink;
  InputGate gate{sink, [] { return std::uint64_t{100000}; }};
  Settings settings = withDisplay(0, 1);
  applyDisplaySelection(settings, kTwoMonitors, kTwoMonitorScreen, 144, gate);
  EXPECT_EQ(sink.target, (DesktopRect{-2560, 0, 1920, 1440}));
  EXPECT_EQ((std::array{settings.targetWidth, settings.targetHeight}), (std::array{4480, 1440}));
  EXPECT_FLOAT_EQ(settings.dpiScale, 1.5f);
  EXPECT_EQ(settings.displayRectInTarget, (Rect{2560, 0, 4480, 1080}));

  pickDisplayItem(settings, 1, 2);  // a monitor after all displays
  applyDisplaySelection(settings, kTwoMonitors, kTwoMonitorScreen, 96, gate);
  EXPECT_EQ(sink.target, (DesktopRect{-2560, 0, 0, 1440}));
  EXPECT_EQ(settings.displayRectInTarget, (Rect{0, 0, 2560, 1440}));

  applyDisplaySelection(settings, {}, {-5, 7, 1024, 768}, 96, gate);  // no monitors: the virtual screen
  EXPECT_EQ(sink.target, (DesktopRect{-5, 7, 1019, 775}));
  EXPECT_EQ(settings.displayRectInTarget, (Rect{0, 0, 1024, 768}));
}

}  // namespace
}  // namespace vel
