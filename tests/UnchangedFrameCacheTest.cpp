// The server's unchanged-frame cache: an identical capture is answered with
// the kept message, anything else with a fresh encode.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/UnchangedFrameCache.h"
#include "protocol/ImageMessage.h"

namespace {

constexpr int kWidth = 37, kHeight = 21;

TPixelBuffer Copy(const std::vector<uint32_t>& pixels) {
  TPixelBuffer copy(new uint32_t[pixels.size()]);
  std::memcpy(copy.get(), pixels.data(), pixels.size() * 4);
  return copy;
}

std::string Bytes(const TOMemStream& stream) {
  return std::string(reinterpret_cast<const char*>(stream.GetBuffer()), stream.GetSize());
}

std::string Fresh(const std::vector<uint32_t>& pixels, int width = kWidth) {
  return Bytes(*BuildImageMessage(pixels.data(), width, kHeight));
}

TEST(UnchangedFrameCache, AnIdenticalCaptureGetsTheKeptMessageAndAnyChangeAFreshOne) {
  std::vector<uint32_t> screen(kWidth * kHeight);
  for (size_t i = 0; i < screen.size(); ++i)
    screen[i] = static_cast<uint32_t>(i * 2654435761u) & 0xFFFFFF;
  const TCaptureRect rect{10, 20, kWidth, kHeight};
  TUnchangedFrameCache cache;

  const TOMemStream* kept = &cache.MessageFor(rect, Copy(screen));
  EXPECT_FALSE(cache.Reused());
  EXPECT_EQ(Bytes(*kept), Fresh(screen));
  EXPECT_EQ(&cache.MessageFor(rect, Copy(screen)), kept);
  EXPECT_TRUE(cache.Reused());

  // One pixel of the last row, or the same pixels taken elsewhere.
  screen.back() ^= 1;
  EXPECT_EQ(Bytes(cache.MessageFor(rect, Copy(screen))), Fresh(screen));
  EXPECT_FALSE(cache.Reused());
  EXPECT_EQ(Bytes(cache.MessageFor(TCaptureRect{11, 20, kWidth, kHeight}, Copy(screen))),
            Fresh(screen));
  EXPECT_FALSE(cache.Reused());
  // Another shape of the same pixels.
  EXPECT_EQ(Bytes(cache.MessageFor(TCaptureRect{11, 20, kHeight, kWidth}, Copy(screen))),
            Bytes(*BuildImageMessage(screen.data(), kHeight, kWidth)));
  EXPECT_FALSE(cache.Reused());

  // No pixels: the empty image message, and what follows is encoded again.
  EXPECT_EQ(Bytes(cache.MessageFor(rect, nullptr)), std::string(8, '\0'));
  EXPECT_FALSE(cache.Reused());
  EXPECT_EQ(Bytes(cache.MessageFor(rect, Copy(screen))), Fresh(screen));
  EXPECT_FALSE(cache.Reused());
  cache.MessageFor(rect, Copy(screen));
  EXPECT_TRUE(cache.Reused());
}

}  // namespace
