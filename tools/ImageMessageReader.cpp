#include "tools/ImageMessageReader.h"

#include <algorithm>
#include <cstring>

#include "protocol/MessageFrame.h"

namespace {

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// An empty IEND chunk: length 0, its name, its CRC. Every whole PNG ends so.
constexpr uint8_t kPngEnd[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};

}  // namespace

TImageMessageReader::TImageMessageReader(uint32_t maxLength) : FMaxLength(maxLength) {}

size_t TImageMessageReader::Feed(const uint8_t* bytes, size_t count) {
  if (FImageReady || Failed()) return 0;
  size_t taken = 0;
  while (taken < count) {
    if (FHeaderCount < kFrameHeaderSize) {
      const size_t n = std::min(kFrameHeaderSize - FHeaderCount, count - taken);
      std::memcpy(FHeader + FHeaderCount, bytes + taken, n);
      FHeaderCount += n;
      taken += n;
      if (FHeaderCount == kFrameHeaderSize) CheckHeader();
      if (Failed()) return taken;
      continue;
    }
    const size_t before = FPayload.size();
    const size_t n = std::min(FLength - before, count - taken);
    FPayload.insert(FPayload.end(), bytes + taken, bytes + taken + n);
    taken += n;
    if (before < sizeof kPngSignature && FPayload.size() >= sizeof kPngSignature) {
      CheckPayloadStart();  // early, so that a stream of garbage is not waited for
      if (Failed()) return taken;
    }
    if (FPayload.size() == FLength) {
      CheckPayloadEnd();
      FImageReady = !Failed();
      return taken;
    }
  }
  return taken;
}

void TImageMessageReader::CheckHeader() {
  TFrameHeader header;
  const bool lengthValid = ReadFrameHeader(FHeader, kFrameHeaderSize, &header);
  if (header.type != kImageMessageType) {
    FError =
        "unexpected message type " + std::to_string(header.type) + " (an image message has type 0)";
  } else if (!lengthValid) {
    FError = "bad message length " + std::to_string(header.length);
  } else if (header.length == 0) {
    FError = "the server sent an empty image message: its screen capture failed";
  } else if (static_cast<uint32_t>(header.length) > FMaxLength) {
    FError = "message length " + std::to_string(header.length) + " is beyond the limit of " +
             std::to_string(FMaxLength) + " bytes";
  } else {
    FLength = static_cast<size_t>(header.length);
  }
}

void TImageMessageReader::CheckPayloadStart() {
  if (std::memcmp(FPayload.data(), kPngSignature, sizeof kPngSignature) != 0) {
    FError = "the image message does not hold a PNG image";
  }
}

void TImageMessageReader::CheckPayloadEnd() {
  if (FPayload.size() < sizeof kPngSignature + sizeof kPngEnd) {
    FError = "the image message does not hold a PNG image";
  } else if (std::memcmp(FPayload.data(), kPngSignature, sizeof kPngSignature) != 0) {
    FError = "the image message does not hold a PNG image";
  } else if (std::memcmp(FPayload.data() + FPayload.size() - sizeof kPngEnd, kPngEnd,
                         sizeof kPngEnd) != 0) {
    FError = "the PNG image in the message is incomplete (it has no end chunk)";
  }
}

std::vector<uint8_t> TImageMessageReader::TakeImage() {
  std::vector<uint8_t> image;
  if (!FImageReady) return image;
  image.swap(FPayload);
  FHeaderCount = 0;
  FLength = 0;
  FImageReady = false;
  return image;
}

size_t TImageMessageReader::ReceivedBytes() const {
  return FHeaderCount + FPayload.size();
}

size_t TImageMessageReader::ExpectedBytes() const {
  return FHeaderCount < kFrameHeaderSize ? kFrameHeaderSize : kFrameHeaderSize + FLength;
}
