#include "components/EditNumberText.h"

#include <climits>
#include <cmath>
#include <string>

#include "framework/SysUtils.h"

String TrimmedDecimalText(double x) {
  const std::string four = FormatAnsi("%.4f", x);
  int zeros = 0;
  for (auto at = four.rbegin(); at != four.rend() && *at == '0' && zeros < 4; ++at)
    ++zeros;
  return Format("%.*f", 4 - zeros, x);
}

String WholeNumberText(double x) {
  if (!std::isfinite(x)) return FloatToStr(x);
  // "%.0f" of the truncated value is exact, where a cast to an integer type
  // would overflow; and "-0" never shows.
  const double whole = std::trunc(x);
  return Format("%.0f", whole == 0 ? 0.0 : whole);
}

int TruncatedInt(double x) {
  if (std::isnan(x)) return 0;
  if (x <= static_cast<double>(INT_MIN)) return INT_MIN;
  if (x >= static_cast<double>(INT_MAX)) return INT_MAX;
  return static_cast<int>(x);
}
