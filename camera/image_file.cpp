// Whole-file decoding on top of either platform's frame-by-frame reader.
#include "camera/image_file.h"

namespace vel {

std::vector<Frame> decodeImageFile(const std::filesystem::path& path) {
  const std::unique_ptr<IImageFrames> image = openImageFile(path);
  std::vector<Frame> frames;
  while (std::optional<Frame> frame = image->next()) frames.push_back(std::move(*frame));
  return frames;
}

}  // namespace vel
