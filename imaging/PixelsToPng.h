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
