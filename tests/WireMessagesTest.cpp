#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

#include "protocol/Beacon.h"
#include "protocol/ImageMessage.h"
#include "protocol/MessageFrame.h"
#include "tests/support/PngDecode.h"

using ::testing::ElementsAre;

namespace {

TEST(Beacon, IsTheTwelveAgreedBytes) {
  const TBeacon beacon = BuildBeacon();
  EXPECT_THAT(beacon, ElementsAre(1, 0, 0, 0, 4, 0, 0, 0, 'w', 'q', 't', 0));
  EXPECT_TRUE(IsBeacon(beacon.data(), beacon.size()));
  EXPECT_FALSE(IsBeacon(beacon.data(), 11));
  TBeacon other = beacon;
  other[10] = 'x';
  EXPECT_FALSE(IsBeacon(other.data(), other.size()));
}

TEST(MessageFrame, LittleEndianWhateverTheValue) {
  uint8_t bytes[4];
  PutLittleEndian32(bytes, 0x01020304);
  EXPECT_THAT(bytes, ElementsAre(4, 3, 2, 1));
  PutLittleEndian32(bytes, -2);
  EXPECT_THAT(bytes, ElementsAre(0xFE, 0xFF, 0xFF, 0xFF));
  EXPECT_EQ(GetLittleEndian32(bytes), -2);

  TFrameHeader header;
  const uint8_t frame[8] = {0, 0, 0, 0, 0x10, 0x27, 0, 0};
  ASSERT_TRUE(ReadFrameHeader(frame, 8, &header));
  EXPECT_EQ(header.type, kImageMessageType);
  EXPECT_EQ(header.length, 10000);
  EXPECT_FALSE(ReadFrameHeader(frame, 7, &header));
  const uint8_t negative[8] = {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_FALSE(ReadFrameHeader(negative, 8, &header));
}

TEST(ImageMessage, LengthIsPatchedToThePngThatFollows) {
  const int width = 64, height = 48;
  std::vector<uint32_t> pixels(width * height);
  for (size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = static_cast<uint32_t>(i * 2654435761u);

  auto message = BuildImageMessage(pixels.data(), width, height);
  const uint32_t size = message->GetSize();
  ASSERT_GT(size, 8u + 8u);
  EXPECT_EQ(message->GetPosition(), static_cast<int32_t>(size));  // back at the end
  EXPECT_EQ(message->GetCapacity(), static_cast<uint32_t>(width * height * 4 + 1000));

  TFrameHeader header;
  ASSERT_TRUE(ReadFrameHeader(message->GetBuffer(), size, &header));
  EXPECT_EQ(header.type, 0);
  EXPECT_EQ(header.length, static_cast<int32_t>(size - 8));

  const TDecodedPng png = DecodePng(message->GetBuffer() + 8, size - 8);
  ASSERT_TRUE(png.ok) << png.error;
  EXPECT_EQ(CompareWithScreenPixels(png, pixels.data()), "");
}

TEST(ImageMessage, AFailedEncodingStillMakesAnEmptyMessage) {
  const uint32_t pixel = 0;
  ::testing::internal::CaptureStderr();
  auto refused = BuildImageMessage(&pixel, 0, 0);
  ::testing::internal::GetCapturedStderr();
  EXPECT_THAT(std::vector<uint8_t>(refused->GetBuffer(), refused->GetBuffer() + refused->GetSize()),
              ElementsAre(0, 0, 0, 0, 0, 0, 0, 0));

  auto missing = BuildImageMessage(nullptr, 1920, 1080);
  EXPECT_EQ(missing->GetSize(), 8u);
}

TEST(ImageMessage, TheHeaderIsPatchedInPlaceAfterAnyPayload) {
  TOMemStream stream(4);
  BeginImageMessage(&stream);
  const uint8_t payload[5] = {9, 8, 7, 6, 5};
  stream.Write(payload, 5);
  EndImageMessage(&stream);
  EXPECT_EQ(stream.GetSize(), 13u);
  EXPECT_THAT(std::vector<uint8_t>(stream.GetBuffer(), stream.GetBuffer() + 13),
              ElementsAre(0, 0, 0, 0, 5, 0, 0, 0, 9, 8, 7, 6, 5));
}

}  // namespace
