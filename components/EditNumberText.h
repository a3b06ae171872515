#pragma once

// How the numeric edits write numbers: fixed formats with '.' as the
// decimal point in every locale, and truncation toward zero that never
// overflows.

#include "framework/Types.h"

// Four decimals, rounded, with the trailing zeros left off: 12.5 -> "12.5",
// 3 -> "3", 1.23456 -> "1.2346", 0.00004 -> "0".
String TrimmedDecimalText(double x);
// The whole number toward zero, of any magnitude: -2.7 -> "-2", -0.5 -> "0".
// NaN and infinities read as FloatToStr writes them.
String WholeNumberText(double x);
// Toward zero, held to what an int carries; NaN gives 0.
int TruncatedInt(double x);
