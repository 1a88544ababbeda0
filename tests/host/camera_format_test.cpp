// Capture format choice: candidate limits, the baseline cost and the detail rule.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "camera/camera.h"
#include "camera/format_choice.h"

namespace vel {
namespace {

constexpr std::uint64_t pack(std::uint32_t high, std::uint32_t low) {
  return (static_cast<std::uint64_t>(high) << 32) | low;
}

TEST(CameraCandidates, RatesAndInclusiveSizeLimits) {
  EXPECT_NEAR(framesPerSecond(pack(30000, 1001)), 29.97, 0.001);
  EXPECT_DOUBLE_EQ(framesPerSecond(pack(15, 0)), 30.0);
  EXPECT_DOUBLE_EQ(framesPerSecond(std::nullopt), 0.0);
  const struct {
    std::uint32_t width, height;
    std::optional<std::uint64_t> rate;
    bool accepted;
  } cases[] = {{1920, 1080, pack(30, 1), true},  {320, 240, pack(30, 1), true},   {1921, 1080, pack(30, 1), false},
               {1920, 1081, pack(30, 1), false}, {319, 240, pack(30, 1), false},  {320, 239, pack(30, 1), false},
               {640, 480, pack(15, 1), true},    {640, 480, pack(29, 2), false},  {640, 480, std::nullopt, false},
               {0xffffffffu, 480, pack(30, 1), false}};  // a huge size must not wrap into range
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height);
    EXPECT_EQ(formatCandidate(0, pack(c.width, c.height), c.rate).has_value(), c.accepted);
  }
}

TEST(CameraFormatChoice, BaselineAndDetailRules) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Mode {
    std::int32_t width, height;
    double fps;
  };
  const struct {
    const char* why;
    std::vector<Mode> modes;
    bool detail;
    int baseline, preferred;  // indices into `modes`, -1 for none
  } cases[] = {
      {"4:3 camera keeps its aspect", {{1280, 720, 30}, {640, 480, 30}}, true, 1, 1},
      {"no detail asked", {{640, 480, 30}, {960, 720, 30}}, false, 0, 0},
      {"960x720 offered", {{640, 480, 30}, {1280, 720, 30}, {960, 720, 30}, {1280, 960, 30}}, true, 0, 2},
      {"wide camera, wide detail", {{640, 360, 30}, {1280, 720, 30}}, true, 0, 1},
      {"29 fps detail", {{640, 480, 30}, {960, 720, 29.0}}, true, 0, 1},
      {"31 fps detail", {{640, 480, 30}, {960, 720, 31.0}}, true, 0, 1},
      {"31.5 fps no detail", {{640, 480, 30}, {960, 720, 31.5}}, true, 0, 0},
      {"640 rows are enough for detail", {{640, 480, 30}, {853, 640, 30}}, true, 0, 1},
      {"detail closest to 960 x 720", {{640, 480, 30}, {960, 719, 30}, {960, 721, 30}}, true, 0, 1},
      {"cost 280 beats 300", {{640, 480, 15}, {800, 600, 30}}, false, 1, 1},
      {"first of equal costs", {{700, 480, 30}, {580, 480, 30}}, false, 0, 0},
      {"a frame per second costs 20 pixels", {{640, 480, 29}, {660, 480, 30}}, false, 0, 0},
      {"from 30 frames per second", {{640, 480, 31}, {641, 480, 30}}, false, 1, 1},
      {"from 480 rows", {{640, 440, 30}, {660, 480, 30}}, false, 1, 1},
      {"first of equal details", {{640, 480, 30}, {1000, 750, 30}, {920, 690, 30}, {1000, 750, 30}}, true, 0, 1},
      {"aspect off by 0.009", {{640, 480, 30}, {960, 725, 30}}, true, 0, 1},
      {"aspect off by 0.038", {{640, 480, 30}, {960, 700, 30}}, true, 0, 0},
      {"outside the detail size window", {{640, 480, 30}, {1440, 1080, 30}}, true, 0, 0},
      {"non-finite rate skipped", {{640, 480, inf}, {800, 600, 30}}, false, 1, 1},
      {"no candidates", {}, true, -1, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    std::vector<FormatCandidate> list;
    for (const Mode& m : c.modes) list.push_back({static_cast<std::uint32_t>(list.size()), m.width, m.height, m.fps});
    const FormatChoice choice = chooseFormat(list, c.detail);
    const auto index = [](const std::optional<FormatCandidate>& f) { return f ? static_cast<int>(f->index) : -1; };
    EXPECT_EQ(index(choice.baseline), c.baseline);
    EXPECT_EQ(index(choice.preferred), c.preferred);
  }
}

TEST(CameraChoice, TheSettingIsClampedIntoTheList) {
  const struct { int camera; std::size_t count; int index; } rows[] = {{5, 2, 1}, {-3, 2, 0}, {1, 2, 1}, {4, 0, 0}, {-1, 0, 0}};
  for (const auto& row : rows) EXPECT_EQ(clampCameraIndex(row.camera, row.count), row.index) << row.camera << " of " << row.count;
}

}  // namespace
}  // namespace vel
