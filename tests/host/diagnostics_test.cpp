// The "--diagnostics" report on the real models, and the test-image frame lines.
#include "app/diagnostics.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <stdexcept>

#include "tests/support/paths.h"

namespace vel {
namespace {

TEST(DiagnosticsReport, RealModelsGiveTheFullReportAndExitZero) {
  std::ostringstream report;
  EXPECT_EQ(runDiagnostics(report, test::modelsDir(), [] { return std::size_t{2}; }), 0);
  const std::regex expected(
      "Velmora model diagnostics\n"
      "Palm input: [^;\n]+; hand input: [^;\n]+; hand outputs: Identity Identity_1 Identity_2 Identity_3\n"
      "Blank frame false positive: none\n"
      "Mean palm inference after warmup: [0-9.e+-]+ ms\n"
      "Camera enumeration \\(camera not opened\\):\n"
      "Camera 0 available\n"
      "Camera 1 available\n");
  EXPECT_TRUE(std::regex_match(report.str(), expected)) << report.str();
}

TEST(DiagnosticsReport, AFailureEndsTheReportWithTheErrorAndExitOne) {
  std::ostringstream missing;
  bool enumerated = false;
  EXPECT_EQ(runDiagnostics(missing, test::modelsDir() / "absent", [&] { return enumerated = true, std::size_t{1}; }), 1);
  EXPECT_FALSE(enumerated);
  EXPECT_TRUE(std::regex_match(missing.str(), std::regex("ERROR: [^\n]*palm\\.onnx[^\n]*\n"))) << missing.str();

  std::ostringstream failed;
  EXPECT_EQ(runDiagnostics(failed, test::modelsDir(),
                           []() -> std::size_t { throw std::runtime_error("Enumerate cameras (0x80004005)"); }),
            1);
  EXPECT_TRUE(failed.str().ends_with("(camera not opened):\nERROR: Enumerate cameras (0x80004005)\n")) << failed.str();
}

TEST(TestImageLines, FrameLineAndLandmarkLine) {
  const Frame frame = *makeFrame(720, 382, 0, 0);
  HandObservation observation;
  observation.present = true;
  observation.landmarksValid = true;
  observation.presence = 0.994455f;
  for (std::size_t i = 0; i < observation.landmarks.size(); ++i) {
    observation.landmarks[i] = {static_cast<float>(i) + 0.5f, 100.25f};
  }
  std::ostringstream report;
  writeFrameLine(report, 3, frame, observation, 12.5);
  EXPECT_EQ(report.str(), "frame=3 width=720 height=382 valid=1 confidence=0.994455 ms=12.5");
  report.str("");
  writeFrameLine(report, 0, frame, HandObservation{}, 7.0);
  EXPECT_EQ(report.str(), "frame=0 width=720 height=382 valid=0 confidence=0 ms=7");

  report.str("");
  writeLandmarkLine(report, observation);
  EXPECT_TRUE(report.str().starts_with("0:0.5,100.25 1:1.5,100.25 ")) << report.str();
  EXPECT_TRUE(report.str().ends_with(" 19:19.5,100.25 20:20.5,100.25 \n")) << report.str();
}

}  // namespace
}  // namespace vel
