#pragma once

// What the visual-styles library and the classic drawing calls paint, drawn
// on their own into pictures, to hold a control's painted pixels against.

#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QImage>

#include "components/Themes.h"
#include "framework/Controls.h"
#include "platform/gdi/ClassicDrawing.h"
#include "platform/gdi/Drawing.h"

// The control's pixels as shown on its parent.
inline QImage Look(const TControl* control) {
  return control->Widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The pointer comes onto the control, or leaves it.
inline void Hover(TControl* control, bool inside = true) {
  if (inside) {
    QEnterEvent enter(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
    QApplication::sendEvent(control->Widget(), &enter);
  } else {
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(control->Widget(), &leave);
  }
}

// A picture of `size` in `ground` with the part drawn at `rect` (clipped to
// `clip` when given), the theme opened for `window`.
inline QImage ThemedPart(HWND window, const char16_t* themeClass, int part, int state, QSize size,
                         RECT rect, TColor ground, const RECT* clip = nullptr) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(ColorFromRef(ColorToRGB(ground)));
  HDC dc = CreateDrawingDC(&image);
  HTHEME theme = ThemeHelper()->OpenThemeData(window, themeClass);
  EXPECT_TRUE(ThemeHelper()->DrawThemeBackground(theme, dc, part, state, &rect, clip));
  ThemeHelper()->CloseThemeData(theme);
  DeleteDrawingDC(dc);
  return image;
}

// A picture of `size` in `ground` with the classic frame control at `rect`.
inline QImage ClassicFrame(QSize size, RECT rect, UINT type, UINT state, TColor ground) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(ColorFromRef(ColorToRGB(ground)));
  HDC dc = CreateDrawingDC(&image);
  DrawFrameControl(dc, &rect, type, state);
  DeleteDrawingDC(dc);
  return image;
}

// The bounding box of the pixels of one colour (0xRRGGBB); empty if none.
inline QRect PixelsOf(const QImage& image, uint32_t rgb) {
  QRect box;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if ((image.pixel(x, y) & 0xFFFFFF) == rgb) box |= QRect(x, y, 1, 1);
    }
  }
  return box;
}
