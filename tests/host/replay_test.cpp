// velmora-replay as people and outside checks run it: scenario text in, one line per frame out.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

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
    const std::string command = (exeDir() / "velmora-replay").string() + " " + (dir / "scenario.txt").string() + " >" +
                                (dir / "out.txt").string() + " 2>" + (dir / "errors.txt").string();
    const int status = std::system(command.c_str());
    exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    errors = test::readFile(dir / "errors.txt");
    std::istringstream out(test::readFile(dir / "out.txt"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(out, line);) lines.push_back(line);
    return lines;
  }

  // Frame lines every 20 ms of a 640 × 480 camera with a pointing hand around (320, 300).
  static std::string pointing(long long from, long long to) {
    const HandLandmarks hand = test::HandBuilder::pose(kPoseOneFinger).palm(60.0f).at({320.0f, 300.0f}).build();
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

// Click is off until 10420, then fires 160 + 700 ms later; a malformed line ends the run after the
// frames before it.
TEST_F(Replay, PrintsEveryFieldAndTheStatusesInUtf8AsSettingsChangeAndStopsAtABadLine) {
  const auto lines = replay("# no hand, then pointing\n\nt=5000 w=640 h=480 present=0 valid=0 presence=0 lm=-\n"
                            "set ClickWait=700\nset Gesture1=0\n" + pointing(10'000, 10'400) + "set Gesture1=1\n" +
                            pointing(10'420, 11'300) + "set adjustmentId=3\n" + pointing(11'320, 11'320) +
                            "t=11340 w=640 h=480 present=1 valid=1 lm=-\n");
  EXPECT_EQ(exitCode, 1);
  EXPECT_NE(errors.find("scenario.txt:75: missing presence="), std::string::npos) << errors;
  ASSERT_EQ(lines.size(), 1u + 21u + 45u + 1u);
  EXPECT_EQ(lines[0], "t=5000 pose=0 action=0 hand=0 pointerActive=0 pointer=0.0000,0.0000 progress=0.0000 showProgress=0 "
                      "completed=0 fired=0 buttonHeld=0 guidance=1 status=Show one hand to the camera actions=");
  const std::pair<std::size_t, const char*> expected[] = {
      {10, " pose=1 action=0 hand=1 pointerActive=0 "},
      {16, "status=Point to aim \xE2\x80\x94 use your chosen click pose actions=Move:"},
      {22, " status=Hold still \xC2\xB7 Click actions=Move:"},
      {65, " completed=1 fired=1 "},
      {67, " guidance=0 adj=0,0.0000,0,0 status=Rest your elbow."}};
  for (const auto& [line, text] : expected) EXPECT_NE(lines[line].find(text), std::string::npos) << lines[line];
  EXPECT_EQ(lines[64].find("LeftClick"), std::string::npos) << lines[64];
  EXPECT_TRUE(lines[65].ends_with(" LeftClick")) << lines[65];
  for (const char* bad : {"set Speed=3", "set Mirror=yes", "t=1 w=640 h=480 present=1 valid=1 presence=1 lm=1,2"}) {
    replay(bad + std::string("\n"));
    EXPECT_EQ(exitCode, 1) << bad;
  }
}

}  // namespace
}  // namespace vel
