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

struct ReplayRun {
  int exitCode = -1;
  std::vector<std::string> lines;
  std::string errors;
};

class Replay : public ::testing::Test {
 protected:
  ReplayRun replay(const std::string& scenario) {
    test::writeFile(dir / "scenario.txt", scenario);
    const int status = std::system(((exeDir() / "velmora-replay").string() + " " + (dir / "scenario.txt").string() +
                                    " >" + (dir / "out.txt").string() + " 2>" + (dir / "errors.txt").string())
                                       .c_str());
    ReplayRun run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, {}, test::readFile(dir / "errors.txt")};
    std::istringstream out(test::readFile(dir / "out.txt"));
    for (std::string line; std::getline(out, line);) run.lines.push_back(line);
    return run;
  }

  // A frame line of a 640 × 480 camera with a tracked hand in `pose` around (320, 300).
  static std::string handLine(long long t, int pose) {
    const HandLandmarks hand = test::HandBuilder::pose(pose).palm(60.0f).at({320.0f, 300.0f}).build();
    std::string line = "t=" + std::to_string(t) + " w=640 h=480 present=1 valid=1 presence=0.95 lm=";
    for (const Point& p : hand) line += std::to_string(p.x) + "," + std::to_string(p.y) + ";";
    line.back() = '\n';
    return line;
  }

  static std::string handLines(long long from, long long to, int pose) {
    std::string lines;
    for (long long t = from; t <= to; t += 20) lines += handLine(t, pose);
    return lines;
  }

  test::TempDir dir;
};

TEST_F(Replay, PrintsEveryFieldOfAFrameWithoutAHand) {
  const ReplayRun run = replay("t=5000 w=640 h=480 present=0 valid=0 presence=0 lm=-\n");
  EXPECT_EQ(run.exitCode, 0);
  ASSERT_EQ(run.lines.size(), 1u);
  EXPECT_EQ(run.lines[0],
            "t=5000 pose=0 action=0 hand=0 pointerActive=0 pointer=0.0000,0.0000 progress=0.0000 showProgress=0 "
            "completed=0 fired=0 buttonHeld=0 guidance=1 status=Show one hand to the camera actions=");
}

TEST_F(Replay, PointingEngagesThenClicksWithStatusesInUtf8) {
  const ReplayRun run = replay("# pointing still\n\n" + handLines(10'000, 11'400, kPoseOneFinger));
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  ASSERT_EQ(run.lines.size(), 71u);
  EXPECT_NE(run.lines[9].find(" pose=1 action=1 hand=1 pointerActive=0 "), std::string::npos) << run.lines[9];
  EXPECT_NE(run.lines[10].find(" pointerActive=1 "), std::string::npos) << run.lines[10];
  EXPECT_NE(run.lines[10].find(" status=Hold still \xC2\xB7 Click actions=Move:"), std::string::npos);
  // Engaged at 10200: the click fires at 10200 + 160 + 1000.
  EXPECT_NE(run.lines[68].find(" completed=1 fired=1 "), std::string::npos) << run.lines[68];
  EXPECT_NE(run.lines[68].find(" status=Click done \xE2\x80\x94 move to continue actions=Move:"), std::string::npos);
  EXPECT_EQ(run.lines[68].substr(run.lines[68].size() - 10), " LeftClick");
}

TEST_F(Replay, SettingsChangeFromTheirLineOn) {
  const ReplayRun run = replay("set ClickWait=700\nset Gesture1=0\n" + handLines(10'000, 10'400, kPoseOneFinger) +
                               "set Gesture1=1\n" + handLines(10'420, 11'300, kPoseOneFinger) +
                               "set adjustmentId=3\n" + handLine(11'320, kPoseOneFinger));
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  ASSERT_EQ(run.lines.size(), 21u + 45u + 1u);
  EXPECT_NE(run.lines[15].find("status=Point to aim \xE2\x80\x94 use your chosen click pose"), std::string::npos);
  // Click is back at 10420 and fires 160 + 700 ms later.
  EXPECT_EQ(run.lines[21 + 42].find("LeftClick"), std::string::npos) << run.lines[21 + 42];
  EXPECT_NE(run.lines[21 + 43].find("LeftClick"), std::string::npos) << run.lines[21 + 43];
  EXPECT_NE(run.lines.back().find(" guidance=0 adj=0,0.0000,0,0 status=Rest your elbow."), std::string::npos)
      << run.lines.back();
}

TEST_F(Replay, AMalformedLineIsReportedWithItsNumberAfterTheFramesBeforeIt) {
  const ReplayRun run = replay(handLine(10'000, kPoseOneFinger) + "t=10020 w=640 h=480 present=1 valid=1 lm=-\n" +
                         handLine(10'040, kPoseOneFinger));
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.lines.size(), 1u);
  EXPECT_NE(run.errors.find("scenario.txt:2: missing presence="), std::string::npos) << run.errors;

  for (const char* bad : {"set Speed=3", "set Mirror=yes", "t=1 w=640 h=480 present=1 valid=1 presence=1 lm=1,2"}) {
    EXPECT_EQ(replay(bad + std::string("\n")).exitCode, 1) << bad;
  }
}

}  // namespace
}  // namespace vel
