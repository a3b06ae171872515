#include "imaging/PixelsToPng.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "imaging/PngWriter.h"

void WritePngFromPixels(TOStreamBase* stream, const uint32_t* pixels, int32_t width,
                        int32_t height) {
  // Its callers go on regardless of the outcome.
  TryWritePngFromPixels(stream, pixels, width, height);
}

int32_t TryWritePngFromPixels(TOStreamBase* stream, const uint32_t* pixels, int32_t width,
                              int32_t height) {
  if (stream == nullptr || pixels == nullptr) return kPngNothingToEncode;

  // The record holds a jump buffer and is touched by longjmp-ing steps: it is
  // a plain aggregate on purpose, and this frame holds nothing with a destructor.
  TPngWriterInfo info;
  info.gamma = 0.0;
  info.width = width;
  info.height = height;
  info.stream = stream;
  info.sampleDepth = 8;
  info.interlaced = 0;
  info.haveBackground = 0;
  info.haveTime = 0;
  info.haveText = 0;

  // A size that libpng will refuse still gets a buffer (of one byte), so that
  // Init reports the bad header as it would for any other image; the widest
  // row with no rows under it must not ask for gigabytes first.
  const size_t rowBytes = width > 0 && height > 0 ? static_cast<size_t>(width) * 4 : 1;
  info.rowBuffer = static_cast<uint8_t*>(std::malloc(rowBytes));
  if (info.rowBuffer == nullptr) return kPngOutOfMemory;  // nothing encoded, nothing written

  int32_t result = TPngWriter::Init(&info);
  if (result == kPngOk) {
    for (int32_t row = 0; row < height && result == kPngOk; ++row) {
      ConvertBgrxRowToRgba(pixels + static_cast<size_t>(row) * static_cast<size_t>(width),
                           info.rowBuffer, width);
      result = TPngWriter::EncodeRow(&info);
    }
    // Finish does nothing (and reports success) after a failed row.
    const int32_t finished = TPngWriter::Finish(&info);
    if (result == kPngOk) result = finished;
    TPngWriter::Cleanup(&info);
  }

  std::free(info.rowBuffer);
  return result;
}
