// Which mode a command line selects, with the argument counts each mode needs.
#include "app/run_mode.h"

#include <gtest/gtest.h>

#include <vector>

namespace vel {
namespace {

TEST(RunMode, ModeWordsNeedTheirArgumentsAndMatchExactly) {
  const struct {
    std::vector<std::wstring> arguments;
    RunMode mode;
    std::wstring image;
    std::wstring report;
  } cases[] = {
      {{L"Velmora.exe"}, RunMode::Program, L"", L""},
      {{L"Velmora.exe", L"--diagnostics", L"d.txt"}, RunMode::Diagnostics, L"", L"d.txt"},
      {{L"Velmora.exe", L"--camera-test", L"c.txt", L"extra"}, RunMode::CameraTest, L"", L"c.txt"},
      {{L"Velmora.exe", L"--test-image", L"hand.png", L"t.txt"}, RunMode::TestImage, L"hand.png", L"t.txt"},
      {{L"Velmora.exe", L"--smoke-test", L"s.txt"}, RunMode::SmokeTest, L"", L"s.txt"},
      {{L"Velmora.exe", L"--diagnostics"}, RunMode::Program, L"", L""},
      {{L"Velmora.exe", L"--test-image", L"hand.png"}, RunMode::Program, L"", L""},
      {{L"Velmora.exe", L"--Diagnostics", L"d.txt"}, RunMode::Program, L"", L""},
      {{L"Velmora.exe", L"--unknown", L"a", L"b"}, RunMode::Program, L"", L""},
      {{L"Velmora.exe", L"d.txt", L"--diagnostics"}, RunMode::Program, L"", L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.arguments.size() > 1 ? c.arguments[1] : L""));
    const RunRequest request = parseCommandLine(c.arguments);
    EXPECT_EQ(request.mode, c.mode);
    EXPECT_EQ(request.image, c.image);
    EXPECT_EQ(request.report, c.report);
  }
}

}  // namespace
}  // namespace vel
