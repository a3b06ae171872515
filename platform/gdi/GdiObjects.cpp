// Device contexts and bitmaps of the screen-graphics layer, over X11.
//
// A memory context holds the bitmap selected into it; a bitmap keeps the
// pixels of the latest BitBlt into it (everything else in it reads black);
// GetDIBits copies them out. Handles are checked against the live objects, so
// a stale or foreign handle fails instead of touching freed memory.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <unordered_set>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Gdi.h"
#include "platform/x11/XConnection.h"
#include "platform/x11/XScreenReader.h"
#include "platform/x11/XShmSegment.h"

struct HGDIOBJ__ {
  virtual ~HGDIOBJ__() = default;
};

namespace {

struct GdiBitmap : HGDIOBJ__ {
  GdiBitmap(int w, int h) : width(w), height(h) {}
  int width;
  int height;
  HDC selectedInto = nullptr;
  int copyX = 0;  // where the latest copy landed in the bitmap
  int copyY = 0;
  int copyWidth = 0;
  int copyHeight = 0;
  XScreenReading reading;  // the pixels of that copy
};

// Every memory context starts with this one-pixel bitmap selected; it is
// never deleted and not counted.
GdiBitmap gStockBitmap(1, 1);

std::unordered_set<const void*> gLiveContexts;
TWindowContextProvider gWindowContexts;
std::unordered_set<const void*> gLiveBitmaps;

HDC LiveContext(HDC dc) {
  return gLiveContexts.count(dc) != 0 ? dc : nullptr;
}

GdiBitmap* LiveBitmap(HGDIOBJ object) {
  if (object == &gStockBitmap) return &gStockBitmap;
  return gLiveBitmaps.count(object) != 0 ? static_cast<GdiBitmap*>(object) : nullptr;
}

}  // namespace

void SetWindowContextProvider(const TWindowContextProvider& provider) {
  gWindowContexts = provider;
}

HDC GetDC(HWND window) {
  if (window != nullptr) {
    return gWindowContexts.get != nullptr ? gWindowContexts.get(window) : nullptr;
  }
  if (XConnection::Instance().Get() == nullptr) return nullptr;
  HDC dc = new HDC__{true, nullptr};
  gLiveContexts.insert(dc);
  return dc;
}

int ReleaseDC(HWND window, HDC dc) {
  if (window != nullptr) {
    return gWindowContexts.release != nullptr ? gWindowContexts.release(window, dc) : 0;
  }
  if (LiveContext(dc) == nullptr || !dc->isScreen) return 0;
  gLiveContexts.erase(dc);
  delete dc;
  return 1;
}

HDC CreateCompatibleDC(HDC dc) {
  if (dc != nullptr && LiveContext(dc) == nullptr) return nullptr;
  HDC memory = new HDC__{false, &gStockBitmap};
  gLiveContexts.insert(memory);
  return memory;
}

BOOL DeleteDC(HDC dc) {
  if (LiveContext(dc) == nullptr || dc->isScreen) return 0;
  // The bitmap still selected survives; it is merely no longer selected.
  if (GdiBitmap* bitmap = LiveBitmap(dc->selected)) bitmap->selectedInto = nullptr;
  gLiveContexts.erase(dc);
  delete dc;
  return 1;
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  if (LiveContext(dc) == nullptr || width <= 0 || height <= 0) return nullptr;
  auto* bitmap = new GdiBitmap(width, height);
  gLiveBitmaps.insert(bitmap);
  return bitmap;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  GdiBitmap* bitmap = LiveBitmap(object);
  if (LiveContext(dc) == nullptr || dc->isScreen || bitmap == nullptr) return nullptr;
  // A bitmap can be selected into one memory context at a time.
  if (bitmap != &gStockBitmap && bitmap->selectedInto != nullptr && bitmap->selectedInto != dc) {
    return nullptr;
  }
  HGDIOBJ previous = dc->selected;
  if (GdiBitmap* old = LiveBitmap(previous)) old->selectedInto = nullptr;
  if (bitmap != &gStockBitmap) bitmap->selectedInto = dc;
  dc->selected = bitmap;
  return previous;
}

BOOL DeleteObject(HGDIOBJ object) {
  if (object == &gStockBitmap) return 1;  // stock objects are never deleted
  GdiBitmap* bitmap = LiveBitmap(object);
  if (bitmap == nullptr || bitmap->selectedInto != nullptr) return 0;
  gLiveBitmaps.erase(bitmap);
  delete bitmap;
  return 1;
}

BOOL BitBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX,
            int sourceY, DWORD rop) {
  if (LiveContext(destination) == nullptr || LiveContext(source) == nullptr ||
      destination->isScreen || !source->isScreen || rop != SRCCOPY || width <= 0 || height <= 0) {
    return 0;
  }
  GdiBitmap* bitmap = LiveBitmap(destination->selected);
  if (bitmap == nullptr || bitmap == &gStockBitmap) return 0;

  // Clip the target to the bitmap and shift the source with it.
  const int left = std::max(x, 0);
  const int top = std::max(y, 0);
  const int right = static_cast<int>(std::min<long>(static_cast<long>(x) + width, bitmap->width));
  const int bottom =
      static_cast<int>(std::min<long>(static_cast<long>(y) + height, bitmap->height));
  if (right <= left || bottom <= top) return 1;
  const long readX = static_cast<long>(sourceX) + (left - x);
  const long readY = static_cast<long>(sourceY) + (top - y);
  if (readX < INT32_MIN || readX > INT32_MAX || readY < INT32_MIN || readY > INT32_MAX ||
      !bitmap->reading.Read(static_cast<int>(readX), static_cast<int>(readY), right - left,
                            bottom - top)) {
    bitmap->copyWidth = bitmap->copyHeight = 0;
    return 0;
  }
  bitmap->copyX = left;
  bitmap->copyY = top;
  bitmap->copyWidth = right - left;
  bitmap->copyHeight = bottom - top;
  return 1;
}

int GetDIBits(HDC dc, HBITMAP object, UINT firstLine, UINT lineCount, void* bits, BITMAPINFO* info,
              UINT usage) {
  GdiBitmap* bitmap = LiveBitmap(object);
  if (LiveContext(dc) == nullptr || bitmap == nullptr || bitmap == &gStockBitmap ||
      info == nullptr || bits == nullptr || usage != DIB_RGB_COLORS) {
    return 0;
  }
  const BITMAPINFOHEADER& header = info->bmiHeader;
  // Only 32-bit top-down rows of the bitmap's own width are provided.
  if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biBitCount != 32 ||
      header.biCompression != BI_RGB || header.biWidth != bitmap->width || header.biHeight >= 0 ||
      firstLine >= static_cast<UINT>(bitmap->height)) {
    return 0;
  }
  const int lines = static_cast<int>(std::min<UINT>(lineCount, bitmap->height - firstLine));
  auto* out = static_cast<uint32_t*>(bits);
  const size_t rowPixels = static_cast<size_t>(bitmap->width);

  for (int line = 0; line < lines; ++line) {
    const int row = static_cast<int>(firstLine) + line;
    uint32_t* target = out + line * rowPixels;
    const int copyRow = row - bitmap->copyY;
    if (copyRow < 0 || copyRow >= bitmap->copyHeight) {
      std::memset(target, 0, rowPixels * 4);
      continue;
    }
    if (bitmap->copyWidth == bitmap->width) {
      bitmap->reading.CopyRows(copyRow, 1, target);
      continue;
    }
    // A copy narrower than the bitmap: black around it.
    std::memset(target, 0, rowPixels * 4);
    bitmap->reading.CopyRows(copyRow, 1, target + bitmap->copyX);
  }
  return lines;
}

TGdiObjectCounts GdiObjectCounts() {
  TGdiObjectCounts counts;
  counts.deviceContexts = static_cast<int>(gLiveContexts.size());
  counts.bitmaps = static_cast<int>(gLiveBitmaps.size());
  counts.sharedMemorySegments = XShmSegment::LiveCount();
  return counts;
}

void SetScreenReadMethod(TScreenReadMethod method) {
  XConnection::Instance().DisableShm(method == TScreenReadMethod::PlainGetImage);
}
