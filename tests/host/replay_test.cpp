// velmora-replay as people and outside checks run it: scenario text in, one line per frame out.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "app/exe_dir.h"
#include "tests/support/hand_builder.h"
#include "tests/support/temp_dir.h"

namespace vel {
namespace {

class Replay : public ::testing::Test {
 protected:
  // The output lines; `exitCode` and `errors` tell how the run ended.
  std::vector<std::string> replay(const std::string& scenario) {
    test::writeFile(dir / "scenario.txt", scenario);
    const int status = std::system((exeDir() / "velmora-replay").string().append(" ").append((dir / "scenario.txt").string())
                                       .append(" >" + (dir / "out.txt").string() + " 2>" + (dir / "errors.txt").string())
                                       .c_str());
    exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    errors = test::readFile(dir / "errors.txt");
    std::istringstream out(test::readFile(dir / "out.txt"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(out, line);) lines.push_back(line);
    return lines;
  }

  // Frame lines every 20 ms of a 640 × 480 camera with a tracked hand in `pose` around (320, 300).
  static std::string hand(long long from, long long to, int pose) {
    const HandLandmarks hand = test::HandBuilder::pose(pose).palm(60.0f).at({320.0f, 300.0f}).build();
    std::string lines;
    for (long long t = from; t <= to; t += 20) {
      lines += "t=" + std::to_string(t) + " w=640 h=480 present=1 valid=1 presence=0.95 lm=";
      for (const Point& p : hand) lines += std::to_string(p.x) + "," + std::to_string(p.y) + ";";
      lines.back() = '\n';
    }
    return lines;
  }

  test::TempDir dir;
  int exitCode = -1;
  std::string errors;
};

TEST_F(Replay, PrintsEveryFieldAndTheStatusesInUtf8AsSettingsChange) {
  const auto lines = replay("# no hand, then pointing\n\nt=5000 w=640 h=480 present=0 valid=0 presence=0 lm=-\n" +
                            std::string("set ClickWait=700\nset Gesture1=0\n") + hand(10'000, 10'400, kPoseOneFinger) +
                            "set Gesture1=1\n" + hand(10'420, 11'300, kPoseOneFinger) + "set adjustmentId=3\n" +
                            hand(11'320, 11'320, kPoseOneFinger));
  ASSERT_EQ(exitCode, 0) << errors;
  ASSERT_EQ(lines.size(), 1u + 21u + 45u + 1u);
  EXPECT_EQ(lines[0], "t=5000 pose=0 action=0 hand=0 pointerActive=0 pointer=0.0000,0.0000 progress=0.0000 showProgress=0 "
                      "completed=0 fired=0 buttonHeld=0 guidance=1 status=Show one hand to the camera actions=");
  EXPECT_NE(lines[10].find(" pose=1 action=0 hand=1 pointerActive=0 "), std::string::npos) << lines[10];
  EXPECT_NE(lines[16].find("status=Point to aim \xE2\x80\x94 use your chosen click pose actions=Move:"), std::string::npos)
      << lines[16];
  // Click is back at 10420 and fires 160 + 700 ms later.
  EXPECT_NE(lines[22].find(" status=Hold still \xC2\xB7 Click actions=Move:"), std::string::npos) << lines[22];
  EXPECT_EQ(lines[22 + 42].find("LeftClick"), std::string::npos) << lines[22 + 42];
  EXPECT_NE(lines[22 + 43].find(" completed=1 fired=1 "), std::string::npos) << lines[22 + 43];
  EXPECT_EQ(lines[22 + 43].substr(lines[22 + 43].size() - 10), " LeftClick");
  EXPECT_NE(lines.back().find(" guidance=0 adj=0,0.0000,0,0 status=Rest your elbow."), std::string::npos) << lines.back();
}

TEST_F(Replay, AMalformedLineIsReportedWithItsNumberAfterTheFramesBeforeIt) {
  EXPECT_EQ(replay(hand(10'000, 10'000, kPoseOneFinger) + "t=10020 w=640 h=480 present=1 valid=1 lm=-\n").size(), 1u);
  EXPECT_EQ(exitCode, 1);
  EXPECT_NE(errors.find("scenario.txt:2: missing presence="), std::string::npos) << errors;
  for (const char* bad : {"set Speed=3", "set Mirror=yes", "t=1 w=640 h=480 present=1 valid=1 presence=1 lm=1,2"}) {
    replay(bad + std::string("\n"));
    EXPECT_EQ(exitCode, 1) << bad;
  }
}

}  // namespace
}  // namespace vel
