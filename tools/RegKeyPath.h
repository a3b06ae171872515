#pragma once

// Key paths as scrivlo-reg and its files write them: "HKCU\Software\..." or
// "HKEY_CURRENT_USER\Software\...". Only HKEY_CURRENT_USER is kept here.

#include <string>
#include <string_view>

struct TRegKeyPath {
  std::string subKey;  // below HKEY_CURRENT_USER, no leading or trailing backslash; "" for the root
  // "HKEY_CURRENT_USER" or "HKEY_CURRENT_USER\" + subKey: how output and files name it.
  std::string FullName() const;
  // FullName() of a subkey of this key.
  TRegKeyPath Child(std::string_view name) const;
};

// False, with a one-line reason, for another root or a malformed path.
bool ParseRegKeyPath(std::string_view text, TRegKeyPath* path, std::string* error);
