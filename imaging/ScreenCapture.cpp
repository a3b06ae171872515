#include "imaging/ScreenCapture.h"

#include <cstddef>
#include <cstdint>
#include <new>

namespace {

// A window rectangle comes from other programs and may be anything X allows
// (65535 x 65535, or worse with a frame). One whose area is more than this
// many times the screen's is not what the user sees, and would ask for
// gigabytes of pixels: it counts as a rectangle that cannot be read.
constexpr int64_t kMaxScreensInAWindow = 4;

// The capture rectangle of `rect`, when its size is positive, fits 32 bits
// and is not far beyond the screen's.
bool ReadableWindowRect(const RECT& rect, int64_t screenWidth, int64_t screenHeight,
                        TCaptureRect* capture) {
  const int64_t width = static_cast<int64_t>(rect.right) - rect.left;
  const int64_t height = static_cast<int64_t>(rect.bottom) - rect.top;
  if (width <= 0 || height <= 0 || width > INT32_MAX || height > INT32_MAX) return false;
  if (width * height > kMaxScreensInAWindow * screenWidth * screenHeight) return false;
  *capture =
      TCaptureRect{rect.left, rect.top, static_cast<int32_t>(width), static_cast<int32_t>(height)};
  return true;
}

}  // namespace

TCaptureRect SelectCaptureRect(bool currentWindow) {
  // The origin is the screen point (0, 0), not the virtual screen's own corner.
  const TCaptureRect screen{0, 0, GetSystemMetrics(SM_CXVIRTUALSCREEN),
                            GetSystemMetrics(SM_CYVIRTUALSCREEN)};
  if (currentWindow) {
    RECT rect;
    TCaptureRect window;
    HWND foreground = GetForegroundWindow();
    if (foreground != nullptr && GetWindowRect(foreground, &rect) &&
        ReadableWindowRect(rect, screen.width, screen.height, &window)) {
      return window;
    }
    // No window in the foreground, one already gone, or a rectangle that
    // cannot be read: fall back to the screen.
  }
  return screen;
}

TPixelBuffer GrabScreenPixels(int32_t x, int32_t y, int32_t width, int32_t height) {
  HDC memoryDc = CreateCompatibleDC(nullptr);
  HDC screenDc = GetDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screenDc, width, height);
  HGDIOBJ previous = SelectObject(memoryDc, bitmap);

  TPixelBuffer pixels;
  if (BitBlt(memoryDc, 0, 0, width, height, screenDc, x, y, SRCCOPY)) {
    pixels = ExtractDibPixels(memoryDc, bitmap, width, height);
  }

  // Everything obtained above goes back, whether or not the pixels were read.
  if (previous != nullptr) SelectObject(memoryDc, previous);
  if (bitmap != nullptr) DeleteObject(bitmap);
  if (memoryDc != nullptr) DeleteDC(memoryDc);
  if (screenDc != nullptr) ReleaseDC(nullptr, screenDc);
  return pixels;
}

TPixelBuffer ExtractDibPixels(HDC memoryDc, HBITMAP bitmap, int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return nullptr;

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // negative: rows top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  info.bmiHeader.biSizeImage = static_cast<DWORD>(static_cast<uint64_t>(width) * 4 * height);
  info.bmiHeader.biClrUsed = 0;
  info.bmiHeader.biClrImportant = 0;

  // Left uninitialised on purpose: every byte is written by GetDIBits.
  TPixelBuffer pixels(new (std::nothrow) uint32_t[static_cast<size_t>(width) * height]);
  if (!pixels) return nullptr;
  if (GetDIBits(memoryDc, bitmap, 0, static_cast<UINT>(height), pixels.get(), &info,
                DIB_RGB_COLORS) == 0) {
    return nullptr;
  }
  return pixels;
}
