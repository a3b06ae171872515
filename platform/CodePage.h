#pragma once

// Conversions between 8-bit text and UTF-16.
//
// 8-bit strings are in the system code page, which on Linux is the locale's
// character set; like Qt 6 we take that to be UTF-8 everywhere, so that a
// program started from a bare "C" environment reads the same settings as one
// started from a desktop session. Bytes that are not UTF-8 become U+FFFD,
// one per maximal ill-formed sequence, and everything after them is kept.

#include <string>
#include <string_view>

// What a conversion does with a code unit that cannot be encoded faithfully:
// a lone UTF-16 surrogate, or its three-byte image in 8-bit text.
enum class LoneSurrogates {
  Replace,  // becomes U+FFFD, as the system code page does
  Keep,     // encoded as if it were a code point (the "WTF-8" form), so no name is lost
};

std::u16string Utf8ToUtf16(std::string_view text,
                           LoneSurrogates surrogates = LoneSurrogates::Replace);
std::string Utf16ToUtf8(std::u16string_view text,
                        LoneSurrogates surrogates = LoneSurrogates::Replace);

// 8-bit strings of the program (system code page) to and from UTF-16.
inline std::u16string CodePageToUtf16(std::string_view text) {
  return Utf8ToUtf16(text);
}
inline std::string Utf16ToCodePage(std::u16string_view text) {
  return Utf16ToUtf8(text);
}
