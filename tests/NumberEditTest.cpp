// The number edits driven as a person drives them: keystrokes into the text
// box, clicks on the spin buttons, the focus leaving, and the real 1.2 s
// rewrite; the key filter, clamping, integer mode, the order of events,
// handlers that destroy the edit, and the painted looks.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "components/NumberEdit.h"
#include "framework/Form.h"
#include "framework/Registration.h"
#include "framework/SysUtils.h"
#include "tests/support/EventPump.h"
#include "tests/support/Pixels.h"

using ::testing::ElementsAre;
using namespace std::chrono_literals;

namespace {

std::string Narrow(const String& text) {
  return std::string(text.begin(), text.end());
}

// A shown form with a number edit of type E at (10, 10) and a plain text box
// to move the focus to; every OnChange and OnExit is logged with the value
// and the text at that moment.
template <typename E = TSimpleFloatEdit>
struct EditOnForm {
  EditOnForm() : form(new TForm(nullptr)), edit(new E(form)), other(new TEdit(form)) {
    form->SetBounds(40, 30, 300, 120);
    edit->SetParent(form);
    edit->SetLeft(10);
    edit->SetTop(10);
    other->SetParent(form);
    other->SetTop(60);
    edit->OnChange = [this](TObject* sender) {
      EXPECT_EQ(sender, edit);
      log.push_back("change " + Narrow(FloatToStr(edit->GetValue())) +
                    (edit->SteppingUp ? " up" : "") + (edit->SteppingDown ? " down" : ""));
    };
    edit->OnExit = [this](TObject*) { log.push_back("exit " + Narrow(Text())); };
    form->Show();
    form->BringToFront();
    EXPECT_TRUE(QTest::qWaitForWindowActive(form->Widget()));
  }
  ~EditOnForm() { TComponent::Free(form); }

  TEdit* Box() const { return static_cast<TEdit*>(edit->Controls(0)); }
  String Text() const { return Box()->Text(); }
  // Selects everything and types over it.
  void TypeOver(const char* keys) {
    QTest::keyClick(Box()->Widget(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(Box()->Widget(), keys);
  }
  bool RewritePending() const {
    for (int i = 0; i < edit->ComponentCount(); ++i) {
      if (auto* timer = dynamic_cast<TTimer*>(edit->Components(i))) return timer->Enabled();
    }
    return false;
  }
  void ClickSpin(bool up) {
    QTest::mouseClick(edit->Controls(1)->Widget(), Qt::LeftButton, {}, QPoint(6, up ? 3 : 16));
  }

  TForm* form;
  E* edit;
  TEdit* other;
  std::vector<std::string> log;
};

TEST(NumberEdit, TypingPastMaxClampsAtOnceAndTheTextFollowsAfterThePause) {
  EditOnForm<> f;
  EXPECT_EQ(f.Text(), u"0");
  EXPECT_EQ(f.edit->Width(), 50);
  EXPECT_EQ(f.edit->Height(), 21);
  EXPECT_EQ(f.edit->Increment(), 1.0f);
  EXPECT_EQ(f.edit->ControlCount(), 1);  // no spin buttons

  f.TypeOver("150");
  EXPECT_THAT(f.log, ElementsAre("change 1", "change 15", "change 100"));
  EXPECT_EQ(f.Text(), u"150");  // left as typed until the pause
  EXPECT_TRUE(f.RewritePending());
  ASSERT_TRUE(PumpUntil([&] { return f.Text() == u"100"; }));
  EXPECT_FALSE(f.RewritePending());
  EXPECT_EQ(f.log.size(), 3u);  // the rewrite itself changes nothing

  // A valid entry inside the range cancels a pending rewrite.
  f.TypeOver("-");
  EXPECT_EQ(f.Text(), u"100");  // refused: the selection stays as it was
  QTest::keyClick(f.Box()->Widget(), Qt::Key_Backspace);
  EXPECT_EQ(f.Text(), u"");
  EXPECT_TRUE(f.RewritePending());
  QTest::keyClicks(f.Box()->Widget(), "7");
  EXPECT_FALSE(f.RewritePending());
  EXPECT_EQ(f.edit->GetValue(), 7.0f);
}

TEST(NumberEdit, TheKeyFilterLetsThroughOnlyWhatCanMakeANumber) {
  EditOnForm<> f;
  f.TypeOver("1a2 .3.+,4");
  EXPECT_EQ(f.Text(), u"12.34");
  QTest::keyClick(f.Box()->Widget(), Qt::Key_Home);
  QTest::keyClick(f.Box()->Widget(), Qt::Key_Minus);
  EXPECT_EQ(f.Text(), u"12.34");  // Min 0 with the range check: no sign
  f.edit->SetMin(-10);
  QTest::keyClick(f.Box()->Widget(), Qt::Key_Minus);
  EXPECT_EQ(f.Text(), u"-12.34");
  EXPECT_EQ(f.edit->GetValue(), -10.0f);

  // A second "." replaces only a selection that holds the first.
  f.TypeOver("5.25");
  f.Box()->SetSelStart(2);
  f.Box()->SetSelLength(2);  // "25"
  QTest::keyClick(f.Box()->Widget(), Qt::Key_Period);
  EXPECT_EQ(f.Text(), u"5.25");
  f.Box()->SetSelStart(1);
  f.Box()->SetSelLength(2);  // ".2"
  QTest::keyClick(f.Box()->Widget(), Qt::Key_Period);
  EXPECT_EQ(f.Text(), u"5.5");

  // Pasted text is not filtered; it is parsed, and rewritten after the pause.
  QApplication::clipboard()->setText("4x");
  f.TypeOver("");
  QTest::keyClick(f.Box()->Widget(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(f.Text(), u"4x");
  EXPECT_EQ(f.edit->GetValue(), 5.5f);
  ASSERT_TRUE(PumpUntil([&] { return f.Text() == u"5.5"; }));

  EditOnForm<TSimpleIntegerEdit> i;
  i.TypeOver("3.5");
  EXPECT_EQ(i.Text(), u"35");
  i.edit->SetRangeCheck(false);  // "-" then needs no negative Min
  i.TypeOver("-2");
  EXPECT_EQ(i.edit->GetIntValue(), -2);
}

TEST(NumberEdit, APointFirstOrAnEmptyTextIsRewrittenWhenTheFocusLeaves) {
  EditOnForm<> f;
  f.edit->SetFocus();
  EXPECT_TRUE(f.Box()->Focused());
  f.TypeOver(".5");
  EXPECT_EQ(f.edit->GetValue(), 0.5f);
  f.other->SetFocus();
  EXPECT_EQ(f.Text(), u"0.5");
  EXPECT_FALSE(f.RewritePending());

  f.edit->SetFocus();
  f.TypeOver("42");
  QTest::keyClick(f.Box()->Widget(), Qt::Key_Backspace);
  QTest::keyClick(f.Box()->Widget(), Qt::Key_Backspace);
  EXPECT_EQ(f.edit->GetValue(), 4.0f);  // "" keeps the last value
  f.other->SetFocus();
  EXPECT_EQ(f.Text(), u"4");
  // OnExit comes first, while the text is as the user left it.
  EXPECT_THAT(f.log,
              ElementsAre("change 0.5", "exit .5", "change 4", "change 42", "change 4", "exit "));
}

TEST(NumberEdit, SpinButtonsStepInsideTheRangeAndTellTheirDirection) {
  EditOnForm<> f;
  f.edit->SetShowButtons(true);
  TControl* spin = f.edit->Controls(1);
  EXPECT_EQ(f.Box()->Width(), 38);
  EXPECT_EQ(spin->BoundsRect(), Bounds(38, 0, 12, 20));
  f.ClickSpin(true);
  f.ClickSpin(true);
  f.ClickSpin(false);
  EXPECT_EQ(f.Text(), u"1");
  f.ClickSpin(false);
  f.ClickSpin(false);  // below Min: not taken
  EXPECT_THAT(f.log, ElementsAre("change 1 up", "change 2 up", "change 1 down", "change 0 down"));
  EXPECT_FALSE(f.edit->SteppingDown);

  // A step that would pass Max is not taken at all, not clamped.
  f.edit->SetValue(99.5f);
  f.ClickSpin(true);
  EXPECT_EQ(f.edit->GetValue(), 99.5f);
  f.edit->SetRangeCheck(false);
  f.ClickSpin(true);
  EXPECT_EQ(f.Text(), u"100.5");

  // Held, it repeats.
  f.edit->SetValue(0);
  QTest::mousePress(spin->Widget(), Qt::LeftButton, {}, QPoint(6, 3));
  EXPECT_TRUE(PumpUntil([&] { return f.edit->GetValue() >= 3; }));
  QTest::mouseRelease(spin->Widget(), Qt::LeftButton, {}, QPoint(6, 3));

  f.edit->SetShowButtons(false);
  EXPECT_EQ(f.edit->ControlCount(), 1);
  EXPECT_EQ(f.Box()->Width(), 50);
  f.edit->SetWidth(80);
  EXPECT_EQ(f.Box()->Width(), 80);
}

TEST(NumberEdit, ValuesAndBoundsSetByTheProgram) {
  EditOnForm<> f;
  f.edit->SetMin(200);  // above Max
  f.edit->SetMax(NAN);
  EXPECT_EQ(f.edit->GetMin(), 0.0f);
  EXPECT_EQ(f.edit->GetMax(), 100.0f);
  f.edit->SetValue(500);  // not range-checked, raises nothing
  EXPECT_EQ(f.Text(), u"500");
  f.edit->SetMax(50);
  EXPECT_EQ(f.Text(), u"50");
  EXPECT_THAT(f.log, ElementsAre("change 50"));

  const std::pair<float, const char16_t*> kTexts[] = {
      {1.5f, u"1.5"}, {2, u"2"}, {0.125f, u"0.125"}, {-3.25f, u"-3.25"}, {1.23456f, u"1.2346"}};
  for (const auto& [value, text] : kTexts) {
    f.edit->SetValue(value);
    EXPECT_EQ(f.Text(), text);
  }

  // Integer mode cuts the value toward zero, once, with OnChange.
  f.edit->SetValue(2.7f);
  f.edit->SetIntegerMode(true);
  EXPECT_EQ(f.edit->GetValue(), 2.0f);
  EXPECT_EQ(f.Text(), u"2");
  EXPECT_EQ(f.log.back(), "change 2");
  f.edit->SetIntegerMode(false);
  EXPECT_EQ(f.Text(), u"2");
  EXPECT_FALSE(f.edit->GetIntegerMode());

  TSimpleIntegerEdit whole(nullptr);
  whole.SetIntIncrement(5);
  whole.SetIntIncrement(0);
  EXPECT_EQ(whole.GetIntIncrement(), 5);
  whole.SetValue(-2.7f);
  EXPECT_EQ(whole.GetIntValue(), -2);
  whole.SetValue(3e10f);  // beyond int
  EXPECT_EQ(whole.GetIntValue(), INT_MAX);
}

TEST(NumberEdit, AHandlerMayDestroyTheEditWhereverItRaisesAnEvent) {
  for (int where = 0; where < 3; ++where) {
    EditOnForm<> f;
    f.edit->SetShowButtons(true);
    f.edit->OnChange = [&](TObject*) {
      if (f.edit->GetValue() == 100 || f.edit->SteppingUp) TComponent::Free(f.edit);
    };
    f.edit->OnExit = [&](TObject*) { TComponent::Free(f.edit); };
    if (where == 0) f.TypeOver("150");  // clamped: a rewrite would follow
    if (where == 1) f.ClickSpin(true);
    if (where == 2) {
      f.edit->SetFocus();
      f.edit->OnChange = nullptr;
      f.TypeOver(".5");
      f.other->SetFocus();  // OnExit, then the pending rewrite
    }
    PumpFor(1500ms);  // past the rewrite's time
    EXPECT_EQ(f.form->ControlCount(), 1) << where;
  }

  // Destroyed while its text box has the focus and a rewrite is pending: it
  // raises nothing on the way out.
  EditOnForm<> f;
  f.edit->SetFocus();
  f.TypeOver("");
  f.log.clear();
  TComponent::Free(f.edit);
  PumpFor(1500ms);
  EXPECT_TRUE(f.log.empty());
}

TEST(NumberEdit, PaintsTheTextBoxAndTheSpinButtonsEnabledAndDisabled) {
  EditOnForm<> f;
  f.edit->SetValue(88);
  // The darkest pixel of the text, and whether column x is the box's white.
  const auto darkest = [&] {
    const QImage pixels = f.edit->Widget()->grab().toImage();
    int dark = 255;
    for (int x = 2; x < 30; ++x)
      for (int y = 4; y < 17; ++y)
        dark = std::min(dark, qGray(pixels.pixel(x, y)));
    return dark;
  };
  const auto white = [&](int x) {
    return RgbAt(f.edit->Widget()->grab().toImage(), x, 10) == 0xFFFFFFu;
  };
  EXPECT_LT(darkest(), 80);
  EXPECT_TRUE(white(44));
  f.edit->SetShowButtons(true);
  EXPECT_FALSE(white(44));  // a button face
  EXPECT_TRUE(white(30));

  f.edit->SetEnabled(false);
  EXPECT_FALSE(f.Box()->Enabled());
  EXPECT_FALSE(f.edit->Controls(1)->Enabled());
  EXPECT_GT(darkest(), 80);  // the text greyed
  f.ClickSpin(true);
  EXPECT_EQ(f.edit->GetValue(), 88.0f);
}

// ctest runs this under LC_ALL=de_DE.UTF-8 as well, where "," is the user's
// separator: "." still parses, "," does too, and the edit still writes ".".
TEST(NumberEdit, APointParsesInACommaLocaleToo) {
  if (DecimalSeparator() != u',') GTEST_SKIP() << "needs a locale with \",\"";
  EditOnForm<> f;
  f.TypeOver("1.5");
  EXPECT_EQ(f.edit->GetValue(), 1.5f);
  QApplication::clipboard()->setText("2,25");
  f.TypeOver("");
  QTest::keyClick(f.Box()->Widget(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(f.edit->GetValue(), 2.25f);
  f.edit->SetValue(0.75f);
  EXPECT_EQ(f.Text(), u"0.75");
}

TEST(NumberEdit, RegistersBothEditsOnTheCorvanePage) {
  NumberEdit::Register();
  std::vector<std::string> names;
  for (const TRegisteredComponent& entry : RegisteredComponents()) {
    if (entry.page == "Corvane") names.push_back(entry.className);
  }
  EXPECT_THAT(names, ElementsAre("TSimpleFloatEdit", "TSimpleIntegerEdit"));
  TComponent* made = CreateRegisteredComponent("TSimpleIntegerEdit", nullptr);
  EXPECT_NE(dynamic_cast<TSimpleIntegerEdit*>(made), nullptr);
  TComponent::Free(made);
}

}  // namespace
