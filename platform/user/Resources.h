#pragma once

// Resources compiled into the program: icons, each under a numeric id, in
// one or more sizes. The build embeds an icon's PNG files into a source file
// of the program (scrivlo_icon_resource in cmake/IconResources.cmake) that
// registers them before main() runs; LoadImageA finds them through the
// program's module handle, GetModuleHandleA(nullptr).

#include <cstddef>
#include <cstdint>

#include "platform/WindowsTypes.h"
#include "platform/gdi/Icons.h"
#include "platform/kernel/Modules.h"

using HANDLE = void*;

// A resource named by number rather than by text.
inline LPCSTR MAKEINTRESOURCEA(WORD id) {
  return reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(id));
}
inline LPCSTR MAKEINTRESOURCE(WORD id) {
  return MAKEINTRESOURCEA(id);
}
inline bool IS_INTRESOURCE(LPCSTR name) {
  return (reinterpret_cast<uintptr_t>(name) >> 16) == 0;
}

constexpr UINT IMAGE_BITMAP = 0;
constexpr UINT IMAGE_ICON = 1;
constexpr UINT IMAGE_CURSOR = 2;
constexpr UINT LR_DEFAULTCOLOR = 0x0000;
constexpr UINT LR_DEFAULTSIZE = 0x0040;

// A fresh icon (an HICON, which the caller destroys with DestroyIcon) of
// the program's icon resource `name` (MAKEINTRESOURCE), cx x cy pixels: the
// resource's picture of that size, or else its nearest larger one (or its
// largest) scaled. A size of 0 takes the default icon size (32). Null when
// `instance` is not the program's, `type` is not IMAGE_ICON, `name` is text,
// a size is over 256 or there is no such resource. Only LR_DEFAULTCOLOR pictures are made.
HANDLE LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT flags);

// One picture of an icon resource: a PNG file's bytes, which stay where
// they are (static data of the program).
struct TResourceImage {
  const unsigned char* png;
  size_t size;
};
// Adds the program's icon resource `id` with its pictures, one per size;
// registering an id again replaces its pictures.
void RegisterIconResource(WORD id, const TResourceImage* images, size_t count);
