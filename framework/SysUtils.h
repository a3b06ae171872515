#pragma once

// The framework's number and text conversions.
//
// FloatToStr writes the general format: up to 15 significant digits, the
// user's decimal separator, scientific notation ("1.5E-7", "1E20") only for
// magnitudes below 0.0001 or with more than 15 digits before the separator.
// A float passed in is widened exactly, so 0.1f reads "0.100000001490116".
// StrToFloat reads what FloatToStr writes, with '.' or the user's separator,
// blanks around the number allowed; it throws EConvertError otherwise.
// Format is printf with '.' as the decimal separator in every locale.

#include <cstdint>
#include <string>

#include "framework/Exceptions.h"
#include "framework/Types.h"

class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

String FloatToStr(double value);
double StrToFloat(const String& text);
bool TryStrToFloat(const String& text, double& value);

String IntToStr(int64_t value);
int StrToInt(const String& text);
bool TryStrToInt(const String& text, int& value);

// The user's decimal separator.
WideChar DecimalSeparator();

String Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatAnsi(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Between 8-bit text in the system code page (the locale's character set,
// UTF-8 here) and UTF-16, through the platform's one conversion
// (platform/CodePage.h): bytes that are not valid become U+FFFD, one per
// broken sequence, and the rest of the text is kept.
String AnsiToString(const std::string& text);
std::string StringToAnsi(const String& text);
