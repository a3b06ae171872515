// Numbers under a locale whose decimal separator is "," (ctest runs this
// program with LC_ALL=de_DE.UTF-8). The edits write '.', so they must read
// '.' back; what the user types with the locale's own ',' reads too.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <locale.h>

#include <QTest>
#include <string>

#include "components/UnitEdit.h"
#include "framework/SysUtils.h"
#include "tests/support/UnitEditFixture.h"

using ::testing::ElementsAre;

namespace {

class CommaLocale : public ::testing::Test {
 protected:
  void SetUp() override {
    // Both the C library's numbers and the framework's must follow it, or
    // this proves nothing.
    const std::string c = localeconv()->decimal_point;
    if (c != "," || DecimalSeparator() != u',') {
      GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed (scripts/install-deps generates "
                      "it); LC_NUMERIC is "
                   << setlocale(LC_NUMERIC, nullptr);
    }
  }
};

TEST_F(CommaLocale, TheFrameworkWritesCommasAndReadsBothSeparators) {
  EXPECT_EQ(FloatToStr(2.5), u"2,5");
  EXPECT_EQ(FloatToStr(-1.5e-7), u"-1,5E-7");
  EXPECT_EQ(StrToFloat(u"2,5"), 2.5);
  EXPECT_EQ(StrToFloat(u"2.5"), 2.5);
  EXPECT_EQ(StrToFloat(FloatToStr(0.125)), 0.125);
  double value = 7;
  EXPECT_FALSE(TryStrToFloat(u"1,2.3", value));
  EXPECT_EQ(value, 7);
  EXPECT_EQ(Format("%.2f", 0.5), u"0.50");
}

TEST_F(CommaLocale, AnEditReadsBackItsOwnTextAndTheUsersComma) {
  EditOnForm<TUnitEdit> f;
  f.edit->SetValue(12.5);
  EXPECT_EQ(f.Text(), u"12.5");
  EXPECT_EQ(f.edit->TextBox()->Hint(), u"12,5m");
  // A digit added to the text the edit wrote.
  QTest::keyClick(f.Box(), Qt::Key_End);
  QTest::keyClicks(f.Box(), "5");
  EXPECT_EQ(f.Text(), u"12.55");
  EXPECT_EQ(f.edit->CorrectionTimer(), nullptr);
  f.Retype("3,25");
  EXPECT_THAT(f.changes, ElementsAre(12.55, 3, 3.2, 3.25));
  EXPECT_EQ(f.edit->CorrectionTimer(), nullptr);
  // Rewritten by the edit: with '.' again.
  f.edit->SetValue(f.edit->GetValue());
  EXPECT_EQ(f.Text(), u"3.25");
}

}  // namespace
