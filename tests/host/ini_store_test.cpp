// The host INI store against the observed behaviour of the Windows private-profile functions
// (the same table runs through both under Wine in the Windows tests).
#include <gtest/gtest.h>

#include "app/ini_store.h"
#include "tests/support/profile_cases.h"
#include "tests/support/temp_dir.h"

namespace vel {
namespace {

using test::TempDir;

TEST(IniStore, ReadsAndWritesFilesAsThePrivateProfileFunctions) {
  const TempDir dir;
  for (const test::ReadCase& c : test::readCases()) {
    test::writeFile(dir / "read.ini", c.file);
    const IniStore store(dir / "read.ini");
    if (c.expectedString) {
      EXPECT_EQ(store.readString(c.section, c.key, L"dflt"), *c.expectedString) << c.title;
    }
    EXPECT_EQ(store.readInt(c.section, c.key, 77), c.expectedInt) << c.title;
  }
  int n = 0;
  for (const test::WriteCase& c : test::writeCases()) {
    const auto file = dir / ("write" + std::to_string(n++) + ".ini");
    if (c.fileExists) test::writeFile(file, c.before);
    IniStore store(file);
    test::applyWrites(store, c);
    EXPECT_EQ(test::readFile(file), c.after) << c.title;
  }
}

TEST(IniStore, MissingFileOrFolderGivesDefaultsAndStaysMissing) {
  const TempDir dir;
  IniStore store(dir / "none" / "settings.ini");
  store.writeString(L"Velmora", L"Mirror", L"0");
  EXPECT_FALSE(std::filesystem::exists(dir / "none"));
  EXPECT_EQ(store.readInt(L"Velmora", L"Mirror", 1), 1);
  EXPECT_EQ(store.readString(L"Velmora", L"ReachCamera", L"x"), L"x");
  // A folder in place of the file reads as empty and stays a folder.
  std::filesystem::create_directory(dir / "settings.ini");
  IniStore folder(dir / "settings.ini");
  folder.writeString(L"Velmora", L"Margin", L"20");
  EXPECT_EQ(folder.readInt(L"Velmora", L"Margin", 15), 15);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "settings.ini"));
}

}  // namespace
}  // namespace vel
