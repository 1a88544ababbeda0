// velmora-track IMAGE...: runs one hand tracker over every frame of the given images as a single
// sequence and prints the test-image report lines, plus the pose, on standard output.
// Exit codes: 0 when a frame gave a hand, 2 when none did, 1 on an error (undecodable image).
#include <iostream>
#include <memory>
#include <vector>

#include "app/diagnostics.h"
#include "app/exe_dir.h"
#include "camera/image_file.h"
#include "control/poses.h"

namespace {

// The frames of several files in turn, each file opened when the one before it is done.
class FileSequence final : public vel::IImageFrames {
 public:
  explicit FileSequence(std::vector<std::filesystem::path> files) : files_(std::move(files)) {}

  std::optional<vel::Frame> next() override {
    for (;;) {
      if (current_) {
        if (std::optional<vel::Frame> frame = current_->next()) return frame;
      }
      if (opened_ == files_.size()) return std::nullopt;
      current_ = vel::openImageFile(files_[opened_++]);
    }
  }

 private:
  const std::vector<std::filesystem::path> files_;
  std::size_t opened_ = 0;
  std::unique_ptr<vel::IImageFrames> current_;
};

// " pose=<id>", 0 when no usable hand was found.
void writePose(std::ostream& out, const vel::Frame& frame, const vel::HandObservation& observation) {
  const bool usable = observation.present &&
                      vel::checkObservation(observation, frame.width, frame.height) == vel::HandCheck::Usable;
  out << " pose=" << (usable ? vel::classifyPose(observation.landmarks) : vel::kPoseNone);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: velmora-track IMAGE...\n";
    return 1;
  }
  const std::vector<std::filesystem::path> files(argv + 1, argv + argc);
  return vel::runTestImage(
      std::cout, vel::exeDir() / "models", [&] { return std::make_unique<FileSequence>(files); }, writePose);
}
