// The numeric edits driven as a person drives them: keystrokes into the
// text box, clicks on spin buttons, strip and drop-down, and the real
// correction timer. The port field is set up as the server's settings
// window sets it up.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <chrono>
#include <climits>
#include <functional>
#include <vector>

#include "components/DropDownPopup.h"
#include "components/UnitEdit.h"
#include "framework/ComponentLoading.h"
#include "framework/Form.h"
#include "framework/Registration.h"
#include "framework/SysUtils.h"
#include "tests/support/EventPump.h"
#include "tests/support/Pixels.h"
#include "tests/support/UnitEditFixture.h"

using ::testing::ElementsAre;

namespace {

// The port field of the server's settings window.
struct PortField : EditOnForm<TIntegerEdit> {
  PortField() {
    edit->SetIntIncrement(1);
    edit->SetIntMax(65535);
    edit->SetShowDropDown(false);
    edit->SetNominalMax(65535.0);
    edit->SetShowUnits(false);
    edit->SetIntValue(40000);
  }
};

// A timer never fires early; the clock is read just after the keystroke
// that started it.
constexpr long kNotBefore = TBaseUnitEdit::kCorrectionDelay - 20;

class UnitEdits : public ::testing::Test {
 protected:
  void TearDown() override {
    TBaseUnitEdit::SetConversionFunction(nullptr);
    TBaseUnitEdit::SetStringToFloatFunction(nullptr);
    TBaseUnitEdit::SetFloatToStringFunction(nullptr);
  }
};

TEST_F(UnitEdits, ThePortFieldTakesEachNumberAtOnceAndCorrectsTheTextLater) {
  PortField f;
  EXPECT_EQ(f.Text(), u"40000");
  EXPECT_EQ(f.edit->Height(), 24);  // a 21-pixel text box, no strip
  EXPECT_EQ(f.edit->TextBox()->Width(), f.edit->Width());
  EXPECT_TRUE(f.changes.empty());  // values set by the program raise nothing

  f.Retype("70000");
  auto typed = Clock::now();
  EXPECT_THAT(f.changes, ElementsAre(7, 70, 700, 7000, 65535));
  EXPECT_EQ(f.edit->GetIntValue(), 65535);
  EXPECT_EQ(f.Text(), u"70000");  // left as typed for now
  EXPECT_GE(f.WaitForCorrection(typed), kNotBefore);
  EXPECT_EQ(f.Text(), u"65535");
  EXPECT_EQ(f.changes.size(), 5u);

  f.Retype("-5");
  typed = Clock::now();
  EXPECT_EQ(f.edit->GetIntValue(), 0);
  EXPECT_EQ(f.changes.back(), 0);
  EXPECT_GE(f.WaitForCorrection(typed), kNotBefore);
  EXPECT_EQ(f.Text(), u"0");

  // Emptied, the field waits for a correction; each digit cancels it.
  f.changes.clear();
  f.Retype("");
  EXPECT_NE(f.edit->CorrectionTimer(), nullptr);
  for (const char* digit : {"4", "0", "0"}) {
    QTest::keyClicks(f.Box(), digit);
    EXPECT_EQ(f.edit->CorrectionTimer(), nullptr);
  }
  EXPECT_THAT(f.changes, ElementsAre(4, 40, 400));
}

TEST_F(UnitEdits, TextThatIsNoNumberChangesNothingAndEachKeystrokeRestartsTheWait) {
  PortField f;
  for (const char* text : {"abc", "", ".", "-", ".-", "+1", " 1", "x1"}) {
    f.Retype(text);
    EXPECT_EQ(f.edit->GetIntValue(), 40000) << text;
  }
  EXPECT_TRUE(f.changes.empty());
  // 600 ms into the wait, one more keystroke starts it again.
  PumpFor(std::chrono::milliseconds(600));
  QTest::keyClicks(f.Box(), "y");
  const auto typed = Clock::now();
  EXPECT_GE(f.WaitForCorrection(typed), kNotBefore);
  EXPECT_EQ(f.Text(), u"40000");
  EXPECT_TRUE(f.changes.empty());
}

TEST_F(UnitEdits, TheCaretStaysUnlessTheNewTextIsShorterOrTheBoxWasEmpty) {
  PortField f;
  f.Retype("70000");
  QTest::keyClick(f.Box(), Qt::Key_Home);
  QTest::keyClick(f.Box(), Qt::Key_Right);
  QTest::keyClick(f.Box(), Qt::Key_Right);
  f.changes.clear();
  // The value it already has: the half-typed text is replaced, quietly.
  f.edit->SetIntValue(65535);
  EXPECT_EQ(f.Text(), u"65535");
  EXPECT_EQ(f.edit->TextBox()->SelStart(), 2);
  EXPECT_TRUE(f.changes.empty());

  f.Retype("-5");
  f.edit->SetIntValue(0);
  EXPECT_EQ(f.Text(), u"0");
  EXPECT_EQ(f.edit->TextBox()->SelStart(), 1);

  f.Retype("");
  QTest::keyClick(f.Box(), Qt::Key_Home);
  f.edit->SetIntValue(0);
  EXPECT_EQ(f.edit->TextBox()->SelStart(), 1);
}

TEST_F(UnitEdits, AnIntegerEditKeepsATypedFractionAndSpinsFromIt) {
  EditOnForm<TIntegerEdit> f;
  f.edit->SetShowButtons(true);
  ASSERT_NE(f.edit->SpinButtons(), nullptr);
  f.Retype("12.7");
  EXPECT_THAT(f.changes, ElementsAre(1, 12, 12.7));
  EXPECT_EQ(f.edit->GetIntValue(), 12);
  EXPECT_EQ(f.Text(), u"12.7");
  EXPECT_EQ(f.edit->CorrectionTimer(), nullptr);

  f.Spin(true);
  EXPECT_DOUBLE_EQ(f.edit->GetValue(), 13.7);
  EXPECT_EQ(f.Text(), u"13");
  f.edit->SetIntMax(14);
  f.Spin(true);
  f.Spin(true);  // at Max: no change, no report
  EXPECT_EQ(f.edit->GetValue(), 14);
  f.Spin(false);
  EXPECT_EQ(f.Text(), u"13");
  EXPECT_THAT(f.changes, ElementsAre(1, 12, 12.7, 13.7, 14, 13));
  EXPECT_EQ(f.edit->SpinButtons()->Position(), 0);  // it never moves itself
}

TEST_F(UnitEdits, ValuesAreWrittenWithUpToFourDecimalsOrAsWholeNumbers) {
  TFloatEdit edit(nullptr);
  edit.SetMinValue(-100);
  const std::pair<double, const char16_t*> floats[] = {
      {12.5, u"12.5"}, {3, u"3"}, {1.23456, u"1.2346"}, {0.00004, u"0"}, {-2.5, u"-2.5"}};
  for (const auto& [value, text] : floats) {
    edit.SetValue(value);
    EXPECT_EQ(edit.TextBox()->Text(), text) << value;
  }
  edit.SetIntegerMode(true);
  for (const auto& [value, text] : {std::pair{-2.7, u"-2"}, {-0.5, u"0"}, {99.99, u"99"}}) {
    edit.SetValue(value);
    EXPECT_EQ(edit.TextBox()->Text(), text) << value;
  }
  // Without the range check a whole number may outgrow any integer type:
  // written in full, read through the int accessor held to int.
  TIntegerEdit whole(nullptr);
  whole.SetRangeCheck(false);
  whole.SetValue(1e20);
  EXPECT_EQ(whole.TextBox()->Text(), u"100000000000000000000");
  EXPECT_EQ(whole.GetIntValue(), INT_MAX);
  whole.SetValue(-3e9);
  EXPECT_EQ(whole.GetIntValue(), INT_MIN);
}

TEST_F(UnitEdits, TheStripScaleWidensWithTheValueAndTheDropDownSetsIt) {
  EditOnForm<TUnitEdit> f;
  EXPECT_EQ(f.edit->Height(), 28);  // the strip under the text box
  f.edit->SetMaxValue(1000);
  f.edit->SetMinValue(-1000);
  f.edit->SetValue(150);
  EXPECT_EQ(f.edit->ValueStrip()->Max(), 150);
  f.edit->SetValue(-20);
  EXPECT_EQ(f.edit->ValueStrip()->Max(), 100);
  EXPECT_EQ(f.edit->ValueStrip()->Min(), -20);
  f.edit->SetValue(10);
  EXPECT_EQ(f.edit->ValueStrip()->Min(), 0);

  // The drop-down shows the strip's range and value; a click in its pop-up
  // sets the edit's value.
  TFormDropDown* button = f.edit->DropDownButton();
  QTest::mouseClick(button->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(button->Max(), 100);
  EXPECT_EQ(button->Value(), 10);
  EXPECT_EQ(button->Offset(), (TPoint{button->Width() - 100, 4}));
  ASSERT_NE(button->Popup(), nullptr);
  QTest::mouseClick(button->Popup()->Panel()->Widget(), Qt::LeftButton, {}, QPoint(50, 5));
  EXPECT_THAT(f.changes, ElementsAre(50));
  EXPECT_EQ(f.Text(), u"50");
  button->Popup()->ClosePopup();
  // So does a click on the strip.
  QTest::mouseClick(f.edit->ValueStrip()->Widget(), Qt::LeftButton, {}, QPoint(0, 1));
  EXPECT_THAT(f.changes, ElementsAre(50, 0));
  EXPECT_EQ(f.Text(), u"0");
}

TEST_F(UnitEdits, NewBoundsMoveTheValueIntoThemAndReport) {
  EditOnForm<TFloatEdit> f;
  f.edit->SetValue(80);
  f.edit->SetMaxValue(50);
  EXPECT_EQ(f.edit->GetValue(), 50);
  EXPECT_EQ(f.Text(), u"50");
  EXPECT_EQ(f.edit->NominalMax(), 50);
  f.edit->SetMinValue(60);  // above Max: ignored
  f.edit->SetMaxValue(-1);  // below Min: ignored
  EXPECT_EQ(f.edit->GetMinValue(), 0);
  EXPECT_EQ(f.edit->GetMaxValue(), 50);
  f.edit->SetValue(25);
  f.edit->SetMinValue(30);
  EXPECT_EQ(f.Text(), u"30");
  EXPECT_THAT(f.changes, ElementsAre(50, 30));
}

TEST_F(UnitEdits, EnterRaisesOnChangeOnlyWithCallbackOnEnterAndAHandler) {
  EditOnForm<TFloatEdit> f;
  int returns = 0;
  QObject::connect(static_cast<QLineEdit*>(f.Box()), &QLineEdit::returnPressed, [&] { ++returns; });
  QTest::keyClick(f.Box(), Qt::Key_Return);
  EXPECT_TRUE(f.changes.empty());
  EXPECT_EQ(returns, 1);
  f.edit->SetCallbackOnEnter(true);
  QTest::keyClick(f.Box(), Qt::Key_Return);
  EXPECT_THAT(f.changes, ElementsAre(0));  // nothing changed, reported anyway
  EXPECT_EQ(returns, 1);                   // swallowed
  f.edit->OnChange = nullptr;
  QTest::keyClick(f.Box(), Qt::Key_Return);
  EXPECT_EQ(returns, 2);
}

TEST_F(UnitEdits, DisplayOnlyHidesThePartsForGood) {
  EditOnForm<TUnitEdit> f;
  f.edit->SetShowButtons(true);
  f.edit->SetDisplayOnly(true);
  EXPECT_TRUE(f.edit->TextBox()->ReadOnly());
  EXPECT_EQ(f.edit->TextBox()->Color(), clBtnFace);
  EXPECT_EQ(f.edit->SpinButtons(), nullptr);
  EXPECT_FALSE(f.edit->DropDownButton()->Visible());
  EXPECT_FALSE(f.edit->GetShowValuePanel());
  EXPECT_EQ(f.edit->Height(), 24);
  EXPECT_EQ(f.edit->TextBox()->Width(), f.edit->Width());
  QTest::keyClicks(f.Box(), "5");
  EXPECT_EQ(f.Text(), u"0");

  f.edit->SetDisplayOnly(false);
  EXPECT_EQ(f.edit->TextBox()->Color(), clWindow);
  EXPECT_EQ(f.edit->SpinButtons(), nullptr);
  EXPECT_FALSE(f.edit->DropDownButton()->Visible());
  EXPECT_FALSE(f.edit->GetShowValuePanel());
  QTest::keyClicks(f.Box(), "5");
  EXPECT_THAT(f.changes, ElementsAre(5));
}

TEST_F(UnitEdits, TheConversionScalesTextStepAndUnitsLabel) {
  TBaseUnitEdit::SetConversionFunction([](TObject*, bool, double& scale, String& abbr, bool&) {
    scale = 2;
    abbr = u"hm";
  });
  EditOnForm<TUnitEdit> f;
  f.edit->SetShowButtons(true);
  f.edit->SetValue(10);
  EXPECT_EQ(f.Text(), u"20");
  EXPECT_EQ(f.edit->UnitsLabel()->Caption(), u"hm");
  EXPECT_TRUE(f.edit->UnitsLabel()->Visible());
  EXPECT_EQ(f.edit->TextBox()->Hint(), u"10m");
  f.Retype("30");
  EXPECT_EQ(f.edit->GetValue(), 15);
  EXPECT_EQ(f.edit->InternalIncrement(), 0.5);
  f.Spin(true);
  EXPECT_EQ(f.edit->GetValue(), 15.5);
  EXPECT_EQ(f.Text(), u"31");
  // Left to right: text box, spin buttons, 3 pixels, label, 2, drop-down.
  const TControl* parts[] = {f.edit->TextBox(), f.edit->SpinButtons(), f.edit->UnitsLabel(),
                             f.edit->DropDownButton()};
  const int gaps[] = {0, 3, 2};
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(parts[i]->Left() + parts[i]->Width() + gaps[i], parts[i + 1]->Left()) << i;
  EXPECT_EQ(f.edit->DropDownButton()->Left() + 20, f.edit->Width());
  f.edit->SetShowUnits(false);
  EXPECT_FALSE(f.edit->UnitsLabel()->Visible());
  EXPECT_EQ(f.edit->SpinButtons()->Left() + 12, f.edit->DropDownButton()->Left());
  f.edit->SetShowUnits(true);

  // Whole millimetres, formatted by the application; every edit follows.
  TBaseUnitEdit::SetConversionFunction(
      [](TObject*, bool, double& scale, String& abbr, bool& integerMode) {
        scale = 1000;
        abbr = u"mm";
        integerMode = true;
      });
  TBaseUnitEdit::SetFloatToStringFunction(
      [](TObject*, double value, String& text) { text = FloatToStr(value) + u" mm"; });
  TFloatEdit plain(&f.form);  // no conversion: the writer does not reach it
  plain.SetValue(2.5);
  TBaseUnitEdit::UpdateConversions();
  EXPECT_EQ(f.Text(), u"15500 mm");
  EXPECT_TRUE(f.edit->GetIntegerMode());
  EXPECT_EQ(f.edit->UnitsLabel()->Caption(), u"mm");
  EXPECT_EQ(plain.TextBox()->Text(), u"2.5");
}

TEST_F(UnitEdits, TheListOfEditsLivesWithThemAndTheClassesAreRegistered) {
  ASSERT_EQ(TBaseUnitEdit::EditList(), nullptr);
  auto* first = new TFloatEdit(nullptr);
  auto* second = new TUnitEdit(nullptr);
  ASSERT_NE(TBaseUnitEdit::EditList(), nullptr);
  EXPECT_EQ(TBaseUnitEdit::EditList()->Get(0), first);
  EXPECT_EQ(TBaseUnitEdit::EditList()->Get(1), second);
  delete first;
  EXPECT_EQ(TBaseUnitEdit::EditList()->Count(), 1);
  delete second;
  EXPECT_EQ(TBaseUnitEdit::EditList(), nullptr);
  TIntegerEdit third(nullptr);
  EXPECT_EQ(TBaseUnitEdit::EditList()->Count(), 1);

  ::UnitEdit::Register();
  std::vector<std::string> names;
  for (const TRegisteredComponent& entry : RegisteredComponents())
    if (entry.page == "Corvane") names.push_back(entry.className);
  EXPECT_THAT(names, ElementsAre("TUnitEdit", "TFloatEdit", "TIntegerEdit"));
  TComponent* made = CreateRegisteredComponent("TIntegerEdit", nullptr);
  EXPECT_NE(dynamic_cast<TIntegerEdit*>(made), nullptr);
  delete made;
}

TEST_F(UnitEdits, AStoredFormAppliesValueBeforeTheBounds) {
  TForm form(nullptr);
  TComponentLoading loading(&form);
  auto* edit = loading.Create<TIntegerEdit>(&form, "Amount");
  edit->SetIntValue(150);  // clamped against 0..100 from construction
  edit->SetIntMax(1000);
  loading.Finish();
  EXPECT_EQ(edit->GetIntValue(), 100);
  EXPECT_EQ(edit->TextBox()->Text(), u"100");
}

TEST_F(UnitEdits, KeysForwardedAsCharactersAreTyped) {
  EditOnForm<TFloatEdit> f;
  f.edit->TextBox()->SetSelStart(1);
  char key = '5';
  f.edit->ProcessKeyPress(key);
  EXPECT_THAT(f.changes, ElementsAre(5));
  key = '\xE9';  // Latin-1 e acute
  f.edit->ProcessKeyPress(key);
  EXPECT_EQ(f.Text(), u"05\u00E9");
  EXPECT_NE(f.edit->CorrectionTimer(), nullptr);
}

TEST_F(UnitEdits, TheParentShowsAroundTheParts) {
  EditOnForm<TFloatEdit> f;
  f.form.SetColor(static_cast<TColor>(0x2040C0));
  f.edit->SetColor(clWhite);
  PumpFor(std::chrono::milliseconds(50));
  const QImage pixels = f.edit->Widget()->grab().toImage();
  EXPECT_EQ(RgbAt(pixels, 5, 0), RgbOf(0x2040C0));  // above the text box
}

TEST_F(UnitEdits, AChangeHandlerMayDestroyTheEdit) {
  const std::vector<std::function<void(EditOnForm<TFloatEdit>&)>> ways = {
      [](auto& f) { QTest::keyClicks(f.Box(), "7"); },
      [](auto& f) { f.Spin(true); },
      [](auto& f) { QTest::keyClick(f.Box(), Qt::Key_Return); },
      [](auto& f) {
        QTest::mouseClick(f.edit->ValueStrip()->Widget(), Qt::LeftButton, {}, QPoint(50, 1));
      },
      [](auto& f) { f.edit->SetMinValue(0); },
  };
  for (size_t i = 0; i < ways.size(); ++i) {
    EditOnForm<TFloatEdit> f;
    f.edit->SetShowButtons(true);
    f.edit->SetShowValuePanel(true);
    f.edit->SetCallbackOnEnter(true);
    f.edit->SetMinValue(-10);
    f.edit->SetValue(-5);
    f.edit->OnChange = [&](TObject*) { delete f.edit; };
    ways[i](f);
    EXPECT_EQ(f.form.ControlCount(), 0) << i;
  }
  // And the correction, once wider bounds let the typed text stand.
  EditOnForm<TIntegerEdit> f;
  f.Retype("500");
  f.edit->OnChange = [&](TObject*) { delete f.edit; };
  f.edit->SetMaxValue(1000);
  EXPECT_EQ(f.edit->GetIntValue(), 100);
  EXPECT_TRUE(PumpUntil([&] { return f.form.ControlCount() == 0; }));
}

}  // namespace
