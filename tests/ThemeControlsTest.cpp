// The themed check box and speed button with visual styles on: clicks and
// their order, every look held against what the visual style draws for it,
// the speed buttons' exclusive group, glyph layout and glyph pictures. The
// classic looks are ThemeControlsClassicTest.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTest>
#include <string>
#include <vector>

#include "components/ButtonGlyph.h"
#include "components/themeControls.h"
#include "framework/Form.h"
#include "framework/Panel.h"
#include "framework/Registration.h"
#include "tests/support/Pixels.h"
#include "tests/support/ThemedLooks.h"

using ::testing::ElementsAre;

namespace {

class TCountingCheckBox : public TXPCheckBox {
 public:
  using TXPCheckBox::TXPCheckBox;
  int paints = 0;

 protected:
  void Paint() override {
    ++paints;
    TXPCheckBox::Paint();
  }
};

// A shown form with a check box (100 x 18) and a 40 x 24 speed button
// without caption, and what the style draws for them.
struct ControlsOnForm {
  ControlsOnForm() : form(nullptr) {
    form.SetBounds(0, 0, 320, 200);
    box = new TCountingCheckBox(&form);
    box->SetParent(&form);
    box->SetLeft(20);
    box->SetTop(20);
    button = new TXPThemeSpeedButton(&form);
    button->SetParent(&form);
    button->SetBounds(20, 60, 40, 24);
    button->SetCaption(u"");
    form.Show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form.Widget()));
  }
  QImage BoxLook() { return Look(box).copy(0, 0, 16, 18); }
  QImage Box(int state) {
    return ThemedPart(form.Handle(), u"BUTTON", BP_CHECKBOX, state, QSize(16, 18),
                      RECT{0, 1, 16, 17}, form.Color());
  }
  QImage Face(int state, RECT rect = {0, 0, 40, 24}) {
    const RECT client{0, 0, 40, 24};
    return ThemedPart(form.Handle(), u"Button", BP_PUSHBUTTON, state, QSize(40, 24), rect,
                      form.Color(), &client);
  }

  TForm form;
  TCountingCheckBox* box;
  TXPThemeSpeedButton* button;
};

TEST(XPCheckBox, ClickingChecksAGrayedBoxThenTogglesAndOnClickSeesTheNewState) {
  TXPCheckBox fresh(nullptr);
  EXPECT_EQ(fresh.Caption(), u"XPCheckbox");
  EXPECT_EQ(fresh.Width() * 100 + fresh.Height(), 10018);
  EXPECT_EQ(fresh.State(), cbUnchecked);

  ControlsOnForm f;
  f.box->SetAllowGrayed(true);  // changes nothing about clicks
  f.box->SetState(cbGrayed);
  std::vector<std::string> events;
  const auto log = [&](const char* what) {
    events.push_back(what + std::to_string(f.box->State()));
  };
  f.box->OnMouseDown = [&](auto&&...) { log("down "); };
  f.box->OnClick = [&](TObject*) { log("click "); };
  f.box->OnMouseUp = [&](auto&&...) { log("up "); };
  for (int i = 0; i < 3; ++i)
    QTest::mouseClick(f.box->Widget(), Qt::LeftButton, {}, QPoint(5, 8));
  QTest::mouseClick(f.box->Widget(), Qt::RightButton, {}, QPoint(5, 8));  // no click
  EXPECT_THAT(events, ElementsAre("down 2", "click 1", "up 1", "down 1", "click 0", "up 0",
                                  "down 0", "click 1", "up 1", "down 1", "up 1"));

  // Only changes repaint; unchecking a grayed box changes nothing.
  f.box->paints = 0;
  f.box->SetChecked(true);
  f.box->SetState(cbChecked);
  f.box->SetCaption(u"XPCheckbox");
  EXPECT_EQ(f.box->paints, 0);
  f.box->SetState(cbGrayed);
  f.box->SetChecked(false);
  EXPECT_EQ(f.box->State(), cbGrayed);
  f.box->SetCaption(u"Gr\u00F6\u00DFe \u20AC");  // through 8-bit text and back whole
  EXPECT_EQ(f.box->Caption(), u"Gr\u00F6\u00DFe \u20AC");
  EXPECT_EQ(f.box->paints, 2);
}

TEST(XPCheckBox, ThemedBoxShowsEachStateNormalHotPressedAndDisabled) {
  ControlsOnForm f;
  // The looks told apart must look apart, or this test proves nothing.
  for (int state : {CBS_UNCHECKEDNORMAL, CBS_CHECKEDNORMAL, CBS_MIXEDNORMAL}) {
    ASSERT_NE(f.Box(state), f.Box(state + 2));
    ASSERT_NE(f.Box(state), f.Box(state + 3));
  }
  for (TCheckBoxState checkState : {cbUnchecked, cbChecked, cbGrayed}) {
    const int base = 1 + 4 * (checkState == cbChecked ? 1 : checkState == cbGrayed ? 2 : 0);
    f.box->SetState(checkState);
    EXPECT_EQ(f.BoxLook(), f.Box(base)) << checkState;
    // Held without the pointer having come in: pressed.
    QTest::mousePress(f.box->Widget(), Qt::MiddleButton, {}, QPoint(5, 8));
    EXPECT_EQ(f.BoxLook(), f.Box(base + 2)) << checkState;
    QTest::mouseRelease(f.box->Widget(), Qt::MiddleButton, {}, QPoint(5, 8));
    // The pointer inside wins over a button held.
    Hover(f.box, true);
    QTest::mousePress(f.box->Widget(), Qt::MiddleButton, {}, QPoint(5, 8));
    EXPECT_TRUE(f.box->MouseHeld());
    EXPECT_EQ(f.BoxLook(), f.Box(base + 1)) << checkState;
    QTest::mouseRelease(f.box->Widget(), Qt::MiddleButton, {}, QPoint(5, 8));
    // Disabled wins over everything; left meanwhile, it is not hot after.
    f.box->SetEnabled(false);
    EXPECT_EQ(f.BoxLook(), f.Box(base + 3)) << checkState;
    Hover(f.box, false);
    f.box->SetEnabled(true);
    EXPECT_EQ(f.BoxLook(), f.Box(base)) << checkState;
  }
}

TEST(XPCheckBox, ThemedCaptionIsCentredRightOfTheBoxAndGrayedWhenDisabled) {
  ControlsOnForm f;
  f.box->SetHeight(30);
  f.box->SetCaption(u"IIII");
  // The caption's ink, right of the box: its box and its darkest gray.
  const auto ink = [&](QRect* where) {
    const QImage look = Look(f.box);
    int darkest = 255;
    for (int y = 0; y < look.height(); ++y) {
      for (int x = 16; x < look.width(); ++x) {
        darkest = std::min(darkest, qGray(look.pixel(x, y)));
        if (qGray(look.pixel(x, y)) < 200) *where |= QRect(x, y, 1, 1);
      }
    }
    return darkest;
  };
  QRect enabled, disabled;
  const int darkest = ink(&enabled);
  ASSERT_FALSE(enabled.isEmpty());
  EXPECT_GE(enabled.left(), 18);
  EXPECT_LE(enabled.left(), 20);
  EXPECT_LE(std::abs(enabled.top() - (29 - enabled.bottom())), 2) << enabled.top();
  f.box->SetEnabled(false);
  EXPECT_GT(ink(&disabled), darkest + 40);
}

TEST(XPCheckBox, PaintedWhileBeyondItsFormsEdgeItShowsTheFormOnceTheFormGrows) {
  // A form built before it is given its size: the setters repaint the box
  // at once, while the form still ends above it.
  TForm form(nullptr);
  form.SetClientWidth(200);
  form.SetClientHeight(40);
  auto* box = new TXPCheckBox(&form);
  box->SetParent(&form);
  box->SetBounds(20, 60, 100, 18);
  box->SetCaption(u"I");
  box->SetState(cbChecked);
  form.SetClientHeight(120);
  form.Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.Widget()));

  // The whole form, as a screenshot takes it.
  const QImage shot = form.Widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QImage box16 = ThemedPart(form.Handle(), u"BUTTON", BP_CHECKBOX, CBS_CHECKEDNORMAL,
                                  QSize(16, 18), RECT{0, 1, 16, 17}, form.Color());
  EXPECT_EQ(shot.copy(20, 60, 16, 18), box16);
  // Right of the short caption, nothing but the form's colour to the box's end.
  QImage ground(60, 18, QImage::Format_RGB32);
  ground.fill(ColorFromRef(ColorToRGB(form.Color())));
  EXPECT_EQ(shot.copy(60, 60, 60, 18), ground);
}

TEST(XPCheckBox, PaintsNothingWithoutAWindowBehindItAndSurvivesHandlersDestroyingIt) {
  // A parent in no window yet gives no window to theme for.
  TPanel panel(nullptr);
  auto* loose = new TXPCheckBox(&panel);
  loose->SetParent(&panel);
  loose->SetChecked(true);
  loose->SetEnabled(false);
  EXPECT_EQ(PixelsOf(Look(loose), RgbOf(ColorToRGB(clBtnFace))), Look(loose).rect());

  for (int which = 0; which < 3; ++which) {
    ControlsOnForm f;
    const auto destroy = [&](auto&&...) { delete f.box; };
    if (which == 0) f.box->OnMouseDown = destroy;
    if (which == 1) f.box->OnClick = destroy;
    if (which == 2) f.box->OnMouseUp = destroy;
    QWidget* widget = f.box->Widget();
    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(5, 8));
    QTest::mouseRelease(which == 0 ? f.form.Widget() : widget, Qt::LeftButton, {}, QPoint(5, 8));
    EXPECT_EQ(f.form.ControlCount(), 1) << which;
  }
}

TEST(XPThemeSpeedButton, FaceIsHotUnderThePointerPressedWhenHeldAndDisabledAboveAll) {
  ControlsOnForm f;
  ASSERT_NE(f.Face(PBS_NORMAL), f.Face(PBS_HOT));
  ASSERT_NE(f.Face(PBS_HOT), f.Face(PBS_PRESSED));
  EXPECT_EQ(Look(f.button), f.Face(PBS_NORMAL));
  Hover(f.button, true);
  EXPECT_EQ(Look(f.button), f.Face(PBS_HOT));
  QTest::mousePress(f.button->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(Look(f.button), f.Face(PBS_PRESSED));
  QTest::mouseRelease(f.button->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(Look(f.button), f.Face(PBS_HOT));
  f.button->SetEnabled(false);
  EXPECT_EQ(Look(f.button), f.Face(PBS_DISABLED));
  Hover(f.button, false);
  f.button->SetEnabled(true);
  EXPECT_EQ(Look(f.button), f.Face(PBS_NORMAL));
  // Flat: the face one pixel larger on every side, clipped to the button.
  f.button->SetFlat(true);
  const QImage flat = f.Face(PBS_NORMAL, RECT{-1, -1, 41, 25});
  EXPECT_NE(flat, f.Face(PBS_NORMAL));
  EXPECT_EQ(Look(f.button), flat);
}

TEST(XPThemeSpeedButton, OneButtonOfAGroupStaysDownAndLooksPressed) {
  ControlsOnForm f;
  std::vector<TXPThemeSpeedButton*> buttons{f.button};
  for (int i = 1; i < 4; ++i) {
    buttons.push_back(new TXPThemeSpeedButton(&f.form));
    buttons[i]->SetParent(&f.form);
    buttons[i]->SetBounds(20 + 50 * i, 60, 40, 24);
    buttons[i]->SetCaption(u"");
    buttons[i]->SetGroupIndex(i < 3 ? 1 : 2);
  }
  buttons[0]->SetGroupIndex(1);
  buttons[3]->SetDown(true);  // alone in another group
  buttons[0]->SetDown(true);
  std::vector<int> clicks;  // the button clicked, and the one down by then
  for (int i = 0; i < 3; ++i) {
    buttons[i]->OnClick = [&, i](TObject*) {
      for (int j = 0; j < 3; ++j)
        if (buttons[j]->Down()) clicks.push_back(i * 10 + j);
    };
  }
  for (int i : {1, 1, 2})
    QTest::mouseClick(buttons[i]->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_THAT(clicks, ElementsAre(11, 11, 22));
  EXPECT_TRUE(buttons[3]->Down());
  f.form.Repaint();
  EXPECT_EQ(Look(buttons[2]), f.Face(PBS_PRESSED));
  EXPECT_EQ(Look(buttons[0]), f.Face(PBS_NORMAL));
  EXPECT_EQ(Look(buttons[3]), f.Face(PBS_PRESSED));
  buttons[2]->SetAllowAllUp(true);
  QTest::mouseClick(buttons[2]->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
  f.form.Repaint();
  EXPECT_EQ(Look(buttons[2]), f.Face(PBS_NORMAL));
}

// Cells of 10 x 8: pure red inside a fuchsia (transparent) border.
void DrawRedGlyph(TBitmap* glyph, int cells = 1) {
  glyph->SetSize(10 * cells, 8);
  glyph->Canvas()->Brush()->SetColor(clFuchsia);
  glyph->Canvas()->FillRect(Rect(0, 0, 10 * cells, 8));
  glyph->Canvas()->Brush()->SetColor(clRed);
  for (int i = 0; i < cells; ++i)
    glyph->Canvas()->FillRect(Rect(10 * i + 1, 1, 10 * i + 9, 7));
}

TEST(XPThemeSpeedButton, GlyphIsCentredWithoutCaptionAndLaidOutBesideOne) {
  ControlsOnForm f;
  f.button->SetBounds(20, 60, 80, 30);
  DrawRedGlyph(f.button->Glyph());
  RECT client{0, 0, 80, 30}, content{};
  HTHEME theme = ThemeHelper()->OpenThemeData(f.form.Handle(), u"Button");
  ASSERT_TRUE(ThemeHelper()->GetThemeBackgroundContentRect(theme, nullptr, BP_PUSHBUTTON,
                                                           PBS_NORMAL, &client, &content));
  ThemeHelper()->CloseThemeData(theme);
  const int cw = content.right - content.left, ch = content.bottom - content.top;
  // The red (1, 1)-(8, 6) of the cell, its fuchsia border left out.
  const QRect red = PixelsOf(Look(f.button), 0xFF0000);
  EXPECT_EQ(red, QRect(content.left + (cw - 10) / 2 + 1, content.top + (ch - 8) / 2 + 1, 8, 6));
  EXPECT_TRUE(PixelsOf(Look(f.button), 0xFF00FF).isEmpty());
  f.button->SetCaption(u"Go");
  f.button->SetLayout(blGlyphTop);
  EXPECT_LT(PixelsOf(Look(f.button), 0xFF0000).top(), red.top());
  f.button->SetLayout(blGlyphRight);
  EXPECT_GT(PixelsOf(Look(f.button), 0xFF0000).left(), red.left());
}

TEST(ButtonGlyph, PicksTheStatesCellAndEmbossesOrRecoloursTheDisabledOne) {
  const uint32_t face = RgbOf(ColorToRGB(clBtnFace)), shadow = RgbOf(ColorToRGB(clBtnShadow)),
                 highlight = RgbOf(ColorToRGB(clBtnHighlight));
  TBitmap glyph;
  DrawRedGlyph(&glyph, 3);
  // Cell 1 gets white, gray and transparent pixels, cell 2 a blue one.
  glyph.Canvas()->SetPixel(12, 3, clWhite);
  glyph.Canvas()->SetPixel(13, 3, clGray);
  glyph.Canvas()->SetPixel(14, 3, clFuchsia);
  glyph.Canvas()->SetPixel(22, 3, clBlue);
  const TGlyphPicture up = ButtonGlyphPicture(glyph, 3, bsUp);
  ASSERT_EQ(up.image.size(), QSize(10, 8));
  EXPECT_EQ(RgbAt(up.image, 2, 3), 0xFF0000u);
  EXPECT_EQ(RgbAt(ButtonGlyphPicture(glyph, 3, bsDown).image, 2, 3), 0x0000FFu);
  EXPECT_EQ(RgbAt(ButtonGlyphPicture(glyph, 2, bsDown).image, 2, 3), 0xFF0000u);  // drawn up
  const QImage disabled = ButtonGlyphPicture(glyph, 3, bsDisabled).image;
  EXPECT_EQ(RgbAt(disabled, 2, 3), highlight);
  EXPECT_EQ(RgbAt(disabled, 3, 3), shadow);
  EXPECT_EQ(RgbAt(disabled, 4, 3), face);
  EXPECT_EQ(RgbAt(disabled, 5, 3), 0xFF0000u);
  // One cell: the red embossed on the face, a highlight down and right.
  const QImage embossed = ButtonGlyphPicture(glyph, 1, bsDisabled).image;
  EXPECT_EQ(RgbAt(embossed, 0, 0), face);
  EXPECT_EQ(RgbAt(embossed, 8, 6), shadow);
  EXPECT_EQ(RgbAt(embossed, 9, 7), highlight);
  EXPECT_EQ(PixelsOf(embossed, 0xFF0000), QRect());
  // The mask: the bottom-left pixel unless a colour was set. A glyph
  // narrower than its cells gives no picture.
  EXPECT_EQ(up.mask, CLR_DEFAULT);
  glyph.SetTransparentColor(clRed);
  EXPECT_EQ(ButtonGlyphPicture(glyph, 3, bsUp).mask, ColorToRGB(clRed));
  EXPECT_TRUE(ButtonGlyphPicture(TBitmap(3, 8), 4, bsUp).image.isNull());
}

TEST(ThemeControls, BothRegisterOnTheCorvanePage) {
  themeControls::Register();
  TComponent owner(nullptr);
  EXPECT_NE(dynamic_cast<TXPCheckBox*>(CreateRegisteredComponent("TXPCheckBox", &owner)), nullptr);
  EXPECT_NE(
      dynamic_cast<TXPThemeSpeedButton*>(CreateRegisteredComponent("TXPThemeSpeedButton", &owner)),
      nullptr);
  EXPECT_THAT(PalettePages(), ElementsAre("Corvane"));
}

}  // namespace
