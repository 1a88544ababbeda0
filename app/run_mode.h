// What the command line asks Velmora.exe to do: one of the self-test modes or the program.
#pragma once

#include <span>
#include <string>

namespace vel {

enum class RunMode { Program, Diagnostics, CameraTest, TestImage, SmokeTest };

struct RunRequest {
  RunMode mode = RunMode::Program;
  std::wstring image;   // "--test-image" only
  std::wstring report;  // every mode but Program
};

// `arguments` as CommandLineToArgvW splits them, the program first. Mode words compare exactly
// (case included); a mode word without its arguments, or any other first argument, starts the
// program. Arguments after the mode's own are ignored.
RunRequest parseCommandLine(std::span<const std::wstring> arguments);

}  // namespace vel
