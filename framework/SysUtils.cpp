#include "framework/SysUtils.h"

#include <locale.h>

#include <QLocale>
#include <QString>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "platform/CodePage.h"

namespace {

// Significant digits of the general float format.
constexpr int kPrecision = 15;

String Ascii(std::string_view text) {
  return String(text.begin(), text.end());
}

String Quoted(const String& text) {
  return u"'" + text + u"'";
}

// printf in the "C" locale, whatever the process's locale says.
std::string FormatInCLocale(const char* format, va_list arguments) {
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  const locale_t previous = uselocale(cLocale);
  va_list copy;
  va_copy(copy, arguments);
  const int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string text;
  if (length > 0) {
    text.resize(static_cast<size_t>(length) + 1);
    std::vsnprintf(text.data(), text.size(), format, arguments);
    text.resize(static_cast<size_t>(length));
  }
  uselocale(previous);
  return text;
}

// Reads [+-]digits[.digits][(e|E)[+-]digits] with '.' as the separator; the
// whole text must be the number.
bool ParseNumber(std::string_view text, double& value) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  size_t i = 0, digits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9')
    ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
      ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const size_t exponentStart = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
      ++i;
    if (i == exponentStart) return false;
  }
  if (i != text.size()) return false;
  // from_chars takes no '+' in the exponent's place either way, and no
  // leading '.'; hand it a copy it accepts.
  std::string canonical(text);
  if (canonical.front() == '.') canonical.insert(canonical.begin(), '0');
  double parsed = 0;
  const auto [end, error] =
      std::from_chars(canonical.data(), canonical.data() + canonical.size(), parsed);
  if (error == std::errc::result_out_of_range) {
    // Too small to hold is 0; too large is no number. Which one it is: the
    // exponent's sign, or without one whether there are whole digits.
    const size_t exponent = canonical.find_first_of("eE");
    const bool tiny = exponent != std::string::npos
                          ? canonical.find('-', exponent) != std::string::npos
                          : canonical.find_first_not_of("0.") == std::string::npos ||
                                canonical.find_first_not_of('0') == canonical.find('.');
    if (!tiny) return false;
    parsed = 0;
  } else if (error != std::errc() || end != canonical.data() + canonical.size()) {
    return false;
  }
  if (!std::isfinite(parsed)) return false;
  value = negative ? -parsed : parsed;
  return true;
}

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t';
}

}  // namespace

WideChar DecimalSeparator() {
  const QString separator = QLocale::system().decimalPoint();
  return separator.isEmpty() ? u'.' : static_cast<WideChar>(separator.at(0).unicode());
}

String FloatToStr(double value) {
  if (std::isnan(value)) return u"NAN";
  if (std::isinf(value)) return value > 0 ? u"INF" : u"-INF";
  if (value == 0) return u"0";
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof(buffer), std::abs(value),
                                    std::chars_format::scientific, kPrecision - 1);
  const std::string_view text(buffer, static_cast<size_t>(result.ptr - buffer));
  // "d.dddde±xx": the significant digits and the power of ten of the first.
  const size_t e = text.find('e');
  std::string digits;
  for (char c : text.substr(0, e)) {
    if (c != '.') digits += c;
  }
  while (digits.size() > 1 && digits.back() == '0')
    digits.pop_back();
  const int exponent = std::atoi(std::string(text.substr(e + 1)).c_str());
  const WideChar separator = DecimalSeparator();

  String out = value < 0 ? u"-" : u"";
  if (exponent >= kPrecision || exponent < -4) {
    out += static_cast<WideChar>(digits[0]);
    if (digits.size() > 1) out += separator + Ascii(digits.substr(1));
    out += u"E" + Ascii(std::to_string(exponent));
    return out;
  }
  if (exponent < 0) {
    out += u"0";
    out += separator;
    out += String(static_cast<size_t>(-exponent - 1), u'0') + Ascii(digits);
    return out;
  }
  const size_t whole = static_cast<size_t>(exponent) + 1;
  if (digits.size() <= whole) return out + Ascii(digits) + String(whole - digits.size(), u'0');
  return out + Ascii(digits.substr(0, whole)) + separator + Ascii(digits.substr(whole));
}

bool TryStrToFloat(const String& text, double& value) {
  size_t first = 0, last = text.size();
  while (first < last && IsBlank(text[first]))
    ++first;
  while (last > first && IsBlank(text[last - 1]))
    --last;
  const WideChar separator = DecimalSeparator();
  std::string ascii;
  for (size_t i = first; i < last; ++i) {
    const char16_t c = text[i];
    if (c == separator) {
      ascii += '.';
    } else if (c < 0x80) {
      ascii += static_cast<char>(c);
    } else {
      return false;
    }
  }
  return ParseNumber(ascii, value);
}

double StrToFloat(const String& text) {
  double value = 0;
  if (!TryStrToFloat(text, value)) {
    throw EConvertError(StringToAnsi(Quoted(text)) + " is not a valid floating point value");
  }
  return value;
}

String IntToStr(int64_t value) {
  return Ascii(std::to_string(value));
}

bool TryStrToInt(const String& text, int& value) {
  size_t first = 0, last = text.size();
  while (first < last && IsBlank(text[first]))
    ++first;
  while (last > first && IsBlank(text[last - 1]))
    --last;
  std::string ascii;
  for (size_t i = first; i < last; ++i) {
    if (text[i] >= 0x80) return false;
    ascii += static_cast<char>(text[i]);
  }
  if (!ascii.empty() && ascii.front() == '+') ascii.erase(0, 1);
  if (ascii.empty()) return false;
  int parsed = 0;
  const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), parsed);
  if (error != std::errc() || end != ascii.data() + ascii.size()) return false;
  value = parsed;
  return true;
}

int StrToInt(const String& text) {
  int value = 0;
  if (!TryStrToInt(text, value)) {
    throw EConvertError(StringToAnsi(Quoted(text)) + " is not a valid integer value");
  }
  return value;
}

String Format(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const std::string text = FormatInCLocale(format, arguments);
  va_end(arguments);
  return AnsiToString(text);
}

std::string FormatAnsi(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  std::string text = FormatInCLocale(format, arguments);
  va_end(arguments);
  return text;
}

String AnsiToString(const std::string& text) {
  return CodePageToUtf16(text);
}

std::string StringToAnsi(const String& text) {
  return Utf16ToCodePage(text);
}
