// The theme helper with the visual-styles library present, absent, missing
// one entry point, on a system too old for it, and switched off; and the
// library drawing into the program's contexts and windows.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QImage>
#include <QTest>

#include "components/Themes.h"
#include "framework/Form.h"
#include "framework/PaintBox.h"
#include "framework/Panel.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/Icons.h"
#include "platform/kernel/SystemVersion.h"
#include "tests/support/Pixels.h"

namespace {

// A 20 x 20 picture to draw into, its drawing context, and what it held.
class Target {
 public:
  Target() : image_(20, 20, QImage::Format_RGB32) {
    image_.fill(QColor(1, 2, 3));
    blank_ = image_.copy();
    dc_ = CreateDrawingDC(&image_);
  }
  ~Target() { DeleteDrawingDC(dc_); }
  HDC dc() const { return dc_; }
  bool Drawn() const { return image_ != blank_; }
  const QImage& image() const { return image_; }

 private:
  QImage image_;
  QImage blank_;
  HDC dc_;
};

const RECT kBox{0, 0, 20, 20};

QImage DrawArrow(const TThemeHelper& helper, HTHEME theme, int state) {
  Target target;
  EXPECT_TRUE(helper.DrawThemeBackground(theme, target.dc(), SBP_ARROWBTN, state, &kBox, nullptr));
  return target.image().copy();
}

TEST(ThemeHelper, WithTheLibraryEveryOperationForwards) {
  TThemeHelper helper;
  EXPECT_TRUE(helper.ThemesActive());
  HTHEME theme = helper.OpenThemeData(nullptr, u"Scrollbar");
  ASSERT_NE(theme, nullptr);
  // Four looks of the down arrow, all different.
  const QImage normal = DrawArrow(helper, theme, ABS_DOWNNORMAL);
  const QImage pressed = DrawArrow(helper, theme, ABS_DOWNPRESSED);
  const QImage disabled = DrawArrow(helper, theme, ABS_DOWNDISABLED);
  const QImage up = DrawArrow(helper, theme, ABS_UPNORMAL);
  EXPECT_NE(normal, pressed);
  EXPECT_NE(normal, disabled);
  EXPECT_NE(normal, up);
  EXPECT_EQ(normal, DrawArrow(helper, theme, ABS_DOWNNORMAL));
  Target target;
  EXPECT_FALSE(helper.DrawThemeBackground(theme, target.dc(), 99, 1, &kBox, nullptr));
  EXPECT_FALSE(helper.DrawThemeBackground(theme, nullptr, SBP_ARROWBTN, 5, &kBox, nullptr));
  EXPECT_FALSE(target.Drawn());
  helper.CloseThemeData(theme);

  // A class list takes the first class known; text is drawn and measured.
  HTHEME button = helper.OpenThemeData(nullptr, u"Nothing;BUTTON");
  ASSERT_NE(button, nullptr);
  RECT extent{};
  EXPECT_TRUE(helper.GetThemeTextExtent(button, target.dc(), BP_PUSHBUTTON, PBS_NORMAL, u"Hide", 4,
                                        0, &kBox, &extent));
  EXPECT_GT(extent.right - extent.left, 5);
  EXPECT_TRUE(helper.DrawThemeText(button, target.dc(), BP_PUSHBUTTON, PBS_NORMAL, u"Hide", 4, 0, 0,
                                   &kBox));
  EXPECT_TRUE(target.Drawn());
  RECT content{};
  EXPECT_TRUE(helper.GetThemeBackgroundContentRect(button, target.dc(), BP_PUSHBUTTON, PBS_NORMAL,
                                                   &kBox, &content));
  EXPECT_GT(content.left, 0);
  EXPECT_LT(content.right, 20);
  helper.CloseThemeData(button);
  EXPECT_EQ(helper.OpenThemeData(nullptr, u"NoSuchClass"), nullptr);
}

// What a part in a state looks like, on a black 20 x 20 picture.
QImage Part(const TThemeHelper& helper, const char16_t* themeClass, int part, int state) {
  HTHEME theme = helper.OpenThemeData(nullptr, themeClass);
  Target target;
  const RECT box{2, 2, 18, 18};
  EXPECT_TRUE(helper.DrawThemeBackground(theme, target.dc(), part, state, &box, nullptr))
      << part << "/" << state;
  helper.CloseThemeData(theme);
  return target.image().copy();
}

TEST(ThemeHelper, EachStateOfAPartHasALookOfItsOwn) {
  TThemeHelper helper;
  // Check boxes: unchecked, checked, mixed, and disabled, all different.
  const QImage boxes[] = {Part(helper, u"BUTTON", BP_CHECKBOX, CBS_UNCHECKEDNORMAL),
                          Part(helper, u"BUTTON", BP_CHECKBOX, CBS_CHECKEDNORMAL),
                          Part(helper, u"BUTTON", BP_CHECKBOX, CBS_MIXEDNORMAL),
                          Part(helper, u"BUTTON", BP_CHECKBOX, CBS_CHECKEDNORMAL + 3)};
  for (int i = 0; i < 4; ++i)
    for (int j = i + 1; j < 4; ++j)
      EXPECT_NE(boxes[i], boxes[j]) << i << " " << j;
  EXPECT_NE(Part(helper, u"BUTTON", BP_RADIOBUTTON, RBS_UNCHECKEDNORMAL),
            Part(helper, u"BUTTON", BP_RADIOBUTTON, RBS_CHECKEDNORMAL));
  EXPECT_NE(Part(helper, u"BUTTON", BP_PUSHBUTTON, PBS_NORMAL),
            Part(helper, u"BUTTON", BP_PUSHBUTTON, PBS_PRESSED));
  EXPECT_NE(Part(helper, u"EDIT", EP_EDITTEXT, ETS_NORMAL),
            Part(helper, u"EDIT", EP_EDITTEXT, ETS_DISABLED));
  EXPECT_NE(Part(helper, u"SPIN", SPNP_UP, 1), Part(helper, u"SPIN", SPNP_DOWN, 1));
  // A flat tool-bar button shows nothing until hot or pressed.
  Target blank;
  EXPECT_EQ(Part(helper, u"TOOLBAR", TP_BUTTON, TS_NORMAL), blank.image());
  EXPECT_NE(Part(helper, u"TOOLBAR", TP_BUTTON, TS_HOT), blank.image());
  EXPECT_NE(Part(helper, u"TOOLBAR", TP_BUTTON, TS_CHECKED), blank.image());

  // Grayed text and disabled icons are drawn differently from normal ones.
  HTHEME button = helper.OpenThemeData(nullptr, u"BUTTON");
  Target normalText, grayText;
  helper.DrawThemeText(button, normalText.dc(), BP_PUSHBUTTON, PBS_NORMAL, u"Hide", -1, 0, 0,
                       &kBox);
  helper.DrawThemeText(button, grayText.dc(), BP_PUSHBUTTON, PBS_NORMAL, u"Hide", -1, 0, DTT_GRAYED,
                       &kBox);
  EXPECT_NE(normalText.image(), grayText.image());
  HIMAGELIST images = ImageList_Create(8, 8, 0, 1, 1);
  QImage glyph(8, 8, QImage::Format_RGB32);
  glyph.fill(Qt::red);
  ImageList_AddImage(images, glyph, CLR_NONE);
  Target normalIcon, disabledIcon;
  EXPECT_TRUE(
      helper.DrawThemeIcon(button, normalIcon.dc(), BP_PUSHBUTTON, PBS_NORMAL, &kBox, images, 0));
  EXPECT_TRUE(helper.DrawThemeIcon(button, disabledIcon.dc(), BP_PUSHBUTTON, PBS_DISABLED, &kBox,
                                   images, 0));
  EXPECT_EQ(RgbAt(normalIcon.image(), 10, 10), 0xFF0000u);  // centred
  EXPECT_NE(normalIcon.image(), disabledIcon.image());
  EXPECT_FALSE(
      helper.DrawThemeIcon(button, normalIcon.dc(), BP_PUSHBUTTON, PBS_NORMAL, &kBox, images, 1));
  ImageList_Destroy(images);
  helper.CloseThemeData(button);
}

TEST(ThemeHelper, WithoutTheLibraryEverythingFailsAndThemesAreOff) {
  TThemeHelper helper("libno-such-visual-styles.so");
  EXPECT_FALSE(helper.ThemesActive());
  EXPECT_EQ(helper.OpenThemeData(nullptr, u"SCROLLBAR"), nullptr);
  Target target;
  RECT extent{};
  EXPECT_FALSE(helper.DrawThemeBackground(nullptr, target.dc(), 1, 5, &kBox, nullptr));
  EXPECT_FALSE(helper.DrawThemeParentBackground(nullptr, target.dc(), &kBox));
  EXPECT_FALSE(helper.GetThemeTextExtent(nullptr, target.dc(), 1, 1, u"x", 1, 0, &kBox, &extent));
  helper.CloseThemeData(nullptr);
  EXPECT_FALSE(target.Drawn());
}

TEST(ThemeHelper, AMissingEntryPointFailsAloneItsOwnOperation) {
  TThemeHelper helper(SCRIVLO_UXTHEME_WITHOUT_TEXT);
  EXPECT_TRUE(helper.ThemesActive());
  HTHEME theme = helper.OpenThemeData(nullptr, u"BUTTON");
  ASSERT_NE(theme, nullptr);
  Target text;
  EXPECT_FALSE(
      helper.DrawThemeText(theme, text.dc(), BP_PUSHBUTTON, PBS_NORMAL, u"Hide", 4, 0, 0, &kBox));
  EXPECT_FALSE(text.Drawn());
  Target background;
  EXPECT_TRUE(helper.DrawThemeBackground(theme, background.dc(), BP_PUSHBUTTON, PBS_NORMAL, &kBox,
                                         nullptr));
  EXPECT_TRUE(background.Drawn());
  helper.CloseThemeData(theme);
}

TEST(ThemeHelper, OnWindows2000NothingIsLoaded) {
  OverrideSystemVersion(5, 0);
  TThemeHelper old;
  OverrideSystemVersion(5, 1);
  TThemeHelper xp;
  OverrideSystemVersion(4, 90, VER_PLATFORM_WIN32_WINDOWS);
  TThemeHelper me;
  RestoreSystemVersion();
  EXPECT_FALSE(old.ThemesActive());
  EXPECT_EQ(old.OpenThemeData(nullptr, u"SCROLLBAR"), nullptr);
  EXPECT_TRUE(xp.ThemesActive());
  EXPECT_FALSE(me.ThemesActive());
}

TEST(ThemeHelper, SwitchedOffForTheRunButDecidedOnceByEachHelper) {
  TThemeHelper before;
  setenv(kVisualStylesSwitch, "off", 1);
  TThemeHelper after;
  unsetenv(kVisualStylesSwitch);
  EXPECT_TRUE(before.ThemesActive());  // decided when it was made
  EXPECT_FALSE(after.ThemesActive());
  setenv(kVisualStylesSwitch, "OFF", 1);
  EXPECT_EQ(after.OpenThemeData(nullptr, u"BUTTON"), nullptr);  // nothing while off
  unsetenv(kVisualStylesSwitch);
}

TEST(ThemeHelper, TheParentBackgroundComesFromTheParentsPixels) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 100, 80);
  auto* panel = new TPanel(&form);
  panel->SetParent(&form);
  panel->SetBevelOuter(bvNone);
  panel->SetBounds(10, 10, 60, 40);
  panel->SetColor(clRed);
  auto* child = new TPanel(&form);
  child->SetParent(panel);
  child->SetBounds(5, 5, 20, 20);
  child->SetColor(clBlue);
  form.Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.Widget()));

  Target target;
  ASSERT_TRUE(ThemeHelper()->DrawThemeParentBackground(child->Handle(), target.dc(), &kBox));
  EXPECT_EQ(RgbAt(target.image(), 0, 0), 0xFF0000u);  // the red panel behind, not the blue child
  EXPECT_EQ(RgbAt(target.image(), 19, 19), 0xFF0000u);
  EXPECT_FALSE(ThemeHelper()->DrawThemeParentBackground(nullptr, target.dc(), &kBox));
}

TEST(ThemeHelper, BeyondTheParentsEdgeTheParentBackgroundIsTheParentsColour) {
  // A white form that paints its bottom-left 10 x 10 corner green, and a
  // 20 x 20 child over that corner, half beyond the left and bottom edges
  // (as when the form has yet to grow to its size).
  TForm form(nullptr);
  form.SetClientWidth(100);
  form.SetClientHeight(80);
  form.SetColor(clWhite);
  form.OnPaint = [&](TObject*) {
    form.Canvas()->Brush()->SetColor(clLime);
    form.Canvas()->FillRect(Rect(0, 70, 10, 80));
  };
  auto* child = new TPanel(&form);
  child->SetParent(&form);
  child->SetBounds(-10, 70, 20, 20);
  form.Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.Widget()));

  Target target;
  ASSERT_TRUE(ThemeHelper()->DrawThemeParentBackground(child->Handle(), target.dc(), &kBox));
  const QImage& behind = target.image();
  for (const QPoint at : {QPoint(10, 0), QPoint(19, 9)}) {  // the corner, where it lies
    EXPECT_EQ(RgbAt(behind, at.x(), at.y()), 0x00FF00u) << at.x() << "," << at.y();
  }
  for (const QPoint at : {QPoint(0, 0), QPoint(9, 9), QPoint(10, 10), QPoint(19, 19)}) {
    EXPECT_EQ(RgbAt(behind, at.x(), at.y()), 0xFFFFFFu) << at.x() << "," << at.y();
  }
}

}  // namespace
