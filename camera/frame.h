// The one image record of the program: camera images and decoded test images alike, BGRX pixels
// top row first. Filled once, then shared read-only between producer, worker and preview.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace vel {

struct Frame {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint64_t sequence = 0;        // 1, 2, … within one capture start; 0 for image files
  std::uint64_t timeMs = 0;          // GetTickCount64 at creation; 0 for image files
  std::vector<std::uint8_t> pixels;  // rows of width × 4 bytes: blue, green, red, unused

  // Consumers check this before reading: anything else is "no hand", never an out-of-bounds read.
  bool wellFormed() const {
    return width > 0 && height > 0 &&
           pixels.size() == static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * 4u;
  }
};

// A published frame: the record and its reference count share one allocation.
using FramePtr = std::shared_ptr<const Frame>;

// A frame of the given size with all pixel bytes zero, ready to be filled once.
inline std::shared_ptr<Frame> makeFrame(std::int32_t width, std::int32_t height, std::uint64_t sequence,
                                        std::uint64_t timeMs) {
  auto frame = std::make_shared<Frame>();
  frame->width = width;
  frame->height = height;
  frame->sequence = sequence;
  frame->timeMs = timeMs;
  if (width > 0 && height > 0) {
    frame->pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4u, 0);
  }
  return frame;
}

}  // namespace vel
