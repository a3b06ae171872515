// The convert edit driven as a person drives it: clicks on the unit buttons,
// keystrokes into the text box, spin buttons and the strip; the scale asked
// of the application each time, bounds in the unit shown, integer mode and
// the key filter through both units, the order of events, handlers that
// destroy the edit, and the painted looks.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTest>
#include <functional>
#include <string>
#include <vector>

#include "components/ConvertEdit.h"
#include "components/DropDownPopup.h"
#include "framework/ComponentLoading.h"
#include "framework/Form.h"
#include "framework/Registration.h"
#include "framework/SysUtils.h"
#include "tests/support/EventPump.h"
#include "tests/support/Pixels.h"
#include "tests/support/ThemedLooks.h"

using ::testing::ElementsAre;

namespace {

constexpr TColor kGround = static_cast<TColor>(0x3060A0);

// A shown form with a convert edit at (20, 20). OnGetScale answers `scale`
// (while `answer` holds); it and OnChange are logged with the value then.
struct ConvertOnForm {
  ConvertOnForm() : form(nullptr), edit(new TConvertEdit(&form)) {
    form.SetBounds(0, 0, 260, 140);
    form.SetColor(kGround);
    edit->SetParent(&form);
    edit->SetLeft(20);
    edit->SetTop(20);
    edit->OnGetScale = [this](TObject* sender, double& s) {
      EXPECT_EQ(sender, edit);
      EXPECT_EQ(s, 1.0);
      log.push_back("scale");
      if (answer) s = scale;
    };
    edit->OnChange = [this](TObject* sender) {
      EXPECT_EQ(sender, edit);
      log.push_back("change " + std::to_string(edit->GetValue()).substr(0, 5));
    };
    form.Show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form.Widget()));
  }
  TEdit* Box() const { return static_cast<TEdit*>(edit->ValueEdit()->Controls(0)); }
  String Text() const { return Box()->Text(); }
  void TypeOver(const char* keys) {
    QTest::keyClick(Box()->Widget(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(Box()->Widget(), keys);
  }
  void Click(TControl* control, int x = 8, int y = 10) {
    QTest::mouseClick(control->Widget(), Qt::LeftButton, {}, QPoint(x, y));
  }
  void Spin(bool up) {
    QWidget* spin = edit->ValueEdit()->Controls(1)->Widget();
    QTest::mouseClick(spin, Qt::LeftButton, {}, QPoint(6, up ? 3 : spin->height() - 3));
  }
  std::pair<float, float> EditBounds() const {
    return {edit->ValueEdit()->GetMin(), edit->ValueEdit()->GetMax()};
  }

  TForm form;
  TConvertEdit* edit;
  double scale = 2.0;
  bool answer = true;
  std::vector<std::string> log;
};

TEST(ConvertEdit, TheSecondUnitShowsTheValueTimesTheScaleAskedEachTime) {
  ConvertOnForm f;
  EXPECT_EQ(f.edit->GetFirstUnitAbbr() + f.edit->GetSecondUnitAbbr(), u"gm");
  EXPECT_EQ(f.edit->FirstUnitButton()->Hint(), u"Shows value in grid units");
  EXPECT_EQ(f.edit->SelectedButton(), nullptr);
  f.edit->SetValue(10);
  EXPECT_EQ(f.Text(), u"10");
  EXPECT_TRUE(f.log.empty());  // the first unit needs no scale

  f.Click(f.edit->SecondUnitButton());
  EXPECT_FALSE(f.edit->ShowingFirstUnit());
  EXPECT_EQ(f.edit->SelectedButton(), f.edit->SecondUnitButton());
  EXPECT_EQ(f.Text(), u"20");
  EXPECT_EQ(f.EditBounds(), std::make_pair(0.0f, 200.0f));
  f.TypeOver("30");
  EXPECT_EQ(f.edit->GetValue(), 15);
  EXPECT_EQ(f.edit->GetSecondUnitValue(), 30);
  f.edit->SetSecondUnitValue(8);
  EXPECT_EQ(f.edit->GetValue(), 4);
  EXPECT_EQ(f.Text(), u"8");
  f.Click(f.edit->SecondUnitButton());  // already shown: nothing at all
  EXPECT_THAT(f.log, ElementsAre("scale", "scale", "change 1.500", "scale", "change 15.00", "scale",
                                 "scale", "scale"));

  // A new answer shows once the value is written again.
  f.scale = 3;
  f.edit->SetValue(4);
  EXPECT_EQ(f.Text(), u"12");

  f.log.clear();
  f.edit->ShowFirstUnit();
  EXPECT_TRUE(f.edit->FirstUnitButton()->Down());
  EXPECT_FALSE(f.edit->SecondUnitButton()->Down());
  EXPECT_EQ(f.Text(), u"4");
  EXPECT_EQ(f.EditBounds(), std::make_pair(0.0f, 100.0f));
  EXPECT_THAT(f.log, ElementsAre("scale"));  // asked, though not used

  // No answer, or one that cannot be divided by: both units show the same.
  for (const auto& [answer, useless] : {std::pair{false, 2.0}, {true, 0.0}, {true, NAN}}) {
    f.answer = answer;
    f.scale = useless;
    f.edit->ShowSecondUnit();
    f.TypeOver("7");
    EXPECT_EQ(f.edit->GetValue(), 7);
    f.edit->ShowFirstUnit();
    EXPECT_EQ(f.Text(), u"7");
  }
}

TEST(ConvertEdit, BoundsAreGivenToTheTextBoxInTheUnitShownAndMoveTheValue) {
  ConvertOnForm f;
  f.scale = 10;
  f.edit->SetMinValue(50);
  f.edit->SetValue(20);
  EXPECT_EQ(f.edit->GetValue(), 50);
  f.edit->SetMinValue(100);  // not below Max
  f.edit->SetMaxValue(50);   // not above Min
  EXPECT_EQ(f.edit->Min() * 1000 + f.edit->Max(), 50100);
  f.edit->ShowSecondUnit();  // 500..1000: the upper bound moves first
  EXPECT_EQ(f.EditBounds(), std::make_pair(500.0f, 1000.0f));

  f.log.clear();
  f.TypeOver("1200");
  EXPECT_EQ(f.edit->GetValue(), 100);
  f.edit->SetMaxValue(60);
  EXPECT_EQ(f.edit->GetValue(), 60);
  EXPECT_EQ(f.Text(), u"600");
  EXPECT_EQ(f.EditBounds(), std::make_pair(500.0f, 600.0f));
  EXPECT_EQ(f.edit->NominalMax(), 60);
  EXPECT_THAT(f.log, ElementsAre("scale", "change 100.0", "scale", "change 60.00", "scale"));

  // Values outside are clamped, and a NaN is no value.
  f.edit->SetValue(-1);
  EXPECT_EQ(f.Text(), u"500");
  f.edit->SetValue(std::nan(""));
  EXPECT_EQ(f.edit->GetValue(), 50);
  f.edit->SetNominalMin(std::nanf(""));
  EXPECT_EQ(f.edit->NominalMin(), 50);

  // A negative scale turns the text box's range round.
  f.scale = -1;
  f.edit->ShowFirstUnit();
  f.edit->ShowSecondUnit();
  EXPECT_EQ(f.EditBounds(), std::make_pair(-60.0f, -50.0f));
  f.edit->SetMinValue(55);  // still in the unit shown
  EXPECT_EQ(f.EditBounds(), std::make_pair(-60.0f, -55.0f));
}

TEST(ConvertEdit, IntegerModeAndTheKeyFilterHoldForTheFirstUnitOnly) {
  ConvertOnForm f;
  f.scale = 0.5;
  f.edit->SetMaxValue(80.9);
  f.edit->SetValue(2.7);
  f.edit->SetIntegerMode(true);
  EXPECT_EQ(f.edit->Max(), 80);
  EXPECT_EQ(f.edit->GetValue(), 2);  // through the text box, reported
  EXPECT_THAT(f.log, ElementsAre("change 2.000"));
  f.TypeOver("3.5-");
  EXPECT_EQ(f.Text(), u"35");

  f.edit->ShowSecondUnit();
  EXPECT_FALSE(f.edit->ValueEdit()->GetIntegerMode());
  EXPECT_EQ(f.Text(), u"17.5");
  f.TypeOver("12.25-");
  EXPECT_EQ(f.Text(), u"12.25");
  EXPECT_EQ(f.edit->GetValue(), 24.5);
  f.edit->SetMinValue(-10);  // "-" is let through in the unit shown: -5..40
  QTest::keyClick(f.Box()->Widget(), Qt::Key_Home);
  QTest::keyClicks(f.Box()->Widget(), "-");
  EXPECT_EQ(f.edit->GetValue(), -10);
  EXPECT_EQ(f.EditBounds(), std::make_pair(-5.0f, 40.0f));

  // Switched off and on while the second unit shows: decimals stay.
  f.edit->SetIntegerMode(false);
  f.edit->SetIntegerMode(true);
  f.edit->SetValue(3.5);
  EXPECT_EQ(f.Text(), u"1.75");
  f.edit->ShowFirstUnit();
  EXPECT_TRUE(f.edit->ValueEdit()->GetIntegerMode());
  EXPECT_EQ(f.Text(), u"3");
  // The text box holds 3.5 already: its whole-number text is written anew.
  f.scale = 1;
  f.edit->ShowSecondUnit();
  EXPECT_EQ(f.Text(), u"3.5");
}

TEST(ConvertEdit, SpinStepsWidenTheStripScaleButADragKeepsItStill) {
  ConvertOnForm f;
  f.edit->SetShowButtons(true);
  f.edit->SetNominalMax(10);
  f.edit->SetValue(9);
  f.edit->OnChange = [&](TObject*) {  // the scale follows after OnChange
    f.log.push_back(std::to_string(int(f.edit->GetValue())) + " in 0.." +
                    std::to_string(int(f.edit->PanelMax())));
  };
  f.Spin(true);
  f.Spin(true);
  EXPECT_THAT(f.log, ElementsAre("10 in 0..10", "11 in 0..10"));
  EXPECT_EQ(f.edit->PanelMax(), 11);
  EXPECT_EQ(f.edit->ValueStrip()->Max(), 11);

  // The drop-down shows the widened scale; its pop-up sets the value.
  TFormDropDown* button = f.edit->DropDownButton();
  f.Click(button, 5, 5);
  EXPECT_EQ(button->Max(), 11);
  EXPECT_EQ(button->Value(), 11);
  EXPECT_EQ(button->Offset(), (TPoint{20 - 100, 4}));
  ASSERT_NE(button->Popup(), nullptr);
  f.Click(button->Popup()->Panel(), 50, 5);
  EXPECT_EQ(f.edit->GetValue(), 5.5);
  EXPECT_EQ(f.Text(), u"5.5");
  button->Popup()->ClosePopup();
  f.edit->SetValue(11);

  // In the second unit the step is the second unit's.
  f.edit->SetIncrement(1);
  f.edit->ShowSecondUnit();
  f.Spin(true);
  EXPECT_EQ(f.edit->GetValue(), 11.5);
  EXPECT_EQ(f.edit->PanelMax(), 11.5);

  QWidget* strip = f.edit->ValueStrip()->Widget();
  QTest::mousePress(strip, Qt::LeftButton, {}, QPoint(10, 1));
  ASSERT_TRUE(f.edit->ValueStrip()->Dragging());
  f.TypeOver("100");
  EXPECT_EQ(f.edit->GetValue(), 50);
  EXPECT_EQ(f.edit->PanelMax(), 11.5);
  QTest::mouseRelease(strip, Qt::LeftButton, {}, QPoint(10, 1));
  f.TypeOver("60");
  EXPECT_EQ(f.edit->PanelMax(), 30);
  f.TypeOver("6");
  EXPECT_EQ(f.edit->PanelMax(), 10);
  EXPECT_EQ(f.edit->ValueStrip()->Value(), 3);
}

TEST(ConvertEdit, AHandlerMayDestroyTheEdit) {
  const std::vector<std::function<void(ConvertOnForm&)>> ways = {
      [](auto& f) { f.TypeOver("7"); },
      [](auto& f) { f.Spin(true); },
      [](auto& f) { f.Click(f.edit->ValueStrip(), 50, 1); },
      [](auto& f) { f.edit->SetMaxValue(1); },
      [](auto& f) { f.edit->SetIntegerMode(true); },
  };
  for (size_t i = 0; i < ways.size(); ++i) {
    ConvertOnForm f;
    f.edit->SetShowButtons(true);
    f.edit->SetShowValuePanel(true);
    f.edit->SetValue(5.5);
    f.edit->OnChange = [&](TObject*) { delete f.edit; };
    ways[i](f);
    EXPECT_EQ(f.form.ControlCount(), 0) << i;
  }
  // The scale's handler, on a switch, while typing and on SetValue.
  for (int where = 0; where < 3; ++where) {
    ConvertOnForm f;
    if (where > 0) f.edit->ShowSecondUnit();
    f.edit->OnGetScale = [&](TObject*, double&) { delete f.edit; };
    if (where == 0) f.Click(f.edit->SecondUnitButton());
    if (where == 1) f.TypeOver("3");
    if (where == 2) f.edit->SetValue(3);
    EXPECT_EQ(f.form.ControlCount(), 0) << where;
  }
}

TEST(ConvertEdit, LaysOutItsPartsAndPaintsThePushedUnitAndTheParentAround) {
  ConvertOnForm f;
  TConvertEdit* e = f.edit;
  EXPECT_EQ(e->BoundsRect(), Bounds(20, 20, 100, 28));
  EXPECT_EQ(e->FirstUnitButton()->BoundsRect(), Bounds(0, 2, 16, 21));
  EXPECT_EQ(e->SecondUnitButton()->BoundsRect(), Bounds(17, 2, 16, 21));
  EXPECT_EQ(e->ValueEdit()->BoundsRect(), Bounds(34, 2, 46, 21));
  EXPECT_EQ(e->DropDownButton()->BoundsRect(), Bounds(80, 2, 20, 21));
  EXPECT_EQ(e->ValueStrip()->BoundsRect(), Bounds(0, 23, 99, 4));

  PumpFor(std::chrono::milliseconds(50));
  const QImage before = Look(e);
  EXPECT_EQ(RgbAt(before, 16, 12), RgbOf(kGround));  // between the buttons
  EXPECT_EQ(RgbAt(before, 50, 0), RgbOf(kGround));   // above the text box
  // A corner of each face, away from the captions: the pushed face is
  // another, and after the switch the two faces have changed places.
  const auto corner = [](const QImage& look, int buttonLeft) {
    return look.copy(buttonLeft + 1, 3, 4, 4);
  };
  f.Click(e->SecondUnitButton());
  PumpFor(std::chrono::milliseconds(50));
  const QImage after = Look(e);
  EXPECT_NE(corner(before, 0), corner(before, 17));
  EXPECT_EQ(corner(after, 17), corner(before, 0));
  EXPECT_EQ(corner(after, 0), corner(before, 17));

  e->SetShowConvertButtons(false);
  e->SetShowDropDown(false);
  e->SetShowValuePanel(false);
  EXPECT_FALSE(e->FirstUnitButton()->Visible());
  EXPECT_EQ(e->DropDownButton()->Parent(), nullptr);
  EXPECT_EQ(e->Height(), 24);
  EXPECT_EQ(e->ValueEdit()->BoundsRect(), Bounds(0, 2, 100, 21));

  e->SetEnabled(false);
  for (TControl* part :
       std::initializer_list<TControl*>{e->ValueEdit(), e->FirstUnitButton(), e->SecondUnitButton(),
                                        e->DropDownButton(), e->ValueStrip()})
    EXPECT_FALSE(part->Enabled());
}

TEST(ConvertEdit, IsRegisteredAndAStoredFormAppliesValueBeforeTheBounds) {
  ConvertEdit::Register();
  TComponent* made = CreateRegisteredComponent("TConvertEdit", nullptr);
  EXPECT_NE(dynamic_cast<TConvertEdit*>(made), nullptr);
  TComponent::Free(made);
  bool onCorvane = false;
  for (const TRegisteredComponent& entry : RegisteredComponents())
    onCorvane |= entry.page == "Corvane" && entry.className == "TConvertEdit";
  EXPECT_TRUE(onCorvane);

  TForm form(nullptr);
  TComponentLoading loading(&form);
  auto* edit = loading.Create<TConvertEdit>(&form, "Distance");
  edit->SetValue(150);  // clamped against 0..100 from construction
  edit->SetMaxValue(1000);
  loading.Finish();
  EXPECT_EQ(edit->GetValue(), 100);
  EXPECT_TRUE(edit->GetShowValuePanel());  // left out as false: still shown
}

// ctest runs this under LC_ALL=de_DE.UTF-8 as well: "." still parses.
TEST(ConvertEdit, APointParsesInACommaLocaleToo) {
  if (DecimalSeparator() != u',') GTEST_SKIP() << "needs a locale with \",\"";
  ConvertOnForm f;
  f.edit->ShowSecondUnit();
  f.TypeOver("1.5");
  EXPECT_EQ(f.edit->GetValue(), 0.75);
  EXPECT_EQ(f.edit->GetSecondUnitValue(), 1.5);
}

}  // namespace
