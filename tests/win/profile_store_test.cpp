// The Windows private-profile functions and the host INI store on the same files: both must do
// what the case table says, and load and save settings files identically.
#include <gtest/gtest.h>

#include <random>
#include <string>

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

TEST(ProfileStores, ReadFilesAlike) {
  const TempDir dir;
  int n = 0;
  const auto check = [&](const std::string& bytes, const std::wstring& section, const std::wstring& key,
                         const std::wstring* expectedString, int expectedInt, const std::string& title) {
    const auto file = dir / ("read" + std::to_string(n++) + ".ini");
    test::writeFile(file, bytes);
    const ProfileStore profile(file);
    const IniStore ini(file);
    const ISettingsStore* stores[] = {&profile, &ini};
    for (const ISettingsStore* store : stores) {
      const char* name = store == &ini ? "INI store: " : "private profile: ";
      if (expectedString) {
        EXPECT_EQ(store->readString(section, key, L"dflt"), *expectedString) << name << title;
      }
      EXPECT_EQ(store->readInt(section, key, 77), expectedInt) << name << title;
    }
  };
  for (const test::IntegerCase& c : test::integerCases()) {
    check("[Velmora]\r\nA=" + c.value + "\r\n", L"Velmora", L"A", nullptr, c.expected, "A=" + c.value);
  }
  for (const test::ReadCase& c : test::readCases()) {
    check(c.file, c.section, c.key, &c.expectedString, c.expectedInt, c.title);
  }
}

TEST(ProfileStores, WriteFilesAlike) {
  const TempDir dir;
  int n = 0;
  for (const test::WriteCase& c : test::writeCases()) {
    for (const bool profile : {true, false}) {
      const auto file = dir / ("write" + std::to_string(n++) + ".ini");
      if (c.fileExists) test::writeFile(file, c.before);
      ProfileStore profileStore(file);
      IniStore iniStore(file);
      ISettingsStore& store = profile ? static_cast<ISettingsStore&>(profileStore) : iniStore;
      for (const auto& write : c.writes) store.writeString(write.section, write.key, write.value);
      EXPECT_EQ(test::readFile(file), c.after) << (profile ? "private profile: " : "INI store: ") << c.title;
    }
  }
}

TEST(ProfileStores, MissingFolderIsNeitherCreatedNorAnErrorAndRelativeMeansTheWorkingFolder) {
  const TempDir dir;
  ProfileStore(dir / "none/profile.ini").writeString(L"Velmora", L"A", L"1");
  EXPECT_FALSE(std::filesystem::exists(dir / "none"));
  EXPECT_EQ(ProfileStore(dir / "none/profile.ini").readInt(L"Velmora", L"A", 5), 5);

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
  settings.gestures[kActionScroll] = 0;
  settings.ReachVersion = true;
  settings.ReachLeft = 0.215f;
  settings.ReachPalm = 0.14f;
  const std::wstring camera = L"\\\\?\\usb#vid_046d&pid_0825#{e5323777}";
  ProfileStore profile(dir / "profile.ini");
  IniStore ini(dir / "ini.ini");
  saveSettings(profile, settings, {&camera, 1});
  saveSettings(ini, settings, {&camera, 1});
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
    const LoadedSettings fromProfile = loadSettings(ProfileStore(file));
    const LoadedSettings fromIni = loadSettings(IniStore(file));
    ASSERT_TRUE(fromProfile.settings == fromIni.settings) << "file " << i << ":\n" << text;
    ASSERT_EQ(fromProfile.reachMirror, fromIni.reachMirror) << "file " << i << ":\n" << text;
    ASSERT_EQ(fromProfile.reachCamera, fromIni.reachCamera) << "file " << i << ":\n" << text;
  }
}

}  // namespace
}  // namespace vel
