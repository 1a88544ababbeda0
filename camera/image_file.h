// Decoding an image file (PNG, JPEG; on Windows whatever WIC reads) into frames, one per frame of
// the image in order, for the test-image mode and the host tools.
#pragma once

#include <filesystem>
#include <vector>

#include "camera/frame.h"

namespace vel {

// Frames with sequence and time 0; the fourth byte of each pixel is the image's alpha.
// Throws std::runtime_error "<step> (<detail>)" when the file cannot be read or decoded.
std::vector<Frame> decodeImageFile(const std::filesystem::path& path);

}  // namespace vel
