#pragma once

#include <cstdint>
#include <memory>

#include "streams/OMemStream.h"

// The memory a capture's message is built in: the pixels themselves plus room
// for the header and what PNG adds to incompressible data.
uint32_t ImageMessageCapacity(int32_t width, int32_t height);

// Writes the header of an image message with a zero length placeholder.
void BeginImageMessage(TOMemStream* stream);

// Patches the length to the bytes written after the header (size - 8) and
// leaves the position at the end again.
void EndImageMessage(TOMemStream* stream);

// Builds a whole image message: header, the pixels encoded as PNG, length.
// When encoding fails the message carries what was written (length 0 when
// nothing was). Missing pixels make an empty message. Throws std::bad_alloc
// when the stream's memory cannot be had.
std::unique_ptr<TOMemStream> BuildImageMessage(const uint32_t* pixels, int32_t width,
                                               int32_t height);
