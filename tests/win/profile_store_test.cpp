// The Windows private-profile functions and the host INI store on the same files: both must do
// what the case table says, and load settings files identically.
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

TEST(ProfileStores, ReadAndWriteFilesAsTheCasesSay) {
  const TempDir dir;
  int n = 0;
  for (const test::ReadCase& c : test::readCases()) {
    const auto file = dir / ("read" + std::to_string(n++) + ".ini");
    test::writeFile(file, c.file);
    const ProfileStore profile(file);
    const IniStore ini(file);
    const ISettingsStore* stores[] = {&profile, &ini};
    for (const ISettingsStore* store : stores) {
      const char* name = store == &ini ? "INI store: " : "private profile: ";
      if (c.expectedString) {
        EXPECT_EQ(store->readString(c.section, c.key, L"dflt"), *c.expectedString) << name << c.title;
      }
      EXPECT_EQ(store->readInt(c.section, c.key, 77), c.expectedInt) << name << c.title;
    }
  }
  for (const test::WriteCase& c : test::writeCases()) {
    for (const bool profile : {true, false}) {
      const auto file = dir / ("write" + std::to_string(n++) + ".ini");
      if (c.fileExists) test::writeFile(file, c.before);
      ProfileStore profileStore(file);
      IniStore iniStore(file);
      test::applyWrites(profile ? static_cast<ISettingsStore&>(profileStore) : iniStore, c);
      EXPECT_EQ(test::readFile(file), c.after) << (profile ? "private profile: " : "INI store: ") << c.title;
    }
  }
  // A missing folder is neither created nor an error.
  ProfileStore(dir / "none/profile.ini").writeString(L"Velmora", L"A", L"1");
  EXPECT_FALSE(std::filesystem::exists(dir / "none"));
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
