// Capture format choice; kept free of Media Foundation so every rule is testable on its own.
#include "camera/format_choice.h"

#include <cmath>
#include <cstdlib>

namespace vel {
namespace {

// Scans in order and keeps the first of equal costs.
template <typename Eligible, typename Cost>
std::optional<FormatCandidate> cheapest(const std::vector<FormatCandidate>& candidates, Eligible eligible,
                                        Cost cost) {
  std::optional<FormatCandidate> best;
  double bestCost = 0.0;
  for (const FormatCandidate& candidate : candidates) {
    if (!std::isfinite(candidate.fps) || !eligible(candidate)) continue;
    const double c = cost(candidate);
    if (!best || c < bestCost) {
      best = candidate;
      bestCost = c;
    }
  }
  return best;
}

}  // namespace

double framesPerSecond(std::optional<std::uint64_t> packedRate) {
  if (!packedRate) return 0.0;
  const auto numerator = static_cast<std::uint32_t>(*packedRate >> 32);
  const auto denominator = static_cast<std::uint32_t>(*packedRate & 0xffffffffu);
  if (denominator == 0) return 30.0;
  return static_cast<double>(numerator) / static_cast<double>(denominator);
}

std::optional<FormatCandidate> formatCandidate(std::uint32_t index, std::uint64_t packedSize,
                                               std::optional<std::uint64_t> packedRate) {
  const auto width = static_cast<std::uint32_t>(packedSize >> 32);
  const auto height = static_cast<std::uint32_t>(packedSize & 0xffffffffu);
  const double fps = framesPerSecond(packedRate);
  if (width < 320 || width > 1920 || height < 240 || height > 1080 || !(fps >= 15.0)) return std::nullopt;
  return FormatCandidate{index, static_cast<std::int32_t>(width), static_cast<std::int32_t>(height), fps};
}

FormatChoice chooseFormat(const std::vector<FormatCandidate>& candidates, bool detail) {
  FormatChoice choice;
  choice.baseline = cheapest(
      candidates, [](const FormatCandidate&) { return true; },
      [](const FormatCandidate& c) {
        return std::abs(c.width - 640) + std::abs(c.height - 480) + 20.0 * std::abs(c.fps - 30.0);
      });
  choice.preferred = choice.baseline;
  if (!detail || !choice.baseline) return choice;

  const double aspect = static_cast<double>(choice.baseline->width) / choice.baseline->height;
  const auto detailFormat = cheapest(
      candidates,
      [aspect](const FormatCandidate& c) {
        return c.width >= 640 && c.width <= 1280 && c.height >= 640 && c.height <= 960 && c.fps >= 29.0 &&
               c.fps <= 31.0 && std::abs(static_cast<double>(c.width) / c.height - aspect) <= 0.02;
      },
      [](const FormatCandidate& c) { return std::abs(c.width - 960) + std::abs(c.height - 720); });
  if (detailFormat) choice.preferred = detailFormat;
  return choice;
}

}  // namespace vel
