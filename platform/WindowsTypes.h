#pragma once

// The handful of Windows scalar and handle types that our platform layers and
// the components share, so that code written against those interfaces reads
// the same on every platform.

#include <cstdint>

using BOOL = int;
using UINT = unsigned int;
using DWORD = uint32_t;
using LONG = int32_t;
using WORD = uint16_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using HRESULT = int32_t;
using COLORREF = DWORD;  // 0x00BBGGRR
// The platform's wide characters are UTF-16 code units, whatever wchar_t is.
using WCHAR = char16_t;
using LPCWSTR = const WCHAR*;
using LPCSTR = const char*;

constexpr HRESULT S_OK = 0;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);

struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};

struct POINT {
  LONG x;
  LONG y;
};

struct SIZE {
  LONG cx;
  LONG cy;
};

// A window: a message window of the window layer (platform/user), or (for screen
// capture) a window on the screen. Opaque; never dereferenced by callers.
struct HWND__;
using HWND = HWND__*;

constexpr LPARAM MakeLParam(WORD low, WORD high) {
  return static_cast<LPARAM>(static_cast<DWORD>(low) | static_cast<DWORD>(high) << 16);
}
constexpr WORD LoWord(uintptr_t value) {
  return static_cast<WORD>(value & 0xFFFF);
}
constexpr WORD HiWord(uintptr_t value) {
  return static_cast<WORD>((value >> 16) & 0xFFFF);
}
// The signed coordinates a mouse message packs into its LParam.
constexpr int LParamX(LPARAM value) {
  return static_cast<int16_t>(LoWord(static_cast<uintptr_t>(value)));
}
constexpr int LParamY(LPARAM value) {
  return static_cast<int16_t>(HiWord(static_cast<uintptr_t>(value)));
}
constexpr LPARAM PointToLParam(int x, int y) {
  return MakeLParam(static_cast<WORD>(static_cast<int16_t>(x)),
                    static_cast<WORD>(static_cast<int16_t>(y)));
}

constexpr COLORREF RGB(uint8_t red, uint8_t green, uint8_t blue) {
  return static_cast<COLORREF>(red) | static_cast<COLORREF>(green) << 8 |
         static_cast<COLORREF>(blue) << 16;
}
constexpr uint8_t GetRValue(COLORREF color) {
  return static_cast<uint8_t>(color & 0xFF);
}
constexpr uint8_t GetGValue(COLORREF color) {
  return static_cast<uint8_t>((color >> 8) & 0xFF);
}
constexpr uint8_t GetBValue(COLORREF color) {
  return static_cast<uint8_t>((color >> 16) & 0xFF);
}
