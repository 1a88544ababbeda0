// The frame record: which frames consumers may read, and shared ownership.
#include "camera/frame.h"

#include <gtest/gtest.h>

#include <memory>

namespace vel {
namespace {

TEST(Frame, WellFormedOnlyWithPositiveSizeAndExactBuffer) {
  EXPECT_TRUE(makeFrame(3, 2, 1, 100)->wellFormed());

  Frame empty;
  EXPECT_FALSE(empty.wellFormed());

  Frame short1 = *makeFrame(3, 2, 0, 0);
  short1.pixels.pop_back();
  EXPECT_FALSE(short1.wellFormed());

  Frame long1 = *makeFrame(3, 2, 0, 0);
  long1.pixels.push_back(0);
  EXPECT_FALSE(long1.wellFormed());

  Frame negative = *makeFrame(3, 2, 0, 0);
  negative.width = -3;
  negative.height = -2;
  EXPECT_FALSE(negative.wellFormed());
}

TEST(Frame, MakeFrameFillsZerosAndKeepsSequenceAndTime) {
  const auto frame = makeFrame(4, 3, 7, 123456);
  EXPECT_EQ(frame->pixels.size(), 4u * 3u * 4u);
  EXPECT_EQ(frame->sequence, 7u);
  EXPECT_EQ(frame->timeMs, 123456u);
  for (auto byte : frame->pixels) ASSERT_EQ(byte, 0);
  EXPECT_TRUE(makeFrame(0, 0, 0, 0)->pixels.empty());
}

TEST(Frame, ReadersShareOneImageThatLivesUntilTheLastDropsIt) {
  auto filled = makeFrame(2, 2, 1, 1);
  filled->pixels[5] = 42;
  FramePtr producer = std::move(filled);
  FramePtr reader = producer;
  const std::weak_ptr<const Frame> watcher = producer;
  EXPECT_EQ(reader->pixels.data(), producer->pixels.data());
  EXPECT_EQ(reader->pixels[5], 42);
  producer.reset();
  EXPECT_FALSE(watcher.expired());
  reader.reset();
  EXPECT_TRUE(watcher.expired());
}

}  // namespace
}  // namespace vel
