#pragma once

// What a device-context handle points to. A handle is a plain pointer to this
// struct, so it means the same in every module built with this header: the
// program and the shared libraries it loads (the visual-styles library draws
// into contexts that the program made). No table of live contexts is needed
// to read one.

#include "platform/gdi/Gdi.h"

struct TDrawingState;  // platform/gdi/Drawing.h

struct HDC__ {
  // Screen capture's contexts (GdiObjects.cpp): the screen, or memory
  // holding a bitmap.
  bool isScreen = false;
  HGDIOBJ selected = nullptr;
  // Drawing contexts (Drawing.h): the pixels drawn on and the state the
  // platform keeps per context. Null in capture's contexts.
  TDrawingState* drawing = nullptr;
};

// GetDC of a window and its ReleaseDC are the window layer's business: it
// installs these, so that screen capture needs no window system of its own.
struct TWindowContextProvider {
  HDC (*get)(HWND window) = nullptr;
  int (*release)(HWND window, HDC dc) = nullptr;
};
void SetWindowContextProvider(const TWindowContextProvider& provider);
