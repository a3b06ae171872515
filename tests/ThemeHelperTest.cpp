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

}  // namespace
