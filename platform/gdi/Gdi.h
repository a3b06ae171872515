#pragma once

// A small screen-graphics layer with the contract of the Windows GDI and USER
// calls that screen capture uses: device contexts, compatible bitmaps, BitBlt,
// GetDIBits, screen metrics and the foreground window. On Linux it is backed
// by X11 (see platform/x11/); a Windows build can take these names from
// <windows.h> instead.
//
// Only what capture needs is provided: the screen context of GetDC(nullptr),
// memory contexts, bitmaps compatible with the screen, SRCCOPY copies, and
// 32-bit top-down BI_RGB reads. Every call runs on the user-interface thread.
// No X failure ends the process: it becomes the call's failure result.

#include <cstdint>

#include "platform/WindowsTypes.h"

struct HDC__;
struct HGDIOBJ__;
using HDC = HDC__*;
using HGDIOBJ = HGDIOBJ__*;
using HBITMAP = HGDIOBJ;

struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;  // negative: rows top-down
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};

struct RGBQUAD {
  uint8_t rgbBlue;
  uint8_t rgbGreen;
  uint8_t rgbRed;
  uint8_t rgbReserved;
};

struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};

// GetSystemMetrics indices.
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_XVIRTUALSCREEN = 76;
constexpr int SM_YVIRTUALSCREEN = 77;
constexpr int SM_CXVIRTUALSCREEN = 78;
constexpr int SM_CYVIRTUALSCREEN = 79;

constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD BI_RGB = 0;
constexpr UINT DIB_RGB_COLORS = 0;

// Screen and virtual-screen metrics; 0 for an unknown index or no display.
int GetSystemMetrics(int index);

// The window the user is working in, or nullptr.
HWND GetForegroundWindow();
// The window's outer rectangle (its frame included) in screen coordinates.
BOOL GetWindowRect(HWND window, RECT* rect);

// The windows of the window layer (platform/user) are that layer's business:
// it installs this, and GetWindowRect asks it first. It answers false for
// handles that are none of its windows, which are then taken for X windows.
using TWindowRectProvider = BOOL (*)(HWND window, RECT* rect);
void SetWindowRectProvider(TWindowRectProvider provider);

// GetDC(nullptr) gives the screen's context; nullptr when there is no display.
// GetDC of one of our windows gives a drawing context on its pixels (see
// platform/gdi/Drawing.h, platform/user/WidgetWindows.h); release it with
// ReleaseDC and the same window.
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
BOOL DeleteObject(HGDIOBJ object);
BOOL BitBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX,
            int sourceY, DWORD rop);
int GetDIBits(HDC dc, HBITMAP bitmap, UINT firstLine, UINT lineCount, void* bits, BITMAPINFO* info,
              UINT usage);

// Live graphics objects of this process, for leak checks.
struct TGdiObjectCounts {
  int deviceContexts = 0;
  int bitmaps = 0;
  int sharedMemorySegments = 0;
  int total() const { return deviceContexts + bitmaps + sharedMemorySegments; }
};
TGdiObjectCounts GdiObjectCounts();

// Capture path the screen reads take, for benchmarks and diagnostics.
// Automatic reads through shared memory where the server offers it (asked
// afresh on each call, also after a failed shared read gave it up).
enum class TScreenReadMethod { Automatic, PlainGetImage };
void SetScreenReadMethod(TScreenReadMethod method);
