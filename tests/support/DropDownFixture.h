#pragma once

// A drop-down button on a shown form, and the arrows the platform draws, for
// the drop-down's tests.

#include <gtest/gtest.h>

#include <QImage>
#include <QTest>

#include "components/Themes.h"
#include "components/formDropDown.h"
#include "framework/Form.h"
#include "platform/gdi/ClassicDrawing.h"
#include "platform/gdi/Drawing.h"

// A shown form with an "edit" (a plain custom control, 120 x 24) owning a
// drop-down button at its right end.
struct DropDownOnForm {
  DropDownOnForm() : form(nullptr), edit(new TCustomControl(&form)) {
    form.SetBounds(30, 20, 300, 150);
    edit->SetParent(&form);
    edit->SetBounds(40, 30, 120, 24);
    button = new TFormDropDown(edit);
    button->SetParent(edit);
    button->SetBounds(100, 0, 20, 20);
    form.Show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form.Widget()));
  }
  QImage Look() { return button->Widget()->grab().toImage().convertToFormat(QImage::Format_RGB32); }

  TForm form;
  TCustomControl* edit;
  TFormDropDown* button;
};

// What the platform's calls draw into a 20 x 20 picture.
inline QImage Classic(UINT state) {
  QImage image(20, 20, QImage::Format_RGB32);
  image.fill(Qt::black);
  HDC dc = CreateDrawingDC(&image);
  RECT box{0, 0, 20, 20};
  DrawFrameControl(dc, &box, DFC_SCROLL, state);
  DeleteDrawingDC(dc);
  return image;
}

inline QImage Themed(HWND window, int state) {
  QImage image(20, 20, QImage::Format_RGB32);
  image.fill(Qt::black);
  HDC dc = CreateDrawingDC(&image);
  RECT box{0, 0, 20, 20};
  HTHEME theme = ThemeHelper()->OpenThemeData(window, u"SCROLLBAR");
  EXPECT_TRUE(ThemeHelper()->DrawThemeBackground(theme, dc, SBP_ARROWBTN, state, &box, nullptr));
  ThemeHelper()->CloseThemeData(theme);
  DeleteDrawingDC(dc);
  return image;
}
