#include "tools/ImageMessageReader.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "protocol/MessageFrame.h"

namespace {

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Length, type and CRC around a chunk's data; the longest data PNG allows.
constexpr size_t kChunkOverhead = 12;
constexpr uint32_t kLongestChunk = 0x7FFFFFFF;

uint32_t BigEndian32(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) << 24 | static_cast<uint32_t>(bytes[1]) << 16 |
         static_cast<uint32_t>(bytes[2]) << 8 | bytes[3];
}

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
  // The chunks one after the other: IHDR first, each length within the
  // payload and each CRC right, IEND last with nothing after it. A message
  // damaged or cut and padded on its way is refused, never saved.
  const uint8_t* png = FPayload.data();
  const size_t size = FPayload.size();
  if (size < sizeof kPngSignature || std::memcmp(png, kPngSignature, sizeof kPngSignature) != 0) {
    FError = "the image message does not hold a PNG image";
    return;
  }
  for (size_t at = sizeof kPngSignature;;) {
    if (size - at < kChunkOverhead) {
      FError = "the PNG image in the message is incomplete (it has no end chunk)";
      return;
    }
    const uint32_t length = BigEndian32(png + at);
    if (length > kLongestChunk || length > size - at - kChunkOverhead) {
      FError = "the PNG image in the message is incomplete (it has no end chunk)";
      return;
    }
    const uint8_t* type = png + at + 4;
    if (at == sizeof kPngSignature && std::memcmp(type, "IHDR", 4) != 0) {
      FError = "the image message does not hold a PNG image";
      return;
    }
    const uLong crc = crc32(crc32(0, Z_NULL, 0), type, 4 + length);
    if (crc != BigEndian32(type + 4 + length)) {
      FError = "the PNG image in the message is damaged (chunk " +
               std::string(reinterpret_cast<const char*>(type), 4) + " fails its check)";
      return;
    }
    at += kChunkOverhead + length;
    if (std::memcmp(type, "IEND", 4) == 0) {
      if (at != size) FError = "the PNG image in the message has bytes after its end chunk";
      return;
    }
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
