#pragma once

#include <memory>

#include "imaging/ScreenCapture.h"
#include "streams/OMemStream.h"

// The last capture's rectangle, pixels and finished image message. A capture
// identical to it, rectangle and every pixel, is answered with the kept
// message instead of a fresh encode: the PNG writer writes no time and no
// other changing data, so the kept bytes are exactly what encoding again
// would give, and a screen that did not change costs a comparison instead of
// the encoder's hundreds of milliseconds. One frame is kept at a time.
class TUnchangedFrameCache {
 public:
  // The image message for this capture: the kept one when the capture is
  // identical to the last, else a fresh one that is then kept. Missing
  // pixels give the 8-byte message with length 0, and the next capture
  // encodes afresh. Valid until the next call or Clear.
  const TOMemStream& MessageFor(const TCaptureRect& rect, TPixelBuffer pixels);
  // Whether the last MessageFor answered with the kept message.
  bool Reused() const { return FReused; }
  void Clear();

 private:
  bool Matches(const TCaptureRect& rect, const TPixelBuffer& pixels) const;

  TCaptureRect FRect;
  TPixelBuffer FPixels;
  std::unique_ptr<TOMemStream> FMessage;
  bool FReused = false;
};
