// The themed controls with visual styles switched off for the whole run
// (before anything asks for a theme): the check box's classic frame and
// caption, the speed button exactly as the framework's, and the angle edit
// on a plain button-face ground.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QTest>

#include "components/AngleEdit.h"
#include "components/themeControls.h"
#include "framework/Form.h"
#include "tests/support/Pixels.h"
#include "tests/support/ThemedLooks.h"

namespace {

const bool kVisualStylesOff = setenv(kVisualStylesSwitch, "off", 1) == 0;

struct ClassicForm {
  ClassicForm() : form(nullptr) {
    form.SetBounds(0, 0, 320, 200);
    form.SetColor(clWhite);  // so that a control's own ground shows
    form.Show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form.Widget()));
  }
  template <typename T>
  T* Add(int left, int top) {
    auto* control = new T(&form);
    control->SetParent(&form);
    control->SetLeft(left);
    control->SetTop(top);
    return control;
  }
  TForm form;
};

TEST(XPCheckBoxClassic, FrameControlForEachStateAndAPlainCaption) {
  ASSERT_TRUE(kVisualStylesOff);
  ClassicForm f;
  auto* box = f.Add<TXPCheckBox>(10, 10);
  const auto frame = [](UINT state) {
    return ClassicFrame(QSize(16, 16), RECT{0, 0, 16, 16}, DFC_BUTTON, state, clBtnFace);
  };
  const auto look = [&] { return Look(box).copy(0, 0, 16, 16); };
  EXPECT_EQ(look(), frame(0));
  Hover(box);  // the pointer and the buttons change nothing in this look
  QTest::mousePress(box->Widget(), Qt::RightButton, {}, QPoint(5, 5));
  EXPECT_EQ(look(), frame(0));
  QTest::mouseRelease(box->Widget(), Qt::RightButton, {}, QPoint(5, 5));
  box->SetChecked(true);
  EXPECT_EQ(look(), frame(DFCS_CHECKED));
  box->SetState(cbGrayed);
  EXPECT_EQ(look(), frame(DFCS_BUTTON3STATE | DFCS_CHECKED));
  EXPECT_NE(frame(DFCS_BUTTON3STATE | DFCS_CHECKED), frame(DFCS_CHECKED));

  // The caption in dark ink from x = 18 at the top; disabled, the box goes
  // inactive and the caption stays as it is.
  const QImage enabled = Look(box);
  QRect ink;
  for (int y = 0; y < enabled.height(); ++y)
    for (int x = 16; x < enabled.width(); ++x)
      if (qGray(enabled.pixel(x, y)) < 96) ink |= QRect(x, y, 1, 1);
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_GE(ink.left(), 18);
  EXPECT_LE(ink.top(), 4);
  EXPECT_EQ(RgbAt(enabled, 17, 8), RgbOf(ColorToRGB(clBtnFace)));
  box->SetEnabled(false);
  EXPECT_EQ(look(), frame(DFCS_BUTTON3STATE | DFCS_CHECKED | DFCS_INACTIVE));
  EXPECT_EQ(Look(box).copy(16, 0, 84, 18), enabled.copy(16, 0, 84, 18));
}

TEST(XPThemeSpeedButtonClassic, PaintsExactlyAsTheFrameworkButton) {
  ClassicForm f;
  TSpeedButton* buttons[] = {f.Add<TXPThemeSpeedButton>(10, 10), f.Add<TSpeedButton>(100, 10)};
  for (TSpeedButton* button : buttons) {
    button->SetBounds(button->Left(), 10, 70, 26);
    button->SetCaption(u"Open");
    button->Glyph()->SetSize(8, 8);
    button->Glyph()->Canvas()->Brush()->SetColor(clRed);
    button->Glyph()->Canvas()->FillRect(Rect(0, 0, 8, 7));
    button->SetGroupIndex(button == buttons[0] ? 1 : 2);
  }
  const auto same = [&](const char* what) {
    EXPECT_EQ(Look(buttons[0]), Look(buttons[1])) << what;
  };
  same("up");
  for (TSpeedButton* button : buttons)
    QTest::mouseClick(button->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
  ASSERT_TRUE(buttons[0]->Down());
  same("down");
  for (TSpeedButton* button : buttons) {
    button->SetFlat(true);
    Hover(button);
    button->SetEnabled(false);
  }
  same("flat, disabled");
}

TEST(AngleEditClassic, DrawsOnTheButtonFaceRatherThanItsParent) {
  ClassicForm f;
  auto* dial = f.Add<TAngleEdit>(10, 10);
  const QImage look = Look(dial);
  EXPECT_EQ(RgbAt(look, 0, 0), RgbOf(ColorToRGB(clBtnFace)));
  EXPECT_EQ(RgbAt(look, 39, 39), RgbOf(ColorToRGB(clBtnFace)));
  EXPECT_EQ(RgbAt(look, 10, 20), 0xFFFFFFu);
  EXPECT_EQ(RgbAt(look, 30, 20), 0x000000u);
}

}  // namespace
