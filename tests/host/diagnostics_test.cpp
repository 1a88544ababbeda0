// The "--diagnostics" report on the real models, and the test-image frame lines.
#include "app/diagnostics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "tests/support/paths.h"

namespace vel {
namespace {

bool endsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

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

TEST(DiagnosticsReport, MissingModelsWriteOnlyTheErrorAndExitOne) {
  std::ostringstream report;
  bool enumerated = false;
  EXPECT_EQ(runDiagnostics(report, test::modelsDir() / "absent", [&] {
    enumerated = true;
    return std::size_t{1};
  }), 1);
  EXPECT_FALSE(enumerated);
  const std::string text = report.str();
  EXPECT_EQ(text.rfind("ERROR: ", 0), 0u) << text;
  EXPECT_NE(text.find("palm.onnx"), std::string::npos) << text;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
}

TEST(DiagnosticsReport, FailedCameraEnumerationEndsWithTheErrorAndExitOne) {
  std::ostringstream report;
  EXPECT_EQ(runDiagnostics(report, test::modelsDir(),
                           []() -> std::size_t { throw std::runtime_error("Enumerate cameras (0x80004005)"); }),
            1);
  const std::string text = report.str();
  EXPECT_TRUE(endsWith(text, "(camera not opened):\nERROR: Enumerate cameras (0x80004005)\n")) << text;
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
  writeLandmarkLine(report, observation);
  const std::string line = report.str();
  EXPECT_EQ(line.rfind("0:0.5,100.25 1:1.5,100.25 ", 0), 0u) << line;
  EXPECT_TRUE(endsWith(line, " 19:19.5,100.25 20:20.5,100.25 \n")) << line;

  report.str("");
  writeFrameLine(report, 0, frame, HandObservation{}, 7.0);
  EXPECT_EQ(report.str(), "frame=0 width=720 height=382 valid=0 confidence=0 ms=7");
}

}  // namespace
}  // namespace vel
