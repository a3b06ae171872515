// The framework's number conversions: the general float format, reading
// numbers back, printf with '.', and 8-bit text.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "framework/SysUtils.h"

namespace {

TEST(FloatToStr, GeneralFormatWithFifteenSignificantDigits) {
  EXPECT_EQ(FloatToStr(0.1f), u"0.100000001490116");  // a float widened exactly
  EXPECT_EQ(FloatToStr(0.0f), u"0");
  EXPECT_EQ(FloatToStr(65535), u"65535");
  EXPECT_EQ(FloatToStr(-2.5), u"-2.5");
  EXPECT_EQ(FloatToStr(2.0 / 3.0), u"0.666666666666667");  // rounded, not cut
  EXPECT_EQ(FloatToStr(123456789012345.0), u"123456789012345");
  EXPECT_EQ(FloatToStr(999999999999999.9), u"1E15");  // rounding carries into a 16th digit
  EXPECT_EQ(FloatToStr(0.0001), u"0.0001");
  EXPECT_EQ(FloatToStr(0.00001), u"1E-5");
  EXPECT_EQ(FloatToStr(-1.5e-7), u"-1.5E-7");
  EXPECT_EQ(FloatToStr(1e20), u"1E20");
  EXPECT_EQ(FloatToStr(std::numeric_limits<double>::quiet_NaN()), u"NAN");
  EXPECT_EQ(FloatToStr(-std::numeric_limits<double>::infinity()), u"-INF");
}

TEST(StrToFloat, ReadsNumbersAndRejectsEverythingElse) {
  EXPECT_DOUBLE_EQ(StrToFloat(u"12.5"), 12.5);
  EXPECT_DOUBLE_EQ(StrToFloat(u" 7 "), 7);
  EXPECT_DOUBLE_EQ(StrToFloat(u"-.5"), -0.5);
  EXPECT_DOUBLE_EQ(StrToFloat(u"5."), 5);
  EXPECT_DOUBLE_EQ(StrToFloat(u"+1e3"), 1000);
  EXPECT_DOUBLE_EQ(StrToFloat(u"1E-5"), 1e-5);
  EXPECT_EQ(StrToFloat(u"1e-400"), 0);  // too small to hold is zero
  for (const String bad :
       {u"", u".", u"-", u".-", u"abc", u"1e", u"--1", u"1.2.3", u"1e999", u"0x10", u"\u0661"}) {
    double value = 42;
    EXPECT_FALSE(TryStrToFloat(bad, value)) << StringToAnsi(bad);
    EXPECT_EQ(value, 42);
  }
  try {
    StrToFloat(u"abc");
    ADD_FAILURE() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'abc' is not a valid floating point value");
  }
  // What FloatToStr writes reads back to the same number.
  for (double v : {0.1, -3.75, 1e-7, 123456.789, 6.02e23}) {
    EXPECT_DOUBLE_EQ(StrToFloat(FloatToStr(v)), std::stod(StringToAnsi(FloatToStr(v)))) << v;
  }
}

TEST(SysUtils, IntegersFormatAndEightBitText) {
  EXPECT_EQ(IntToStr(-65536), u"-65536");
  EXPECT_EQ(StrToInt(u" 40000"), 40000);
  int value = 7;
  EXPECT_FALSE(TryStrToInt(u"99999999999", value));
  EXPECT_FALSE(TryStrToInt(u"4x", value));
  EXPECT_EQ(value, 7);
  EXPECT_THROW(StrToInt(u""), EConvertError);

  EXPECT_EQ(Format("%.4f|%.*f|%i", 12.5, 1, 3.25, 7), u"12.5000|3.2|7");
  EXPECT_EQ(FormatAnsi("Column%i", 3), "Column3");

  const std::string utf8 =
      "Gr\xC3\xBC\xC3\x9F"
      "e";
  EXPECT_EQ(AnsiToString(utf8), u"Grüße");
  EXPECT_EQ(StringToAnsi(u"Grüße"), utf8);
  // A byte that is no character becomes U+FFFD; the rest survives.
  EXPECT_EQ(AnsiToString("a\xFF"
                         "b"),
            u"a\uFFFDb");
  // The same rule as the registry's names and strings: one U+FFFD for a
  // sequence cut short, and for a lone surrogate on the way back.
  EXPECT_EQ(AnsiToString("a\xF0\x9F"
                         "b\xE2\x82"),
            u"a\uFFFDb\uFFFD");
  EXPECT_EQ(StringToAnsi(String(u"x") + char16_t(0xD800) + u"y"), "x\xEF\xBF\xBDy");
}

}  // namespace
