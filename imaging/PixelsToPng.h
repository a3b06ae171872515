#pragma once

#include <cstdint>

#include "streams/OStreamBase.h"

// Converts one row of screen pixels (32-bit values whose bytes in memory are
// blue, green, red and an ignored fourth) into PNG's R, G, B, A byte order with
// alpha 255. `rgba` holds width * 4 bytes.
void ConvertBgrxRowToRgba(const uint32_t* bgrx, uint8_t* rgba, int32_t width);

// Encodes width x height screen pixels (rows top-down, packed) as an 8-bit
// RGBA PNG, zlib level 9, into `stream`. Reports nothing: a libpng failure
// leaves a truncated image in the stream and its text on standard error.
// Missing pixels or a row buffer that cannot be allocated write nothing.
void WritePngFromPixels(TOStreamBase* stream, const uint32_t* pixels, int32_t width,
                        int32_t height);

// Missing pixels or stream: nothing was encoded.
constexpr int32_t kPngNothingToEncode = 1;

// WritePngFromPixels for callers that must know whether the image is whole:
// kPngOk once a complete PNG reached the stream, else the result of the step
// that failed (kPngLibraryError, kPngOutOfMemory), kPngOutOfMemory when the
// row buffer cannot be allocated, or kPngNothingToEncode.
int32_t TryWritePngFromPixels(TOStreamBase* stream, const uint32_t* pixels, int32_t width,
                              int32_t height);
