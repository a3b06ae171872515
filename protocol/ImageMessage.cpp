#include "protocol/ImageMessage.h"

#include "imaging/PixelsToPng.h"
#include "protocol/MessageFrame.h"

uint32_t ImageMessageCapacity(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return 1000;
  const uint64_t bytes = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4 + 1000;
  // Only a guess at the final size: a larger image simply grows the stream.
  return bytes > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(bytes);
}

void BeginImageMessage(TOMemStream* stream) {
  uint8_t header[kFrameHeaderSize];
  PutLittleEndian32(header, kImageMessageType);
  PutLittleEndian32(header + 4, 0);
  stream->Write(header, sizeof header);
}

void EndImageMessage(TOMemStream* stream) {
  const int32_t end = stream->GetPosition();
  uint8_t length[4];
  PutLittleEndian32(length, static_cast<int32_t>(stream->GetSize() - kFrameHeaderSize));
  stream->SetPosition(4);
  stream->Write(length, sizeof length);
  stream->SetPosition(end);
}

std::unique_ptr<TOMemStream> BuildImageMessage(const uint32_t* pixels, int32_t width,
                                               int32_t height) {
  auto stream = std::make_unique<TOMemStream>(ImageMessageCapacity(width, height));
  BeginImageMessage(stream.get());
  if (pixels != nullptr) WritePngFromPixels(stream.get(), pixels, width, height);
  EndImageMessage(stream.get());
  return stream;
}
