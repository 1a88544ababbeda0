// The mode table of the command line.
#include "app/run_mode.h"

namespace vel {

RunRequest parseCommandLine(std::span<const std::wstring> arguments) {
  // Fewer than three arguments never select a mode: every mode needs a report path.
  if (arguments.size() < 3) return {};
  const std::wstring& word = arguments[1];
  if (word == L"--diagnostics") return {RunMode::Diagnostics, {}, arguments[2]};
  if (word == L"--camera-test") return {RunMode::CameraTest, {}, arguments[2]};
  if (word == L"--test-image") {
    return arguments.size() >= 4 ? RunRequest{RunMode::TestImage, arguments[2], arguments[3]} : RunRequest{};
  }
  if (word == L"--smoke-test") return {RunMode::SmokeTest, {}, arguments[2]};
  return {};
}

}  // namespace vel
