#include "imaging/ScreenCapture.h"

#include <cstddef>
#include <new>

TCaptureRect SelectCaptureRect(bool currentWindow) {
  if (currentWindow) {
    RECT rect;
    HWND window = GetForegroundWindow();
    if (window != nullptr && GetWindowRect(window, &rect)) {
      return TCaptureRect{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
    }
    // No window in the foreground, or one already gone: fall back to the screen.
  }
  // The origin is the screen point (0, 0), not the virtual screen's own corner.
  return TCaptureRect{0, 0, GetSystemMetrics(SM_CXVIRTUALSCREEN),
                      GetSystemMetrics(SM_CYVIRTUALSCREEN)};
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
