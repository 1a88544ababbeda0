// settings.ini through the host store: defaults, clamps, the stored area and gesture table
// rules, the saved file's keys and rounding, and a fuzzed loader.
#include <gtest/gtest.h>

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

constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

class SettingsFile : public ::testing::Test {
 protected:
  LoadedSettings load(const std::string& text) {
    test::writeFile(file, text);
    return loadSettings(store);
  }
  Settings loadSection(const std::string& keys) { return load("[Velmora]\n" + keys).settings; }
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

TEST_F(SettingsFile, MissingFileGivesTheDefaultsAndIsNotCreated) {
  const LoadedSettings loaded = loadSettings(store);
  EXPECT_TRUE(loaded.settings == Settings{});
  EXPECT_TRUE(loaded.reachMirror);
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(SettingsFile, ValuesAreClampedAndReadAsTheWindowsFunctionsReadThem) {
  Settings s = loadSection("Margin=45\nClickWait=200\nPointerFeel=7\nDistanceMode=2\nCamera=-3\n");
  EXPECT_FLOAT_EQ(s.Margin, 0.30f);
  EXPECT_EQ(s.ClickWait, 700);
  EXPECT_EQ(s.PointerFeel, 2);
  EXPECT_FLOAT_EQ(s.pointerSmoothing, kPointerFeelOptions[2].smoothing);
  EXPECT_EQ(s.DistanceMode, 0);
  EXPECT_EQ(s.Camera, -3);  // indexes are kept as read for their lists to clamp
  s = loadSection("Margin=-3\nClickWait=5000\nPointerFeel=-1\n");
  EXPECT_EQ(s.Margin, 0.0f);
  EXPECT_EQ(s.ClickWait, 1500);
  EXPECT_EQ(s.PointerFeel, 0);
  // Flags are any non-zero value, Preview is never read, junk reads as 0, huge values wrap.
  s = load("[Velmora]\nMirror=yes\nPreview=0\nAllDisplays=7\nMargin=99999999999\nClickWait=0x500\n"
           "PointerFeel=\nCamera=  2 cams\n[Other]\nDisplay=4\n")
          .settings;
  EXPECT_FALSE(s.Mirror);
  EXPECT_TRUE(s.Preview);
  EXPECT_EQ(s.AllDisplays, 1);
  EXPECT_FLOAT_EQ(s.Margin, 0.30f);  // 1215752191 after wrapping
  EXPECT_EQ(s.ClickWait, 1280);      // hexadecimal
  EXPECT_EQ(s.Camera, 2);
  EXPECT_EQ(s.Display, 0);  // another section's key
}

TEST_F(SettingsFile, AStoredAreaIsLoadedOnlyWhenItKeepsItsRules) {
  const LoadedSettings loaded = load(
      "[Velmora]\nReachVersion=1\nReachLeft=2150\nReachTop=2125\nReachRight=7850\nReachBottom=6875\n"
      "ReachPalm=1250\nReachAspect=17778\nReachMirror=0\nReachCamera=\\\\?\\usb#vid_1\n");
  EXPECT_TRUE(loaded.settings.ReachVersion);
  EXPECT_FLOAT_EQ(loaded.settings.ReachLeft, 0.215f);
  EXPECT_FLOAT_EQ(loaded.settings.ReachAspect, 1.7778f);
  EXPECT_FALSE(loaded.reachMirror);
  EXPECT_EQ(loaded.reachCamera, L"\\\\?\\usb#vid_1");

  // Too narrow (0.13 wide): forgotten whole.
  const Settings s = loadSection("ReachVersion=1\nReachLeft=2000\nReachTop=2000\nReachRight=3300\n"
                                 "ReachBottom=7000\nReachPalm=1250\nReachAspect=13333\n");
  Settings cleared = s;
  clearStoredReach(cleared);
  EXPECT_TRUE(s == cleared);
  EXPECT_FALSE(s.ReachVersion);
  // Only ReachVersion=1 counts; outside the image, a palm out of range and huge numbers do not.
  const std::string wide = "ReachLeft=2000\nReachTop=2000\nReachRight=8000\nReachBottom=7000\nReachPalm=1250\n";
  EXPECT_TRUE(loadSection("ReachVersion=1\n" + wide).ReachVersion);
  for (const std::string bad : {"ReachVersion=2\n", "", "ReachVersion=1\nReachLeft=-1\n",
                                "ReachVersion=1\nReachPalm=8000\n", "ReachVersion=1\nReachRight=2147483647\n"}) {
    EXPECT_FALSE(loadSection(bad + wide).ReachVersion) << bad;
  }
}

TEST_F(SettingsFile, GestureKeysNeedGesturesVersion1AndAValidTable) {
  // Without it the defaults stay, but Scroll=0 still turns Scroll off.
  Gestures noScroll = kDefaultGestures;
  noScroll[kActionScroll] = 0;
  EXPECT_EQ(loadSection("Scroll=0\nGesture1=5\nGesture5=3\n").gestures, noScroll);
  EXPECT_EQ(loadSection("GesturesVersion=1\nScroll=0\nGesture5=6\n").gestures, noScroll);
  const Settings s = loadSection("GesturesVersion=1\nGesture1=5\nGesture3=0\nGesture5=3\nGesture8=3\n");
  EXPECT_EQ(s.gestures, (Gestures{0, 5, 2, 0, 4, 3, 0, 0, 3, 0, 0, 0}));
  EXPECT_TRUE(has(save(s), "Scroll=1"));
  // A table breaking the rules is replaced whole: Click and Copy both on Thumb up; not an option;
  // Drag and drop sharing with Scroll; no such pose.
  for (const std::string bad : {"Gesture1=5\nGesture8=5\n", "Gesture1=7\n", "Gesture4=6\nGesture5=6\n",
                                "Gesture9=-1\n"}) {
    EXPECT_EQ(loadSection("GesturesVersion=1\nGesture2=3\nGesture3=0\n" + bad).gestures, kDefaultGestures) << bad;
  }
}

TEST_F(SettingsFile, SaveWritesEveryKeyInOrderAndKeepsAStoredCameraItCannotName) {
  Settings settings;
  settings.Camera = 1;
  EXPECT_EQ(save(settings, {L"cam0", L"cam1"}),
            "[Velmora]\r\nMirror=1\r\nPreview=1\r\nScroll=1\r\nPointerFeel=0\r\nMargin=15\r\nCamera=1\r\n"
            "Display=0\r\nAllDisplays=0\r\nClickWait=1000\r\nDistanceMode=0\r\nGestureReference=0\r\n"
            "GesturesVersion=1\r\nGesture1=1\r\nGesture2=2\r\nGesture3=3\r\nGesture4=4\r\nGesture5=2\r\n"
            "Gesture6=0\r\nGesture7=0\r\nGesture8=0\r\nGesture9=0\r\nGesture10=0\r\nGesture11=0\r\n"
            "ReachVersion=0\r\nReachLeft=750\r\nReachTop=750\r\nReachRight=9250\r\nReachBottom=9250\r\n"
            "ReachPalm=0\r\nReachAspect=0\r\nReachMirror=1\r\nReachCamera=cam1\r\n");
  EXPECT_TRUE(has(save(settings, {}), "ReachCamera=cam1"));
  settings.Camera = -1;
  EXPECT_TRUE(has(save(settings, {L"cam0"}), "ReachCamera=cam1"));
}

TEST_F(SettingsFile, FractionsAreRoundedToTheNearestStoredUnitAndNonFiniteOnesPinned) {
  Settings settings;
  settings.ReachVersion = true;
  settings.Margin = 0.155f;        // 15.5 + 0.5, truncated
  settings.ReachLeft = 0.21249f;   // 2124.9
  settings.ReachTop = -0.00016f;   // -1.6
  settings.ReachPalm = 0.123449f;  // 1234.49
  settings.ReachAspect = 16.0f / 9.0f;
  settings.ReachRight = kInf;
  settings.ReachBottom = kNan;
  const std::string text = save(settings);
  for (const char* line : {"Margin=16", "ReachLeft=2125", "ReachTop=-2", "ReachPalm=1234", "ReachAspect=17778",
                           "ReachVersion=0", "ReachRight=2147483647", "ReachBottom=0"}) {
    EXPECT_TRUE(has(text, line)) << line;
  }
  settings.ReachTop = -kInf;
  EXPECT_TRUE(has(save(settings), "ReachTop=-2147483648"));
  EXPECT_FALSE(loadSettings(store).settings.ReachVersion);
}

TEST(StoredReachRules, EachRuleFromBothSides) {
  const StoredReach good{false, 0.1f, 0.1f, 0.5f, 0.5f, 0.2f, kNan};  // the flag and the aspect do not count
  EXPECT_TRUE(reachValid(good));
  const struct {
    float StoredReach::*field;
    float valid;
    float invalid;
  } rows[] = {
      {&StoredReach::left, 0.0f, -0.001f},      {&StoredReach::top, 0.0f, -0.001f},
      {&StoredReach::right, 1.0f, 1.001f},      {&StoredReach::bottom, 1.0f, 1.001f},
      {&StoredReach::right, 0.2401f, 0.2399f},  {&StoredReach::bottom, 0.2201f, 0.2199f},
      {&StoredReach::palm, 0.0151f, 0.015f},    {&StoredReach::palm, 0.799f, 0.8f},
      {&StoredReach::left, 0.1f, kNan},         {&StoredReach::palm, 0.2f, kInf},
  };
  for (const auto& row : rows) {
    StoredReach reach = good;
    reach.*row.field = row.valid;
    EXPECT_TRUE(reachValid(reach)) << row.valid;
    reach.*row.field = row.invalid;
    EXPECT_FALSE(reachValid(reach)) << row.invalid;
  }
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
