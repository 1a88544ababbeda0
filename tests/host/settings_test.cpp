// settings.ini through the host store: defaults, clamps, the stored area and gesture table
// rules, the saved file's keys and rounding, and a fuzzed loader.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "app/ini_store.h"
#include "app/settings.h"
#include "tests/support/random_ini.h"
#include "tests/support/run_count.h"
#include "tests/support/temp_dir.h"

namespace vel {
namespace {

using test::TempDir;

class SettingsFile : public ::testing::Test {
 protected:
  LoadedSettings load(const std::string& text) {
    test::writeFile(file, text);
    return loadSettings(store);
  }
  std::string save(const Settings& settings, const std::vector<std::wstring>& cameras = {L"cam0"}) {
    saveSettings(store, settings, cameras);
    return test::readFile(file);
  }
  static bool has(const std::string& text, const std::string& line) {
    return text.find("\r\n" + line + "\r\n") != std::string::npos;
  }

  TempDir dir;
  std::filesystem::path file = dir / "settings.ini";
  IniStore store{file};
};

TEST_F(SettingsFile, MissingFileGivesTheDefaults) {
  const LoadedSettings loaded = loadSettings(store);
  const Settings& s = loaded.settings;
  EXPECT_TRUE(s == Settings{});
  EXPECT_TRUE(s.Mirror);
  EXPECT_TRUE(s.Preview);
  EXPECT_EQ(s.PointerFeel, 0);
  EXPECT_FLOAT_EQ(s.pointerSmoothing, 0.18f);
  EXPECT_FLOAT_EQ(s.Margin, 0.15f);
  EXPECT_EQ(s.Camera, 0);
  EXPECT_EQ(s.Display, 0);
  EXPECT_EQ(s.AllDisplays, 0);
  EXPECT_EQ(s.ClickWait, 1000);
  EXPECT_EQ(s.DistanceMode, 0);
  EXPECT_FALSE(s.GestureReference);
  EXPECT_FALSE(s.ReachVersion);
  EXPECT_EQ(s.ReachLeft, 0.075f);
  EXPECT_EQ(s.ReachBottom, 0.925f);
  EXPECT_EQ(s.ReachPalm, 0.0f);
  EXPECT_EQ(s.gestures, (Gestures{0, 1, 2, 3, 4, 2, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(s.targetWidth, 1920);
  EXPECT_EQ(s.holdRadius, 48.0f);
  EXPECT_EQ(s.postClickRadius, 45.0f);
  EXPECT_TRUE(loaded.reachMirror);
  EXPECT_EQ(loaded.reachCamera, L"");
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(SettingsFile, OutOfRangeValuesAreClamped) {
  Settings s = load("[Velmora]\nMargin=45\nClickWait=200\nPointerFeel=7\nDistanceMode=2\n").settings;
  EXPECT_FLOAT_EQ(s.Margin, 0.30f);
  EXPECT_EQ(s.ClickWait, 700);
  EXPECT_EQ(s.PointerFeel, 2);
  EXPECT_FLOAT_EQ(s.pointerSmoothing, 1.0f);
  EXPECT_EQ(s.DistanceMode, 0);
  EXPECT_TRUE(has(save(s), "Margin=30"));

  s = load("[Velmora]\nMargin=-3\nClickWait=5000\nPointerFeel=-1\nDistanceMode=1\n").settings;
  EXPECT_EQ(s.Margin, 0.0f);
  EXPECT_EQ(s.ClickWait, 1500);
  EXPECT_EQ(s.PointerFeel, 0);
  EXPECT_FLOAT_EQ(s.pointerSmoothing, 0.18f);
  EXPECT_EQ(s.DistanceMode, 1);
}

TEST_F(SettingsFile, FlagsAreAnyNonZeroValueAndPreviewIsNeverRead) {
  const Settings s = load("[Velmora]\nMirror=0\nPreview=0\nAllDisplays=7\nGestureReference=-2\n").settings;
  EXPECT_FALSE(s.Mirror);
  EXPECT_TRUE(s.Preview);
  EXPECT_EQ(s.AllDisplays, 1);
  EXPECT_TRUE(s.GestureReference);
}

TEST_F(SettingsFile, IndexesAreKeptAsReadForTheirListsToClamp) {
  const Settings s = load("[Velmora]\nCamera=-3\nDisplay=12\n").settings;
  EXPECT_EQ(s.Camera, -3);
  EXPECT_EQ(s.Display, 12);
}

TEST_F(SettingsFile, JunkHugeAndForeignValuesGiveNumbersOrDefaults) {
  const Settings s = load(
                         "[Velmora]\nMirror=yes\nMargin=99999999999\nClickWait=0x500\nPointerFeel=\nCamera=  2 cams\n"
                         "[Other]\nDisplay=4\n")
                         .settings;
  EXPECT_FALSE(s.Mirror);              // "yes" reads as 0
  EXPECT_FLOAT_EQ(s.Margin, 0.30f);    // 1215752191 after wrapping
  EXPECT_EQ(s.ClickWait, 1280);        // hexadecimal
  EXPECT_EQ(s.PointerFeel, 0);         // empty: the default
  EXPECT_EQ(s.Camera, 2);
  EXPECT_EQ(s.Display, 0);  // another section's key
}

TEST_F(SettingsFile, AValidStoredAreaIsLoaded) {
  const LoadedSettings loaded = load(
      "[Velmora]\nReachVersion=1\nReachLeft=2150\nReachTop=2125\nReachRight=7850\nReachBottom=6875\n"
      "ReachPalm=1250\nReachAspect=17778\nReachMirror=0\nReachCamera=\\\\?\\usb#vid_1\n");
  const Settings& s = loaded.settings;
  EXPECT_TRUE(s.ReachVersion);
  EXPECT_FLOAT_EQ(s.ReachLeft, 0.215f);
  EXPECT_FLOAT_EQ(s.ReachTop, 0.2125f);
  EXPECT_FLOAT_EQ(s.ReachRight, 0.785f);
  EXPECT_FLOAT_EQ(s.ReachBottom, 0.6875f);
  EXPECT_FLOAT_EQ(s.ReachPalm, 0.125f);
  EXPECT_FLOAT_EQ(s.ReachAspect, 1.7778f);
  EXPECT_FALSE(loaded.reachMirror);
  EXPECT_EQ(loaded.reachCamera, L"\\\\?\\usb#vid_1");
}

TEST_F(SettingsFile, AStoredAreaThatBreaksItsRulesIsForgotten) {
  const std::string area = "ReachLeft=2000\nReachTop=2000\nReachRight=3300\nReachBottom=7000\nReachPalm=1250\n"
                           "ReachAspect=13333\n";
  // 0.13 wide: too narrow.
  Settings s = load("[Velmora]\nReachVersion=1\n" + area).settings;
  EXPECT_FALSE(s.ReachVersion);
  EXPECT_EQ(storedReach(s).left, 0.075f);
  EXPECT_EQ(storedReach(s).right, 0.925f);
  EXPECT_EQ(s.ReachPalm, 0.0f);
  EXPECT_EQ(s.ReachAspect, 0.0f);
  EXPECT_TRUE(has(save(s), "ReachVersion=0"));

  // Wide enough, but only ReachVersion=1 counts.
  const std::string wide = "ReachLeft=2000\nReachTop=2000\nReachRight=8000\nReachBottom=7000\nReachPalm=1250\n";
  EXPECT_TRUE(load("[Velmora]\nReachVersion=1\n" + wide).settings.ReachVersion);
  EXPECT_FALSE(load("[Velmora]\nReachVersion=2\n" + wide).settings.ReachVersion);
  EXPECT_FALSE(load("[Velmora]\n" + wide).settings.ReachVersion);
  // Outside the image, a palm out of range, numbers far too big.
  for (const std::string bad : {"ReachLeft=-1\n", "ReachBottom=10001\n", "ReachPalm=150\n", "ReachPalm=8000\n",
                                "ReachRight=2147483647\n"}) {
    EXPECT_FALSE(load("[Velmora]\nReachVersion=1\n" + bad + wide).settings.ReachVersion) << bad;
  }
}

TEST_F(SettingsFile, GestureKeysNeedGesturesVersion1) {
  // Without it the defaults stay, but Scroll=0 still turns Scroll off.
  Settings s = load("[Velmora]\nScroll=0\nGesture1=5\nGesture5=3\n").settings;
  Gestures expected = kDefaultGestures;
  expected[kActionScroll] = 0;
  EXPECT_EQ(s.gestures, expected);

  s = load("[Velmora]\nGesturesVersion=1\nGesture1=5\nGesture3=0\nGesture5=3\nGesture8=3\n").settings;
  EXPECT_EQ(s.gestures, (Gestures{0, 5, 2, 0, 4, 3, 0, 0, 3, 0, 0, 0}));
  EXPECT_TRUE(has(save(s), "Scroll=1"));

  s = load("[Velmora]\nGesturesVersion=1\nScroll=0\nGesture5=6\n").settings;
  EXPECT_EQ(s.gestures, expected);
}

TEST_F(SettingsFile, AGestureTableThatBreaksTheRulesIsReplacedWhole) {
  // Click and Copy both on Thumb up.
  Settings s = load("[Velmora]\nGesturesVersion=1\nGesture1=5\nGesture2=6\nGesture8=5\n").settings;
  EXPECT_EQ(s.gestures, kDefaultGestures);
  // Otherwise valid changes with one rule broken: not an option, Drag and drop sharing with
  // Scroll, a pose id that does not exist.
  for (const std::string bad : {"Gesture1=7\n", "Gesture4=6\nGesture5=6\n", "Gesture9=-1\n"}) {
    s = load("[Velmora]\nGesturesVersion=1\nGesture2=3\nGesture3=0\n" + bad).settings;
    EXPECT_EQ(s.gestures, kDefaultGestures) << bad;
  }
}

TEST_F(SettingsFile, SaveWritesEveryKeyInOrder) {
  Settings settings;
  settings.ReachVersion = true;
  settings.ReachLeft = 0.215f;
  settings.ReachTop = 0.2125f;
  settings.ReachRight = 0.785f;
  settings.ReachBottom = 0.6875f;
  settings.ReachPalm = 0.125f;
  settings.ReachAspect = 16.0f / 9.0f;
  settings.Camera = 1;
  EXPECT_EQ(save(settings, {L"cam0", L"cam1"}),
            "[Velmora]\r\nMirror=1\r\nPreview=1\r\nScroll=1\r\nPointerFeel=0\r\nMargin=15\r\nCamera=1\r\n"
            "Display=0\r\nAllDisplays=0\r\nClickWait=1000\r\nDistanceMode=0\r\nGestureReference=0\r\n"
            "GesturesVersion=1\r\nGesture1=1\r\nGesture2=2\r\nGesture3=3\r\nGesture4=4\r\nGesture5=2\r\n"
            "Gesture6=0\r\nGesture7=0\r\nGesture8=0\r\nGesture9=0\r\nGesture10=0\r\nGesture11=0\r\n"
            "ReachVersion=1\r\nReachLeft=2150\r\nReachTop=2125\r\nReachRight=7850\r\nReachBottom=6875\r\n"
            "ReachPalm=1250\r\nReachAspect=17778\r\nReachMirror=1\r\nReachCamera=cam1\r\n");
}

TEST_F(SettingsFile, SavingWithNoSuchCameraKeepsTheStoredCamera) {
  test::writeFile(file, "[Velmora]\r\nReachCamera=old\r\n");
  Settings settings;
  EXPECT_TRUE(has(save(settings, {}), "ReachCamera=old"));
  settings.Camera = -1;
  EXPECT_TRUE(has(save(settings, {L"cam0"}), "ReachCamera=old"));
  settings.Camera = 0;
  EXPECT_TRUE(has(save(settings, {L"cam0"}), "ReachCamera=cam0"));
}

TEST_F(SettingsFile, FractionsAreRoundedToTheNearestStoredUnit) {
  Settings settings;
  settings.Margin = 0.155f;        // 15.5 + 0.5, truncated
  settings.ReachLeft = 0.21249f;   // 2124.9
  settings.ReachTop = -0.00016f;   // -1.6
  settings.ReachPalm = 0.123449f;  // 1234.49
  const std::string text = save(settings);
  EXPECT_TRUE(has(text, "Margin=16"));
  EXPECT_TRUE(has(text, "ReachLeft=2125"));
  EXPECT_TRUE(has(text, "ReachTop=-2"));
  EXPECT_TRUE(has(text, "ReachPalm=1234"));
}

TEST_F(SettingsFile, NonFiniteValuesSaveAsNumbersAndLoadAsDefaults) {
  Settings settings;
  settings.ReachVersion = true;
  settings.ReachLeft = std::numeric_limits<float>::quiet_NaN();
  settings.ReachRight = std::numeric_limits<float>::infinity();
  settings.ReachTop = -std::numeric_limits<float>::infinity();
  settings.Margin = std::numeric_limits<float>::quiet_NaN();
  const std::string text = save(settings);
  EXPECT_TRUE(has(text, "ReachVersion=0"));
  EXPECT_TRUE(has(text, "ReachLeft=0"));
  EXPECT_TRUE(has(text, "ReachRight=2147483647"));
  EXPECT_TRUE(has(text, "ReachTop=-2147483648"));
  EXPECT_TRUE(has(text, "Margin=0"));
  const Settings loaded = loadSettings(store).settings;
  EXPECT_FALSE(loaded.ReachVersion);
  EXPECT_EQ(loaded.ReachRight, 0.925f);
}

TEST_F(SettingsFile, WhatIsSavedLoadsBack) {
  Settings settings;
  settings.Mirror = false;
  settings.PointerFeel = 1;
  settings.pointerSmoothing = 0.5f;
  settings.Margin = 0.07f;
  settings.Camera = 2;
  settings.Display = 1;
  settings.AllDisplays = 1;
  settings.ClickWait = 1300;
  settings.DistanceMode = 1;
  settings.GestureReference = true;
  settings.gestures = {0, 5, 3, 0, 6, 2, 0, 0, 0, 0, 0, 0};
  settings.ReachVersion = true;
  settings.ReachLeft = 0.1f;
  settings.ReachTop = 0.2f;
  settings.ReachRight = 0.9f;
  settings.ReachBottom = 0.8f;
  settings.ReachPalm = 0.2f;
  settings.ReachAspect = 1.3333f;
  save(settings, {L"a", L"b", L"third camera"});
  const LoadedSettings loaded = loadSettings(store);
  EXPECT_TRUE(loaded.settings == settings);
  EXPECT_FALSE(loaded.reachMirror);
  EXPECT_EQ(loaded.reachCamera, L"third camera");
}

TEST(StoredReachRules, EachRuleFromBothSides) {
  const StoredReach good{false, 0.1f, 0.1f, 0.5f, 0.5f, 0.2f, 0.0f};
  EXPECT_TRUE(reachValid(good));  // the valid flag and the aspect are not part of the rule
  const auto with = [&](auto change) {
    StoredReach reach = good;
    change(reach);
    return reachValid(reach);
  };
  EXPECT_TRUE(with([](StoredReach& r) { r.left = 0.0f; }));
  EXPECT_FALSE(with([](StoredReach& r) { r.left = -0.001f; }));
  EXPECT_FALSE(with([](StoredReach& r) { r.top = -0.001f; }));
  EXPECT_TRUE(with([](StoredReach& r) { r.right = 1.0f; }));
  EXPECT_FALSE(with([](StoredReach& r) { r.right = 1.001f; }));
  EXPECT_FALSE(with([](StoredReach& r) { r.bottom = 1.001f; }));
  EXPECT_TRUE(with([](StoredReach& r) { r.right = r.left + 0.1401f; }));
  EXPECT_FALSE(with([](StoredReach& r) { r.right = r.left + 0.1399f; }));
  EXPECT_TRUE(with([](StoredReach& r) { r.bottom = r.top + 0.1201f; }));
  EXPECT_FALSE(with([](StoredReach& r) { r.bottom = r.top + 0.1199f; }));
  EXPECT_TRUE(with([](StoredReach& r) { r.palm = 0.0151f; }));
  EXPECT_FALSE(with([](StoredReach& r) { r.palm = 0.015f; }));
  EXPECT_TRUE(with([](StoredReach& r) { r.palm = 0.799f; }));
  EXPECT_FALSE(with([](StoredReach& r) { r.palm = 0.8f; }));
  EXPECT_FALSE(with([](StoredReach& r) { r.left = std::numeric_limits<float>::quiet_NaN(); }));
  EXPECT_FALSE(with([](StoredReach& r) { r.palm = std::numeric_limits<float>::infinity(); }));
  EXPECT_TRUE(with([](StoredReach& r) { r.aspect = std::numeric_limits<float>::quiet_NaN(); }));
}

// Random hostile files never break the loader's promises, and what it gives saves and loads
// back unchanged. `make check` runs 10^5 files (VEL_CHECK=1).
TEST(SettingsFuzz, LoadingAnyFileGivesASaneRecord) {
  const TempDir dir;
  const auto file = dir / "settings.ini";
  const auto again = dir / "again.ini";
  IniStore store(file);
  IniStore saved(again);
  std::mt19937 random(7);
  const int count = test::runCount(2000, 100'000);
  for (int i = 0; i < count; ++i) {
    const std::string text = test::randomSettingsFile(random);
    test::writeFile(file, text);
    const LoadedSettings loaded = loadSettings(store);
    const Settings& s = loaded.settings;
    ASSERT_TRUE(s.PointerFeel >= 0 && s.PointerFeel <= 2) << text;
    ASSERT_EQ(s.pointerSmoothing, kPointerFeelOptions[static_cast<std::size_t>(s.PointerFeel)].smoothing);
    ASSERT_TRUE(s.Margin >= 0.0f && s.Margin <= 0.3f) << text;
    ASSERT_TRUE(s.ClickWait >= 700 && s.ClickWait <= 1500) << text;
    ASSERT_TRUE(s.DistanceMode == 0 || s.DistanceMode == 1) << text;
    ASSERT_TRUE(s.AllDisplays == 0 || s.AllDisplays == 1) << text;
    ASSERT_TRUE(s.Preview);
    ASSERT_TRUE(gesturesValid(s.gestures)) << text;
    if (s.ReachVersion) {
      ASSERT_TRUE(reachValid(storedReach(s))) << text;
    } else {
      Settings cleared = s;
      clearStoredReach(cleared);
      ASSERT_TRUE(cleared == s) << text;
    }
    // The round trip costs a few dozen file writes; a sample of the inputs is enough.
    if (i % 20 == 0) {
      std::filesystem::remove(again);
      saveSettings(saved, s, {});
      ASSERT_TRUE(loadSettings(saved).settings == s) << text;
    }
  }
}

}  // namespace
}  // namespace vel
