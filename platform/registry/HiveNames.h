#pragma once

// Names of keys and values as the hive stores and compares them.

#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/WinReg.h"

namespace registry::detail {

struct HiveName {
  std::string name;    // as given, UTF-8 (lone surrogates kept in their three-byte form)
  std::string folded;  // upper-cased: the form lookups compare
};

// The platform compares names after upper-casing them one letter at a time
// (simple case mapping, letters beyond ASCII included), so "STRASSE" and
// "straße" are different names while "ÄPFEL" and "äpfel" are the same.
HiveName MakeHiveName(std::u16string_view name);
std::u16string UpperCase(std::u16string_view name);
std::u16string NameFromHive(std::string_view stored);
// Length of a stored name in UTF-16 code units.
DWORD Utf16Length(std::string_view stored);

// Splits a subkey path ("Software\\Vendor\\App", null or empty for the key
// itself) into its names. One trailing backslash is allowed; a leading one or
// an empty name inside the path is ERROR_BAD_PATHNAME, a name or a path over
// the platform's limits ERROR_INVALID_PARAMETER.
LSTATUS SplitKeyPath(LPCWSTR path, std::vector<HiveName>& names);

// A value name (null for the default value). Over the limit:
// ERROR_INVALID_PARAMETER.
LSTATUS MakeValueName(LPCWSTR name, HiveName& result);

}  // namespace registry::detail
