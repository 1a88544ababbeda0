// Which mode a command line selects, with the argument counts each mode needs.
#include "app/run_mode.h"

#include <gtest/gtest.h>

#include <vector>

namespace vel {
namespace {

TEST(RunMode, ModeWordsNeedTheirArgumentsAndMatchExactly) {
  const struct {
    std::vector<std::wstring> arguments;  // after the program name
    RunMode mode;
    std::wstring image, report;
  } cases[] = {
      {{}, RunMode::Program, L"", L""},
      {{L"--diagnostics", L"d.txt"}, RunMode::Diagnostics, L"", L"d.txt"},
      {{L"--camera-test", L"c.txt", L"extra"}, RunMode::CameraTest, L"", L"c.txt"},
      {{L"--test-image", L"hand.png", L"t.txt"}, RunMode::TestImage, L"hand.png", L"t.txt"},
      {{L"--smoke-test", L"s.txt"}, RunMode::SmokeTest, L"", L"s.txt"},
      {{L"--diagnostics"}, RunMode::Program, L"", L""},
      {{L"--test-image", L"hand.png"}, RunMode::Program, L"", L""},
      {{L"--Diagnostics", L"d.txt"}, RunMode::Program, L"", L""},
      {{L"--unknown", L"a", L"b"}, RunMode::Program, L"", L""},
  };
  for (const auto& c : cases) {
    std::vector<std::wstring> arguments{L"Velmora.exe"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const RunRequest request = parseCommandLine(arguments);
    EXPECT_EQ(request.mode, c.mode) << arguments.size();
    EXPECT_EQ(request.image, c.image);
    EXPECT_EQ(request.report, c.report);
  }
}

}  // namespace
}  // namespace vel
