// The PNG writer with any width, height, pixels and optional chunks.
//
// Input: [size mode][width, height as the mode reads them][options][pixel
// pattern...]. Sizes that are not positive must fail; images of up to
// kMaxPixels must come out whole and decode to exactly the pixels given (the
// fourth byte ignored, alpha 255), with the chunks asked for. Larger images
// are beyond this harness's bound and skipped.

#include <bit>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/PixelsToPng.h"
#include "imaging/PngWriter.h"
#include "protocol/ImageMessage.h"
#include "protocol/MessageFrame.h"
#include "streams/OMemStream.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/support/PngDecode.h"

namespace {

constexpr int64_t kMaxPixels = 1 << 18;

enum : uint8_t {
  kGamma = 0x01,
  kBackground = 0x02,
  kTime = 0x04,
  kText = 0x08,
  kAsMessage = 0x10,  // through the server's image message instead
};

// Drives the writer step by step as TryWritePngFromPixels does, with the
// optional chunks of `info` set. Returns the first failing step's result.
int32_t WriteWithOptions(TPngWriterInfo* info, const uint32_t* pixels) {
  std::vector<uint8_t> row(static_cast<size_t>(info->width) * 4);
  info->rowBuffer = row.data();
  int32_t result = TPngWriter::Init(info);
  if (result != kPngOk) return result;
  for (int32_t y = 0; y < info->height && result == kPngOk; ++y) {
    ConvertBgrxRowToRgba(pixels + static_cast<size_t>(y) * static_cast<size_t>(info->width),
                         info->rowBuffer, info->width);
    result = TPngWriter::EncodeRow(info);
  }
  const int32_t finished = TPngWriter::Finish(info);
  TPngWriter::Cleanup(info);
  return result == kPngOk ? finished : result;
}

int CountOf(const std::vector<std::string>& chunks, const char* type) {
  int n = 0;
  for (const std::string& chunk : chunks)
    n += chunk == type;
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TFuzzInput input(data, size);
  int32_t width = 0, height = 0;
  switch (input.Byte() % 4) {
    case 0:
      width = 1 + input.Byte() % 64;
      height = 1 + input.Byte() % 64;
      break;
    case 1:
      width = 1 + input.Word() % 4096;  // wide and flat, or tall and thin
      height = 1 + input.Byte() % 8;
      if (input.Byte() % 2) std::swap(width, height);
      break;
    case 2:
      width = static_cast<int16_t>(input.Word());
      height = static_cast<int16_t>(input.Word());
      break;
    default:
      width = static_cast<int32_t>(input.Dword());
      height = static_cast<int32_t>(input.Dword());
      break;
  }
  const uint8_t options = input.Byte();
  const uint8_t gammaByte = input.Byte();
  const uint8_t background[3] = {input.Byte(), input.Byte(), input.Byte()};
  const auto modTime = static_cast<time_t>(uint64_t{input.Dword()} << input.Byte() % 32);
  const uint8_t textBits = input.Byte() & 0x3F;
  const std::string text(input.Take(input.Byte()));

  const bool positive = width > 0 && height > 0;
  if (positive && int64_t{width} * height > kMaxPixels) return 0;
  const size_t count = positive ? static_cast<size_t>(width) * static_cast<size_t>(height) : 1;
  const std::string bytes = Repeated(input.Rest(), count * 4);
  std::vector<uint32_t> pixels(count);
  std::memcpy(pixels.data(), bytes.data(), count * 4);

  TOMemStream stream(1000);
  int32_t result;
  const uint8_t* png = nullptr;
  size_t pngSize = 0;
  const bool withOptions = (options & (kGamma | kBackground | kTime | kText)) != 0;
  if (withOptions) {
    TPngWriterInfo info;
    info.width = width;
    info.height = height;
    info.stream = &stream;
    info.gamma = (options & kGamma) ? gammaByte / 32.0 : 0.0;
    info.haveBackground = (options & kBackground) != 0;
    info.bgRed = background[0];
    info.bgGreen = background[1];
    info.bgBlue = background[2];
    info.haveTime = (options & kTime) != 0;
    info.modTime = modTime;
    info.haveText = (options & kText) ? textBits : 0;
    info.title = info.author = info.description = text.c_str();
    info.copyright = info.email = info.url = text.c_str();
    result = positive ? WriteWithOptions(&info, pixels.data()) : TPngWriter::Init(&info);
    if (result == kPngOk && !positive) TPngWriter::Cleanup(&info);
    png = stream.GetBuffer();
    pngSize = stream.GetSize();
  } else if (options & kAsMessage) {
    const std::unique_ptr<TOMemStream> message = BuildImageMessage(pixels.data(), width, height);
    TFrameHeader header;
    FUZZ_CHECK(ReadFrameHeader(message->GetBuffer(), message->GetSize(), &header) &&
                   header.type == kImageMessageType &&
                   static_cast<size_t>(header.length) == message->GetSize() - kFrameHeaderSize,
               "a message of %u bytes whose header says type %d, length %d", message->GetSize(),
               header.type, header.length);
    stream.WriteBlock(message->GetBuffer() + kFrameHeaderSize, message->GetSize() - 8);
    png = stream.GetBuffer();
    pngSize = stream.GetSize();
    const TDecodedPng decoded = DecodePng(png, pngSize);
    result = decoded.ok ? kPngOk : kPngLibraryError;
  } else {
    result = TryWritePngFromPixels(&stream, pixels.data(), width, height);
    png = stream.GetBuffer();
    pngSize = stream.GetSize();
  }

  if (!positive) {
    FUZZ_CHECK(result != kPngOk, "a %d x %d image was written", width, height);
    return 0;
  }
  FUZZ_CHECK(result == kPngOk, "a %d x %d image failed with %d", width, height, result);
  const TDecodedPng decoded = DecodePng(png, pngSize);
  FUZZ_CHECK(decoded.ok, "%d x %d: %s", width, height, decoded.error.c_str());
  FUZZ_CHECK(decoded.width == static_cast<uint32_t>(width) &&
                 decoded.height == static_cast<uint32_t>(height) && decoded.bitDepth == 8 &&
                 decoded.colorType == 6 && decoded.interlace == 0,
             "%d x %d came back as %u x %u, depth %d, colour type %d", width, height, decoded.width,
             decoded.height, decoded.bitDepth, decoded.colorType);
  const std::string difference = CompareWithScreenPixels(decoded, pixels.data());
  FUZZ_CHECK(difference.empty(), "%d x %d: %s", width, height, difference.c_str());
  FUZZ_CHECK(decoded.chunks.front() == "IHDR" && decoded.chunks.back() == "IEND",
             "chunks from %s to %s", decoded.chunks.front().c_str(), decoded.chunks.back().c_str());
  if (withOptions) {
    FUZZ_CHECK(CountOf(decoded.chunks, "bKGD") == ((options & kBackground) ? 1 : 0),
               "bKGD asked %d", options & kBackground);
    const bool gammaAsked = (options & kGamma) != 0 && gammaByte > 0;
    FUZZ_CHECK(CountOf(decoded.chunks, "gAMA") == (gammaAsked ? 1 : 0), "gAMA asked %d",
               gammaAsked);
    const int texts = (options & kText) ? std::popcount(textBits) : 0;
    FUZZ_CHECK(CountOf(decoded.chunks, "tEXt") == texts, "%d of %d text chunks",
               CountOf(decoded.chunks, "tEXt"), texts);
  }
  return 0;
}
