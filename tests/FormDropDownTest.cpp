// The drop-down button: the order of OnDrop and the pushed look, its themed
// looks (normal, pressed, disabled while pressed), the background it leaves
// alone, and the pop-up it opens. The classic look with visual styles off
// is FormDropDownClassicTest.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <string>
#include <vector>

#include "components/DropDownPopup.h"
#include "components/Themes.h"
#include "components/formDropDown.h"
#include "framework/Form.h"
#include "platform/gdi/ClassicDrawing.h"
#include "platform/gdi/Drawing.h"
#include "tests/support/DropDownFixture.h"
#include "tests/support/ModalBox.h"
#include "tests/support/Pixels.h"

using ::testing::ElementsAre;

namespace {

TEST(FormDropDown, StartsEmptyAtTwentyByTwenty) {
  TFormDropDown button(nullptr);
  EXPECT_EQ(button.Width(), 20);
  EXPECT_EQ(button.Height(), 20);
  EXPECT_EQ(button.Max(), 0);
  EXPECT_EQ(button.Value(), 0);
  EXPECT_EQ(button.Offset(), (TPoint{0, 0}));
  EXPECT_FALSE(button.Pressed());
  EXPECT_EQ(button.Image(), nullptr);
  button.FormValueChanged(nullptr);  // nothing bound: nothing happens
  std::vector<TObject*> senders;
  button.OnChange = [&](TObject* sender) { senders.push_back(sender); };
  button.FormValueChanged(nullptr);
  EXPECT_THAT(senders, ElementsAre(&button));
}

TEST(FormDropDown, OnDropComesBeforeThePushedLookForAnyButton) {
  DropDownOnForm f;
  ASSERT_TRUE(ThemeHelper()->ThemesActive());
  const QImage normal = Themed(f.button->Handle(), ABS_DOWNNORMAL);
  const QImage pushed = Themed(f.button->Handle(), ABS_DOWNPRESSED);
  ASSERT_EQ(f.Look(), normal);
  std::vector<std::string> events;
  f.button->OnDrop = [&](TObject* sender) {
    EXPECT_EQ(sender, f.button);
    events.push_back(std::string("drop ") + (f.button->Pressed() ? "pushed" : "normal"));
    EXPECT_EQ(f.Look(), normal);
  };
  f.button->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) {
    events.push_back("up");
  };
  QTest::mousePress(f.button->Widget(), Qt::RightButton, {}, QPoint(5, 5));
  EXPECT_TRUE(f.button->Pressed());
  EXPECT_EQ(f.Look(), pushed);
  QTest::mouseRelease(f.button->Widget(), Qt::RightButton, {}, QPoint(5, 5));
  EXPECT_FALSE(f.button->Pressed());
  EXPECT_EQ(f.Look(), normal);
  EXPECT_EQ(f.button->Popup(), nullptr);  // only the left button opens it
  EXPECT_THAT(events, ElementsAre("drop normal", "up"));
}

TEST(FormDropDown, DisabledWinsOverPressedInTheThemedLook) {
  DropDownOnForm f;
  const QImage disabled = Themed(f.button->Handle(), ABS_DOWNDISABLED);
  ASSERT_NE(disabled, Themed(f.button->Handle(), ABS_DOWNPRESSED));
  QTest::mousePress(f.button->Widget(), Qt::MiddleButton, {}, QPoint(5, 5));
  f.button->SetEnabled(false);
  // Painted at once, before any event loop: read the window's pixels.
  HDC dc = GetDC(f.button->Handle());
  QImage now(20, 20, QImage::Format_RGB32);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x)
      now.setPixelColor(x, y, ColorFromRef(GetPixel(dc, x, y)));
  ReleaseDC(f.button->Handle(), dc);
  EXPECT_EQ(now, disabled);
  EXPECT_TRUE(f.button->Pressed());
  EXPECT_EQ(f.Look(), disabled);
}

TEST(FormDropDown, DesignedItDrawsClassicAndErasesNothing) {
  DropDownOnForm f;
  f.button->SetDesigning(true);
  f.button->Repaint();
  EXPECT_EQ(f.Look(), Classic(DFCS_SCROLLDOWN));

  // WM_ERASEBKGND is answered with 1 and leaves the context alone, where a
  // plain custom control fills it with its colour.
  QImage image(20, 20, QImage::Format_RGB32);
  image.fill(QColor(1, 2, 3));
  const QImage before = image.copy();
  HDC dc = CreateDrawingDC(&image);
  EXPECT_EQ(f.button->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc)), 1);
  EXPECT_EQ(image, before);
  EXPECT_EQ(f.edit->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc)), 1);
  EXPECT_NE(image, before);
  DeleteDrawingDC(dc);

  // Hidden, it paints nothing after the framework's painting.
  f.button->Hide();
  dc = GetDC(f.button->Handle());
  RECT all{0, 0, 20, 20};
  FillSolidRect(dc, &all, RGB(9, 8, 7));
  f.button->SetEnabled(false);
  EXPECT_EQ(GetPixel(dc, 10, 10), RGB(9, 8, 7));
  ReleaseDC(f.button->Handle(), dc);
}

TEST(FormDropDown, TheReleaseOpensAValuePanelUnderTheOwner) {
  DropDownOnForm f;
  f.button->OnDrop = [&](TObject*) {
    f.button->SetMin(0);
    f.button->SetMax(200);
    f.button->SetValue(50);
    f.button->SetOffset(TPoint{f.button->Width() - f.edit->Width(), 4});
  };
  std::vector<float> values;
  f.button->OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, f.button);
    values.push_back(f.button->Value());
  };
  QTest::mouseClick(f.button->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
  TDropDownPopup* popup = f.button->Popup();
  ASSERT_NE(popup, nullptr);
  EXPECT_TRUE(popup->IsOpen());
  EXPECT_EQ(QApplication::activePopupWidget(), popup->Widget());
  // The panel at the owner's left edge, under the button and the 4-pixel
  // strip, in a frame one pixel wide.
  const TPoint corner = f.edit->ClientToScreen(TPoint{0, 20 + 4});
  EXPECT_EQ(popup->Panel()->Widget()->mapToGlobal(QPoint(0, 0)), QPoint(corner.x, corner.y + 1));
  EXPECT_EQ(popup->Widget()->geometry().topLeft(), QPoint(corner.x - 1, corner.y));
  EXPECT_EQ(popup->Panel()->Width(), f.edit->Width());
  EXPECT_EQ(popup->Panel()->Max(), 200);
  EXPECT_EQ(popup->Panel()->Value(), 50);

  // A click at 30 of 120 pixels: a quarter of 0..200.
  QTest::mouseClick(popup->Panel()->Widget(), Qt::LeftButton, {}, QPoint(30, 10));
  EXPECT_THAT(values, ElementsAre(50));
  EXPECT_EQ(f.button->Value(), 50);
  QTest::mousePress(popup->Panel()->Widget(), Qt::LeftButton, {}, QPoint(60, 10));
  QTest::mouseMove(popup->Panel()->Widget(), QPoint(500, 10));
  QTest::mouseRelease(popup->Panel()->Widget(), Qt::LeftButton, {}, QPoint(500, 10));
  EXPECT_THAT(values, ElementsAre(50, 100, 200));
  EXPECT_TRUE(popup->IsOpen());

  bool closed = false;
  popup->OnClose = [&](TObject*) { closed = true; };
  QTest::keyClick(popup->Widget(), Qt::Key_Escape);
  EXPECT_TRUE(closed);
  EXPECT_FALSE(popup->IsOpen());
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST(FormDropDown, AnOnDropHandlerMayDestroyTheButton) {
  DropDownOnForm f;
  f.button->OnDrop = [&](TObject*) { delete f.button; };
  QTest::mousePress(f.edit->Widget(), Qt::LeftButton, {}, QPoint(105, 5));
  QTest::mouseClick(f.button->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(f.edit->ControlCount(), 0);
}

TEST(FormDropDown, DisablingTheButtonClosesItsPopup) {
  DropDownOnForm f;
  int changes = 0;
  f.button->OnChange = [&](TObject*) { ++changes; };
  QTest::mouseClick(f.button->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
  TDropDownPopup* popup = f.button->Popup();
  ASSERT_NE(popup, nullptr);
  ASSERT_TRUE(popup->IsOpen());
  f.button->SetEnabled(false);  // by the program, say on a timer
  EXPECT_FALSE(popup->IsOpen());
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
  EXPECT_EQ(changes, 0);
}

TEST(FormDropDown, AModalWindowThatTookTheReleaseLeavesTheArrowNormal) {
  DropDownOnForm f;
  const QImage normal = Themed(f.button->Handle(), ABS_DOWNNORMAL);
  f.button->OnDrop = [&](TObject*) {
    ShowModalBoxTheUserClicks();  // a message box, say
  };
  QTest::mousePress(f.button->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_FALSE(f.button->Pressed());
  EXPECT_EQ(f.Look(), normal);
  EXPECT_EQ(f.button->Popup(), nullptr);
}

}  // namespace

namespace {

TEST(FormDropDown, AClickOutsideClosesThePopupAndGoesNoFurther) {
  DropDownOnForm f;
  int drops = 0;
  f.button->OnDrop = [&](TObject*) { ++drops; };
  QTest::mouseClick(f.button->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
  TDropDownPopup* popup = f.button->Popup();
  ASSERT_NE(popup, nullptr);
  int closes = 0;
  popup->OnClose = [&](TObject*) { ++closes; };
  // The click that closes it, on the button itself, does not press it again.
  // (Through the window system, where pop-ups see clicks outside them.)
  const QPoint onButton = f.button->Widget()->mapTo(f.form.Widget(), QPoint(5, 5));
  QTest::mouseClick(f.form.Widget()->windowHandle(), Qt::LeftButton, {}, onButton);
  EXPECT_FALSE(popup->IsOpen());
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(drops, 1);
  // Opened again, it shows the range handed over at that drop.
  f.button->OnDrop = [&](TObject*) {
    f.button->SetMax(10);
    f.button->SetValue(7);
  };
  QTest::mouseClick(f.button->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_TRUE(popup->IsOpen());
  EXPECT_EQ(f.button->Popup(), popup);  // the same pop-up, reused
  EXPECT_EQ(popup->Panel()->Max(), 10);
  EXPECT_EQ(popup->Panel()->Value(), 7);
  popup->ClosePopup();
}

}  // namespace
