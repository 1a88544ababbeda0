// Which native camera format to capture: candidate limits, the baseline cost and the detail rule.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace vel {

// One usable native format; `index` is the media type index the camera reported it under.
struct FormatCandidate {
  std::uint32_t index = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  double fps = 0.0;
};

// Frames per second from a packed rate attribute (numerator high, denominator low):
// an unreadable rate counts as 0 and a zero denominator as 30.
double framesPerSecond(std::optional<std::uint64_t> packedRate);

// A packed frame size attribute (width high, height low) as a candidate, or nothing when the
// size or rate lies outside what the capture accepts.
std::optional<FormatCandidate> formatCandidate(std::uint32_t index, std::uint64_t packedSize,
                                               std::optional<std::uint64_t> packedRate);

struct FormatChoice {
  std::optional<FormatCandidate> baseline;   // closest to 640 x 480 at 30 fps
  std::optional<FormatCandidate> preferred;  // the one to try first
};

// With `detail`, prefers a 29..31 fps format near 960 x 720 of the baseline's aspect.
FormatChoice chooseFormat(const std::vector<FormatCandidate>& candidates, bool detail);

}  // namespace vel
