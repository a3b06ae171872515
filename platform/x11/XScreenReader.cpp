#include "platform/x11/XScreenReader.h"

#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <algorithm>
#include <cstring>

#include "platform/x11/XConnection.h"
#include "platform/x11/XShmSegment.h"

namespace {

// A 24- or 32-bit TrueColor ZPixmap on a little-endian server is already
// blue, green, red, pad in memory: rows copy without touching pixels.
bool IsBgrxLayout(Display* display, const XImage* image) {
  return DefaultVisual(display, DefaultScreen(display))->c_class == TrueColor &&
         image->bits_per_pixel == 32 && image->byte_order == LSBFirst &&
         image->red_mask == 0xFF0000 && image->green_mask == 0xFF00 && image->blue_mask == 0xFF;
}

}  // namespace

XScreenReading::~XScreenReading() {
  Release();
}

void XScreenReading::Release() {
  if (image_ != nullptr) {
    // A shared-memory image does not own its pixels; XDestroyImage knows.
    XDestroyImage(image_);
    image_ = nullptr;
  }
  segment_.reset();
}

bool XScreenReading::Read(int x, int y, int width, int height) {
  Release();
  width_ = width;
  height_ = height;
  onWidth_ = onHeight_ = 0;

  XConnection& connection = XConnection::Instance();
  Display* display = connection.Get();
  int rootWidth = 0, rootHeight = 0;
  if (display == nullptr || !connection.RootSize(&rootWidth, &rootHeight)) return false;

  const int left = std::max(x, 0);
  const int top = std::max(y, 0);
  const int right = static_cast<int>(std::min<long>(static_cast<long>(x) + width, rootWidth));
  const int bottom = static_cast<int>(std::min<long>(static_cast<long>(y) + height, rootHeight));
  if (right <= left || bottom <= top) return true;  // wholly off-screen: all black
  onX_ = left - x;
  onY_ = top - y;
  onWidth_ = right - left;
  onHeight_ = bottom - top;

  // Sized for the whole root, so that window and screen reads share one segment.
  if (ReadShared(display, left, top, static_cast<size_t>(rootWidth) * rootHeight * 4)) {
    return LearnLayout(display);
  }

  // A plain read, with a trap of its own: whatever the shared read left
  // behind has no bearing on it.
  XErrorTrap trap(display);
  image_ = XGetImage(display, DefaultRootWindow(display), left, top, onWidth_, onHeight_, AllPlanes,
                     ZPixmap);
  if (trap.Failed() && image_ != nullptr) {
    XDestroyImage(image_);
    image_ = nullptr;
  }
  if (image_ == nullptr) {
    onWidth_ = onHeight_ = 0;
    return false;
  }
  return LearnLayout(display);
}

bool XScreenReading::LearnLayout(Display* display) {
  bgrxLayout_ = IsBgrxLayout(display, image_);
  // Any other layout is decoded pixel by pixel through the colormap. Without
  // its colours the pixels mean nothing: the read fails rather than hand
  // over an image of wrong (or all black) colours.
  if (bgrxLayout_ || colours_.Load(display)) return true;
  Release();
  onWidth_ = onHeight_ = 0;
  return false;
}

bool XScreenReading::ReadShared(Display* display, int left, int top, size_t segmentBytes) {
  XConnection& connection = XConnection::Instance();
  std::shared_ptr<XShmSegment> segment = connection.FreeSegment(segmentBytes);
  if (!segment) return false;

  const int screen = DefaultScreen(display);
  XImage* image =
      XShmCreateImage(display, DefaultVisual(display, screen), DefaultDepth(display, screen),
                      ZPixmap, segment->Data(), segment->Info(), onWidth_, onHeight_);
  if (image == nullptr) return false;
  if (static_cast<size_t>(image->bytes_per_line) * onHeight_ > segment->Size()) {
    XDestroyImage(image);
    return false;
  }
  XErrorTrap trap(display);
  const Status status =
      XShmGetImage(display, DefaultRootWindow(display), image, left, top, AllPlanes);
  if (trap.Failed() || status == 0) {
    XDestroyImage(image);
    // The server took the segment but refuses to fill it: it will refuse the
    // next read the same way, so this connection reads plainly from now on.
    connection.StopUsingShm();
    return false;
  }
  image_ = image;
  segment_ = std::move(segment);
  return true;
}

void XScreenReading::CopyRows(int firstRow, int rowCount, uint32_t* out) const {
  for (int row = 0; row < rowCount; ++row) {
    CopyRow(firstRow + row, out + static_cast<size_t>(row) * width_);
  }
}

void XScreenReading::CopyRow(int areaRow, uint32_t* out) const {
  const int imageRow = areaRow - onY_;
  if (image_ == nullptr || imageRow < 0 || imageRow >= onHeight_) {
    std::memset(out, 0, static_cast<size_t>(width_) * 4);
    return;
  }
  if (onX_ > 0) std::memset(out, 0, static_cast<size_t>(onX_) * 4);
  const int rightGap = width_ - onX_ - onWidth_;
  if (rightGap > 0) std::memset(out + onX_ + onWidth_, 0, static_cast<size_t>(rightGap) * 4);

  uint32_t* target = out + onX_;
  if (bgrxLayout_) {
    const char* source = image_->data + static_cast<size_t>(imageRow) * image_->bytes_per_line;
    std::memcpy(target, source, static_cast<size_t>(onWidth_) * 4);
    return;
  }
  for (int column = 0; column < onWidth_; ++column) {
    target[column] = colours_.ColourOf(XGetPixel(image_, column, imageRow));
  }
}
