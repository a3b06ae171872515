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

// A window: a message window of the window layer (platform/user), or (for screen
// capture) a window on the screen. Opaque; never dereferenced by callers.
struct HWND__;
using HWND = HWND__*;

constexpr LPARAM MakeLParam(WORD low, WORD high) {
  return static_cast<LPARAM>(static_cast<DWORD>(low) | static_cast<DWORD>(high) << 16);
}
