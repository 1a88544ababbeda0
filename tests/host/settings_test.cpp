// settings.ini through the host INI store: the store against the private-profile cases, what a file
// loads as (shown by what the save writes back), the stored-area rules, and a fuzzed loader.
#include <gtest/gtest.h>

#include <cmath>

#include "app/ini_store.h"
#include "app/settings.h"
#include "tests/support/profile_cases.h"
#include "tests/support/run_count.h"

namespace vel {
namespace {

TEST(IniStore, ReadsAndWritesFilesAsThePrivateProfileFunctions) {
  const test::TempDir dir;
  test::expectProfileCases(dir.path(), "", [](const auto& file) { return std::make_unique<IniStore>(file); });
}

// What a missing or broken settings.ini saves as: every key, in order, at its default.
const std::string kDefaults =
    "[Velmora]\r\nMirror=1\r\nPreview=1\r\nScroll=1\r\nPointerFeel=0\r\nMargin=15\r\nCamera=0\r\nDisplay=0\r\n"
    "AllDisplays=0\r\nClickWait=1000\r\nDistanceMode=0\r\nGestureReference=0\r\nGesturesVersion=1\r\n"
    "Gesture1=1\r\nGesture2=2\r\nGesture3=3\r\nGesture4=4\r\nGesture5=2\r\nGesture6=0\r\nGesture7=0\r\nGesture8=0\r\n"
    "Gesture9=0\r\nGesture10=0\r\nGesture11=0\r\nReachVersion=0\r\nReachLeft=750\r\nReachTop=750\r\n"
    "ReachRight=9250\r\nReachBottom=9250\r\nReachPalm=0\r\nReachAspect=0\r\nReachMirror=1\r\n";

class SettingsFile : public ::testing::Test {
 protected:
  LoadedSettings load(const std::string& text) {
    test::writeFile(dir / "settings.ini", text);
    return loadSettings(store);
  }
  std::string save(const Settings& settings, const std::vector<std::wstring>& cameras = {}) {
    saveSettings(saved, settings, cameras);
    return test::readFile(dir / "saved.ini");
  }

  test::TempDir dir;
  IniStore store{dir / "settings.ini"}, saved{dir / "saved.ini"};
};

// Each file loads as the saved lines say: defaults for a missing or broken file, clamps, flags,
// integers read as Windows reads them, the stored area kept only whole and valid, the gesture table
// only with GesturesVersion 1.
TEST_F(SettingsFile, FilesLoadClampedAndSaveRounded) {
  const LoadedSettings missing = loadSettings(store);
  EXPECT_EQ(save(missing.settings, {L"cam0"}), kDefaults + "ReachCamera=cam0\r\n");
  EXPECT_TRUE(missing.reachMirror && missing.reachCamera.empty() && missing.settings.pointerSmoothing == 0.18f);
  EXPECT_FALSE(std::filesystem::exists(dir / "settings.ini"));
  const LoadedSettings broken = load("\xFF\xFE\x01[Velmora\nMirror=0\n[Velmora]\nMargin\n=3\nGesturesVersion=1\n"
                                     "Gesture4=99\nReachVersion=1\nReachMirror=0\nReachCamera=\\\\?\\usb#vid_1\n");
  EXPECT_EQ(save(broken.settings), kDefaults + "ReachCamera=cam0\r\n") << "without cameras the key stays";
  EXPECT_EQ(std::pair(broken.reachMirror, broken.reachCamera), std::pair(false, std::wstring(L"\\\\?\\usb#vid_1")));
  const std::string area = "ReachLeft=2150\nReachRight=7850\nReachBottom=6875\nReachPalm=1250\n";  // top 0
  const std::pair<std::string, std::vector<std::string>> rows[] = {
      {"Margin=45\nClickWait=200\nPointerFeel=7\nDistanceMode=2\nCamera=  2 cams\nDisplay=-4",
       {"PointerFeel=2", "Margin=30", "Camera=2", "Display=-4", "ClickWait=700", "DistanceMode=0"}},
      {"Margin=-3\nClickWait=5000\nPointerFeel=-1\nDistanceMode=1", {"PointerFeel=0", "Margin=0", "ClickWait=1500",
       "DistanceMode=1"}},
      {"Mirror=yes\nPreview=0\nAllDisplays=7\nGestureReference=3\n[Other]\nCamera=4",
       {"Mirror=0", "Preview=1", "Camera=0", "AllDisplays=1", "GestureReference=1", "ReachMirror=0"}},
      {"ReachVersion=1\nReachAspect=17778\n" + area, {"ReachVersion=1", "ReachLeft=2150", "ReachTop=0",
       "ReachRight=7850", "ReachBottom=6875", "ReachPalm=1250", "ReachAspect=17778"}},
      {"ReachVersion=1\nReachRight=3450\nReachAspect=5\n" + area, {"ReachVersion=0", "ReachLeft=750", "ReachAspect=0"}},
      {"ReachVersion=2\n" + area, {"ReachVersion=0", "ReachPalm=0"}},
      {"Scroll=0\nGesture1=5\nGesture5=3\n" + area, {"Scroll=0", "Gesture1=1", "Gesture5=0", "ReachLeft=750"}},
      {"GesturesVersion=1\nGesture1=5\nGesture3=0\nGesture5=3\nGesture8=3",
       {"Gesture1=5", "Gesture2=2", "Gesture3=0", "Gesture4=4", "Gesture5=3", "Gesture8=3"}},
      {"GesturesVersion=1\nGesture2=3\nGesture3=0\nGesture1=5\nGesture8=5",
       {"Gesture2=2", "Gesture3=3", "Gesture8=0"}}};
  for (const auto& [lines, expected] : rows) {
    const std::string text = save(load("[Velmora]\n" + lines + "\n").settings);
    for (const std::string& line : expected) EXPECT_NE(text.find("\r\n" + line + "\r\n"), text.npos) << lines;
  }
  EXPECT_FLOAT_EQ(load("[Velmora]\nPointerFeel=7\n").settings.pointerSmoothing, 1.0f);
  EXPECT_FLOAT_EQ(load("[Velmora]\nMargin=20\n").settings.Margin, 0.2f);
  // Saving rounds to the stored units and names the selected camera.
  Settings s;
  s.ReachVersion = true;
  s.Margin = 0.155f;  // 15.5 + 0.5, truncated
  std::tie(s.ReachLeft, s.ReachTop, s.ReachRight, s.ReachBottom, s.ReachPalm, s.ReachAspect) =
      std::tuple{0.21249f, -0.00016f, INFINITY, NAN, 0.123449f, 16.0f / 9.0f};  // -1.6 rounds away from zero
  s.Camera = 1;
  const std::string text = save(s, {L"cam0", L"cam1"});
  for (const char* line : {"Margin=16", "ReachLeft=2125", "ReachTop=-2", "ReachPalm=1234", "ReachAspect=17778",
                           "ReachVersion=0", "ReachRight=2147483647", "ReachBottom=0", "ReachCamera=cam1"}) {
    EXPECT_NE(text.find("\r\n" + std::string(line) + "\r\n"), text.npos) << line;
  }
  EXPECT_NE(save(s, {L"cam0"}).find("\r\nReachCamera=cam1\r\n"), text.npos) << "no camera 1: the key stays";
}

TEST(StoredReachRules, EachRuleFromBothSides) {
  EXPECT_TRUE(reachValid({false, 0.0f, 0.0f, 0.14f, 0.12f, 0.2f, 0.0f})) << "the smallest area";
  using R = StoredReach;
  const std::tuple<float R::*, float, float> rows[] = {{&R::left, 0.0f, -0.001f}, {&R::top, 0.0f, -0.001f},
      {&R::right, 1.0f, 1.001f}, {&R::bottom, 1.0f, 1.001f}, {&R::right, 0.2401f, 0.2399f},
      {&R::bottom, 0.2201f, 0.2199f}, {&R::palm, 0.0151f, 0.015f}, {&R::palm, 0.799f, 0.8f}, {&R::left, 0.1f, NAN},
      {&R::top, 0.1f, INFINITY}, {&R::right, 0.5f, NAN}, {&R::bottom, 0.5f, NAN}, {&R::palm, 0.2f, INFINITY}};
  for (const auto& [field, valid, invalid] : rows) {
    StoredReach reach{false, 0.1f, 0.1f, 0.5f, 0.5f, 0.2f, NAN};  // the flag and the aspect do not count
    reach.*field = valid;
    EXPECT_TRUE(reachValid(reach)) << valid;
    reach.*field = invalid;
    EXPECT_FALSE(reachValid(reach)) << invalid;
  }
}

// Random hostile files never break the loader's promises: a valid gesture table, a valid stored area
// or none. `make check` runs 10^5 files.
TEST_F(SettingsFile, FuzzedFilesLoadAsASaneRecord) {
  std::mt19937 random(7);
  for (int i = 0, count = test::runCount(2000, 100'000); i < count; ++i) {
    const std::string text = test::randomSettingsFile(random);
    const Settings s = load(text).settings;
    ASSERT_TRUE(gesturesValid(s.gestures)) << text;
    Settings cleared = s;
    setStoredReach(cleared, {});
    ASSERT_TRUE(s.ReachVersion ? reachValid(storedReach(s)) : cleared == s) << text;
  }
}

}  // namespace
}  // namespace vel
