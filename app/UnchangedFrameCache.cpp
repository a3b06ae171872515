#include "app/UnchangedFrameCache.h"

#include <cstring>
#include <new>

#include "protocol/ImageMessage.h"

bool TUnchangedFrameCache::Matches(const TCaptureRect& rect, const TPixelBuffer& pixels) const {
  if (!FPixels || !pixels || !FMessage) return false;
  if (rect.x != FRect.x || rect.y != FRect.y || rect.width != FRect.width ||
      rect.height != FRect.height) {
    return false;
  }
  const size_t bytes = static_cast<size_t>(rect.width) * static_cast<size_t>(rect.height) * 4;
  return std::memcmp(FPixels.get(), pixels.get(), bytes) == 0;
}

const TOMemStream& TUnchangedFrameCache::MessageFor(const TCaptureRect& rect, TPixelBuffer pixels) {
  FReused = Matches(rect, pixels);
  if (FReused) return *FMessage;
  // The old frame goes before the new one is encoded, so that no more than
  // one is ever held besides the capture in hand.
  Clear();
  try {
    if (!pixels) {
      FMessage = BuildImageMessage(nullptr, 0, 0);
      return *FMessage;
    }
    FMessage = BuildImageMessage(pixels.get(), rect.width, rect.height);
    FPixels = std::move(pixels);
    FRect = rect;
  } catch (const std::bad_alloc&) {
    // No room for this image: the clients get the empty message, as for a
    // capture that read no pixels.
    pixels.reset();
    FMessage = BuildImageMessage(nullptr, 0, 0);
  }
  return *FMessage;
}

void TUnchangedFrameCache::Clear() {
  FMessage.reset();
  FPixels.reset();
  FRect = TCaptureRect{};
}
