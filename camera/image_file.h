// Decoding an image file (PNG, JPEG; on Windows whatever WIC reads) into frames, one per frame of
// the image in order, for the test-image mode and the host tools.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "camera/frame.h"

namespace vel {

// The frames of one open image, decoded one at a time so that a report can show every frame
// before one that fails.
class IImageFrames {
 public:
  virtual ~IImageFrames() = default;
  // The next frame in order, none after the last; throws std::runtime_error "<step> (<detail>)".
  virtual std::optional<Frame> next() = 0;
};

// Frames with sequence and time 0; the fourth byte of each pixel is the image's alpha. Throws
// std::runtime_error "<step> (<detail>)" when the file cannot be opened; on Windows the frame
// count is asked for only at the first `next`.
std::unique_ptr<IImageFrames> openImageFile(const std::filesystem::path& path);

// Every frame of the file at once; throws like `openImageFile` and `next`.
std::vector<Frame> decodeImageFile(const std::filesystem::path& path);

}  // namespace vel
