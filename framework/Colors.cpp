#include "framework/Colors.h"

#include "platform/gdi/SystemColors.h"

COLORREF ColorToRGB(TColor color) {
  if (IsSystemColor(color)) return GetSysColor(static_cast<int>(color & 0xFF));
  if (color == clNone || color == clDefault) return 0;
  return static_cast<COLORREF>(color) & 0xFFFFFF;
}
