// The frame record: which frames consumers may read.
#include "camera/frame.h"

#include <gtest/gtest.h>

namespace vel {
namespace {

TEST(Frame, WellFormedOnlyWithPositiveSizeAndExactBuffer) {
  const auto made = makeFrame(3, 2, 7, 100);
  EXPECT_TRUE(made->wellFormed());
  EXPECT_EQ(made->pixels, std::vector<std::uint8_t>(3 * 2 * 4, 0));
  Frame shortByOne = *made, longByOne = *made, negative = *made;
  shortByOne.pixels.pop_back();
  longByOne.pixels.push_back(0);
  negative.width = -3;
  negative.height = -2;
  for (const Frame& bad : {shortByOne, longByOne, negative, Frame{}}) EXPECT_FALSE(bad.wellFormed());
}

}  // namespace
}  // namespace vel
