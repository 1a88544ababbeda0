// settings.ini through the host store: what a file loads as, shown by what the save writes back;
// the saved keys, order and rounding; the stored-area rules; and a fuzzed loader.
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

constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// The file a missing settings.ini saves as: every key, in order, at its default.
const std::string kDefaults =
    "[Velmora]\r\nMirror=1\r\nPreview=1\r\nScroll=1\r\nPointerFeel=0\r\nMargin=15\r\nCamera=0\r\nDisplay=0\r\n"
    "AllDisplays=0\r\nClickWait=1000\r\nDistanceMode=0\r\nGestureReference=0\r\nGesturesVersion=1\r\n"
    "Gesture1=1\r\nGesture2=2\r\nGesture3=3\r\nGesture4=4\r\nGesture5=2\r\nGesture6=0\r\nGesture7=0\r\nGesture8=0\r\n"
    "Gesture9=0\r\nGesture10=0\r\nGesture11=0\r\nReachVersion=0\r\nReachLeft=750\r\nReachTop=750\r\n"
    "ReachRight=9250\r\nReachBottom=9250\r\nReachPalm=0\r\nReachAspect=0\r\nReachMirror=1\r\n";

class SettingsFile : public ::testing::Test {
 protected:
  LoadedSettings load(const std::string& text) {
    test::writeFile(file, text);
    return loadSettings(store);
  }
  std::string save(const Settings& settings, const std::vector<std::wstring>& cameras = {}) {
    std::filesystem::remove(saved);
    saveSettings(savedStore, settings, cameras);
    return test::readFile(saved);
  }

  test::TempDir dir;
  std::filesystem::path file = dir / "settings.ini", saved = dir / "saved.ini";
  IniStore store{file}, savedStore{saved};
};

TEST_F(SettingsFile, AMissingFileLoadsTheDefaultsAndIsNotCreated) {
  const LoadedSettings loaded = loadSettings(store);
  EXPECT_EQ(save(loaded.settings, {L"cam0"}), kDefaults + "ReachCamera=cam0\r\n");
  EXPECT_EQ(loaded.settings.pointerSmoothing, 0.18f);
  EXPECT_TRUE(loaded.settings.Preview && loaded.reachMirror && loaded.reachCamera.empty());
  EXPECT_FALSE(std::filesystem::exists(file));
}

// Each file line loads as the saved lines say: clamps, flags, integers read as Windows reads
// them, the stored area kept only whole and valid, the gesture table only with GesturesVersion 1.
TEST_F(SettingsFile, ValuesLoadClampedAndSaveBackAsLoaded) {
  const std::string area = "ReachLeft=2150\nReachTop=2125\nReachRight=7850\nReachBottom=6875\nReachPalm=1250\n";
  const struct { std::string lines; std::vector<std::string> saved; } rows[] = {
      {"Margin=45\nClickWait=200\nPointerFeel=7\nDistanceMode=2", {"Margin=30", "ClickWait=700", "PointerFeel=2", "DistanceMode=0"}},
      {"Margin=-3\nClickWait=5000\nPointerFeel=-1\nDistanceMode=1", {"Margin=0", "ClickWait=1500", "PointerFeel=0", "DistanceMode=1"}},
      {"Margin=99999999999\nClickWait=0x500\nCamera=  2 cams\nDisplay=-4", {"Margin=30", "ClickWait=1280", "Camera=2", "Display=-4"}},
      {"Mirror=yes\nPreview=0\nAllDisplays=7\nGestureReference=3\nPointerFeel=\n[Other]\nCamera=4",
       {"Mirror=0", "Preview=1", "AllDisplays=1", "GestureReference=1", "PointerFeel=0", "Camera=0", "ReachMirror=0"}},
      {"ReachVersion=1\nReachAspect=17778\n" + area,
       {"ReachVersion=1", "ReachLeft=2150", "ReachTop=2125", "ReachRight=7850", "ReachBottom=6875", "ReachPalm=1250", "ReachAspect=17778"}},
      {"ReachVersion=1\nReachRight=3450\nReachAspect=5\n" + area, {"ReachVersion=0", "ReachLeft=750", "ReachAspect=0"}},  // 0.13 wide
      {"ReachVersion=2\n" + area, {"ReachVersion=0", "ReachLeft=750"}},
      {"ReachVersion=1\nReachPalm=8000\n" + area, {"ReachVersion=0", "ReachPalm=0"}},
      {"Scroll=0\nGesture1=5\nGesture5=3", {"Scroll=0", "Gesture1=1", "Gesture5=0"}},
      {"GesturesVersion=1\nGesture1=5\nGesture3=0\nGesture5=3\nGesture8=3",
       {"Gesture1=5", "Gesture2=2", "Gesture3=0", "Gesture4=4", "Gesture5=3", "Gesture8=3"}},
      {"GesturesVersion=1\nScroll=0\nGesture2=3\nGesture3=0\nGesture5=6", {"Scroll=0", "Gesture2=3", "Gesture5=0"}},
      // A table breaking the rules is replaced whole.
      {"GesturesVersion=1\nGesture2=3\nGesture3=0\nGesture1=5\nGesture8=5", {"Gesture2=2", "Gesture3=3", "Gesture8=0"}},
      {"GesturesVersion=1\nGesture2=3\nGesture3=0\nGesture1=7", {"Gesture1=1", "Gesture2=2", "Gesture3=3"}},
      {"GesturesVersion=1\nGesture4=6\nGesture5=6", {"Gesture4=4", "Gesture5=2"}},
  };
  for (const auto& row : rows) {
    const LoadedSettings loaded = load("[Velmora]\n" + row.lines + "\n");
    const std::string text = save(loaded.settings);
    for (const std::string& line : row.saved) EXPECT_NE(text.find("\r\n" + line + "\r\n"), std::string::npos) << row.lines << " / " << line;
  }
  EXPECT_FLOAT_EQ(load("[Velmora]\nPointerFeel=7\n").settings.pointerSmoothing, 1.0f);
  EXPECT_FLOAT_EQ(load("[Velmora]\nMargin=20\n").settings.Margin, 0.2f);
  const LoadedSettings tagged = load("[Velmora]\nReachMirror=0\nReachCamera=\\\\?\\usb#vid_1\n");
  EXPECT_FALSE(tagged.reachMirror);
  EXPECT_EQ(tagged.reachCamera, L"\\\\?\\usb#vid_1");
}

TEST_F(SettingsFile, SavingRoundsToStoredUnitsAndNamesTheSelectedCamera) {
  Settings s;
  s.ReachVersion = true;
  s.Margin = 0.155f;        // 15.5 + 0.5, truncated
  s.ReachLeft = 0.21249f;   // 2124.9
  s.ReachTop = -0.00016f;   // -1.6, rounded away from zero
  s.ReachPalm = 0.123449f;  // 1234.49
  s.ReachAspect = 16.0f / 9.0f;
  s.ReachRight = kInf;
  s.ReachBottom = kNan;
  s.Camera = 1;
  const std::string text = save(s, {L"cam0", L"cam1"});
  for (const char* line : {"Margin=16", "ReachLeft=2125", "ReachTop=-2", "ReachPalm=1234", "ReachAspect=17778",
                           "ReachVersion=0", "ReachRight=2147483647", "ReachBottom=0", "ReachCamera=cam1"}) {
    EXPECT_NE(text.find("\r\n" + std::string(line) + "\r\n"), std::string::npos) << line;
  }
  s.ReachTop = -kInf;
  EXPECT_NE(save(s).find("ReachTop=-2147483648\r\n"), std::string::npos);
  // Without that camera the key keeps its old value.
  s.Camera = 1;
  save(s, {L"cam0", L"cam1"});
  const std::vector<std::wstring> one{L"cam0"};
  for (const int camera : {-1, 1}) {
    s.Camera = camera;
    saveSettings(savedStore, s, one);
    EXPECT_NE(test::readFile(saved).find("ReachCamera=cam1"), std::string::npos) << camera;
  }
}

TEST(StoredReachRules, EachRuleFromBothSides) {
  const StoredReach good{false, 0.1f, 0.1f, 0.5f, 0.5f, 0.2f, kNan};  // the flag and the aspect do not count
  EXPECT_TRUE(reachValid(good));
  EXPECT_TRUE(reachValid({false, 0.0f, 0.0f, 0.14f, 0.12f, 0.2f, 0.0f})) << "the smallest area";
  const struct { float StoredReach::*field; float valid, invalid; } rows[] = {
      {&StoredReach::left, 0.0f, -0.001f},     {&StoredReach::top, 0.0f, -0.001f},
      {&StoredReach::right, 1.0f, 1.001f},     {&StoredReach::bottom, 1.0f, 1.001f},
      {&StoredReach::right, 0.2401f, 0.2399f}, {&StoredReach::bottom, 0.2201f, 0.2199f},
      {&StoredReach::palm, 0.0151f, 0.015f},   {&StoredReach::palm, 0.799f, 0.8f},
      {&StoredReach::left, 0.1f, kNan},        {&StoredReach::top, 0.1f, kInf},
      {&StoredReach::right, 0.5f, kNan},       {&StoredReach::bottom, 0.5f, kNan},
      {&StoredReach::palm, 0.2f, kInf},
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
  const test::TempDir dir;
  IniStore store(dir / "settings.ini"), saved(dir / "again.ini");
  std::mt19937 random(7);
  const int count = test::runCount(2000, 100'000);
  for (int i = 0; i < count; ++i) {
    const std::string text = test::randomSettingsFile(random);
    test::writeFile(dir / "settings.ini", text);
    const Settings s = loadSettings(store).settings;
    ASSERT_TRUE(s.PointerFeel >= 0 && s.PointerFeel <= 2) << text;
    ASSERT_EQ(s.pointerSmoothing, kPointerFeelOptions[static_cast<std::size_t>(s.PointerFeel)].smoothing);
    ASSERT_TRUE(s.Margin >= 0.0f && s.Margin <= 0.3f) << text;
    ASSERT_TRUE(s.ClickWait >= 700 && s.ClickWait <= 1500) << text;
    ASSERT_TRUE(s.DistanceMode == 0 || s.DistanceMode == 1) << text;
    ASSERT_TRUE(gesturesValid(s.gestures)) << text;
    Settings cleared = s;
    clearStoredReach(cleared);
    ASSERT_TRUE(s.ReachVersion ? reachValid(storedReach(s)) : cleared == s) << text;
    // The round trip costs a few dozen file writes; a sample of the inputs is enough.
    if (i % 20 == 0) {
      std::filesystem::remove(dir / "again.ini");
      saveSettings(saved, s, {});
      ASSERT_TRUE(loadSettings(saved).settings == s) << text;
    }
  }
}

}  // namespace
}  // namespace vel
