// The Windows private-profile functions and the host INI store on the same files: both must do
// what the case table says, and load and save settings files identically.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "app/ini_store.h"
#include "app/profile_store.h"
#include "app/settings.h"
#include "tests/support/profile_cases.h"
#include "tests/support/random_ini.h"
#include "tests/support/run_count.h"
#include "tests/support/temp_dir.h"

namespace vel {
namespace {

using test::TempDir;

TEST(ProfileStores, ReadIntegersAlike) {
  const TempDir dir;
  int n = 0;
  for (const test::IntegerCase& c : test::integerCases()) {
    const auto file = dir / ("int" + std::to_string(n++) + ".ini");
    test::writeFile(file, "[Velmora]\r\nA=" + c.value + "\r\n");
    EXPECT_EQ(ProfileStore(file).readInt(L"Velmora", L"A", 77), c.expected) << "private profile, A=" << c.value;
    EXPECT_EQ(IniStore(file).readInt(L"Velmora", L"A", 77), c.expected) << "INI store, A=" << c.value;
  }
}

TEST(ProfileStores, ReadFilesAlike) {
  const TempDir dir;
  int n = 0;
  for (const test::ReadCase& c : test::readCases()) {
    const auto file = dir / ("read" + std::to_string(n++) + ".ini");
    test::writeFile(file, c.file);
    const ProfileStore profile(file);
    const IniStore ini(file);
    EXPECT_EQ(profile.readString(c.section, c.key, L"dflt"), c.expectedString) << "private profile: " << c.title;
    EXPECT_EQ(ini.readString(c.section, c.key, L"dflt"), c.expectedString) << "INI store: " << c.title;
    EXPECT_EQ(profile.readInt(c.section, c.key, 77), c.expectedInt) << "private profile: " << c.title;
    EXPECT_EQ(ini.readInt(c.section, c.key, 77), c.expectedInt) << "INI store: " << c.title;
  }
}

TEST(ProfileStores, WriteFilesAlike) {
  const TempDir dir;
  int n = 0;
  for (const test::WriteCase& c : test::writeCases()) {
    const auto profileFile = dir / ("profile" + std::to_string(n) + ".ini");
    const auto iniFile = dir / ("ini" + std::to_string(n++) + ".ini");
    if (c.fileExists) {
      test::writeFile(profileFile, c.before);
      test::writeFile(iniFile, c.before);
    }
    ProfileStore profile(profileFile);
    IniStore ini(iniFile);
    for (const auto& write : c.writes) {
      profile.writeString(write.section, write.key, write.value);
      ini.writeString(write.section, write.key, write.value);
    }
    EXPECT_EQ(test::readFile(profileFile), c.after) << "private profile: " << c.title;
    EXPECT_EQ(test::readFile(iniFile), c.after) << "INI store: " << c.title;
  }
}

TEST(ProfileStores, MissingFolderIsNeitherCreatedNorAnError) {
  const TempDir dir;
  for (const auto& file : {dir / "none/profile.ini", dir / "none/ini.ini"}) {
    ProfileStore(file).writeString(L"Velmora", L"A", L"1");
    IniStore(file).writeString(L"Velmora", L"A", L"1");
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "none"));
  EXPECT_EQ(ProfileStore(dir / "none/profile.ini").readInt(L"Velmora", L"A", 5), 5);
}

TEST(ProfileStores, RelativePathMeansTheWorkingFolder) {
  const TempDir dir;
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  ProfileStore(L"relative.ini").writeString(L"Velmora", L"A", L"1");
  std::filesystem::current_path(previous);
  EXPECT_EQ(test::readFile(dir / "relative.ini"), "[Velmora]\r\nA=1\r\n");
}

TEST(ProfileStores, SaveSettingsAlike) {
  const TempDir dir;
  Settings settings;
  settings.Mirror = false;
  settings.Margin = 0.22f;
  settings.ClickWait = 1300;
  settings.gestures[kActionScroll] = 0;
  settings.ReachVersion = true;
  settings.ReachLeft = 0.215f;
  settings.ReachPalm = 0.14f;
  settings.ReachAspect = 16.0f / 9.0f;
  const std::vector<std::wstring> cameras{L"\\\\?\\usb#vid_046d&pid_0825#{e5323777}"};
  ProfileStore profile(dir / "profile.ini");
  IniStore ini(dir / "ini.ini");
  saveSettings(profile, settings, cameras);
  saveSettings(ini, settings, cameras);
  const std::string written = test::readFile(dir / "profile.ini");
  EXPECT_EQ(test::readFile(dir / "ini.ini"), written);
  EXPECT_NE(written.find("ReachCamera=\\\\?\\usb#vid_046d&pid_0825#{e5323777}\r\n"), std::string::npos);
}

// Random hostile files: every key and the whole loaded record must come out the same.
TEST(ProfileStores, LoadRandomFilesAlike) {
  const TempDir dir;
  std::mt19937 random(20240601);
  const int count = test::runCount(300, 3000);
  for (int i = 0; i < count; ++i) {
    const auto file = dir / ("random" + std::to_string(i) + ".ini");
    const std::string text = test::randomSettingsFile(random);
    test::writeFile(file, text);
    const ProfileStore profile(file);
    const IniStore ini(file);
    const LoadedSettings fromProfile = loadSettings(profile);
    const LoadedSettings fromIni = loadSettings(ini);
    ASSERT_TRUE(fromProfile.settings == fromIni.settings) << "file " << i << ":\n" << text;
    ASSERT_EQ(fromProfile.reachMirror, fromIni.reachMirror) << "file " << i << ":\n" << text;
    ASSERT_EQ(fromProfile.reachCamera, fromIni.reachCamera) << "file " << i << ":\n" << text;
  }
}

}  // namespace
}  // namespace vel
