#include "platform/registry/HiveNames.h"

#include <QChar>

#include "platform/CodePage.h"

namespace registry::detail {

namespace {

std::u16string_view View(LPCWSTR text) {
  return text != nullptr ? std::u16string_view(text) : std::u16string_view();
}

bool IsHighSurrogate(char32_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char32_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

std::u16string UpperCase(std::u16string_view name) {
  std::u16string upper;
  upper.reserve(name.size());
  for (size_t i = 0; i < name.size(); ++i) {
    char32_t codePoint = name[i];
    if (IsHighSurrogate(codePoint) && i + 1 < name.size() && IsLowSurrogate(name[i + 1])) {
      codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (name[i + 1] - 0xDC00);
      ++i;
    }
    // Qt's table is the simple (one to one) mapping of the Unicode database,
    // independent of the locale. Lone surrogates map to themselves.
    const char32_t mapped = QChar::toUpper(codePoint);
    if (mapped < 0x10000) {
      upper.push_back(static_cast<char16_t>(mapped));
    } else {
      upper.push_back(static_cast<char16_t>(0xD800 + ((mapped - 0x10000) >> 10)));
      upper.push_back(static_cast<char16_t>(0xDC00 + ((mapped - 0x10000) & 0x3FF)));
    }
  }
  return upper;
}

HiveName MakeHiveName(std::u16string_view name) {
  return {Utf16ToUtf8(name, LoneSurrogates::Keep),
          Utf16ToUtf8(UpperCase(name), LoneSurrogates::Keep)};
}

std::u16string NameFromHive(std::string_view stored) {
  return Utf8ToUtf16(stored, LoneSurrogates::Keep);
}

DWORD Utf16Length(std::string_view stored) {
  DWORD units = 0;
  for (const char c : stored) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte & 0xC0) != 0x80) units += byte >= 0xF0 ? 2 : 1;
  }
  return units;
}

LSTATUS SplitKeyPath(LPCWSTR path, std::vector<HiveName>& names) {
  names.clear();
  std::u16string_view rest = View(path);
  if (rest.empty()) return ERROR_SUCCESS;
  if (rest.front() == u'\\') return ERROR_BAD_PATHNAME;
  if (rest.back() == u'\\') rest.remove_suffix(1);
  while (true) {
    const size_t slash = rest.find(u'\\');
    const std::u16string_view name = rest.substr(0, slash);
    if (name.empty()) return ERROR_BAD_PATHNAME;
    if (name.size() > kMaxKeyNameLength || names.size() >= kMaxKeyPathDepth) {
      return ERROR_INVALID_PARAMETER;
    }
    names.push_back(MakeHiveName(name));
    if (slash == std::u16string_view::npos) return ERROR_SUCCESS;
    rest.remove_prefix(slash + 1);
  }
}

LSTATUS MakeValueName(LPCWSTR name, HiveName& result) {
  const std::u16string_view text = View(name);
  if (text.size() > kMaxValueNameLength) return ERROR_INVALID_PARAMETER;
  result = MakeHiveName(text);
  return ERROR_SUCCESS;
}

}  // namespace registry::detail

int CompareStringOrdinal(LPCWSTR lpString1, int cchCount1, LPCWSTR lpString2, int cchCount2,
                         BOOL bIgnoreCase) {
  if (lpString1 == nullptr || lpString2 == nullptr) return 0;
  std::u16string_view first =
      cchCount1 < 0 ? std::u16string_view(lpString1) : std::u16string_view(lpString1, cchCount1);
  std::u16string_view second =
      cchCount2 < 0 ? std::u16string_view(lpString2) : std::u16string_view(lpString2, cchCount2);
  std::u16string upperFirst, upperSecond;
  if (bIgnoreCase) {
    upperFirst = registry::detail::UpperCase(first);
    upperSecond = registry::detail::UpperCase(second);
    first = upperFirst;
    second = upperSecond;
  }
  const int order = first.compare(second);
  return order < 0 ? CSTR_LESS_THAN : order == 0 ? CSTR_EQUAL : CSTR_GREATER_THAN;
}
