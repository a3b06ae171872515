#pragma once

#include <X11/Xlib.h>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/x11/XPixelColours.h"

class XShmSegment;

// Pixels read from a rectangle of the screen. The part of the rectangle that
// lies on the root window is read; the rest is black when copied out (X
// refuses reads beyond the root, the platform contract does not).
//
// The pixels stay in the connection's shared-memory segment when one is
// free, else in an image of their own. Only one reading holds the segment at
// a time; it is given back when the reading is destroyed.
class XScreenReading {
 public:
  XScreenReading() = default;
  ~XScreenReading();
  XScreenReading(const XScreenReading&) = delete;
  XScreenReading& operator=(const XScreenReading&) = delete;

  // Reads the screen rectangle (x, y, width, height) as the pixels of a
  // width x height area. False when X refused the read.
  bool Read(int x, int y, int width, int height);

  // Copies rows [firstRow, firstRow + rowCount) of the area as 32-bit pixels
  // whose bytes are blue, green, red, 0, packed top-down into `out`.
  void CopyRows(int firstRow, int rowCount, uint32_t* out) const;

 private:
  void Release();
  // Reads the on-screen part at (left, top) into the connection's shared
  // segment, asking for one of `segmentBytes`; false when there is none, or
  // the server refused the read.
  bool ReadShared(Display* display, int left, int top, size_t segmentBytes);
  // Decides how the image's pixels become colours; false (the image given
  // up) when they cannot.
  bool LearnLayout(Display* display);
  void CopyRow(int areaRow, uint32_t* out) const;

  int width_ = 0;  // the whole area
  int height_ = 0;
  int onX_ = 0;  // where the on-screen part lies within the area
  int onY_ = 0;
  int onWidth_ = 0;
  int onHeight_ = 0;
  XImage* image_ = nullptr;               // the on-screen part
  std::shared_ptr<XShmSegment> segment_;  // held while image_ points into it
  bool bgrxLayout_ = false;               // rows can be copied as they are
  XPixelColours colours_;                 // otherwise, what each pixel value shows
};
