#include "tools/RegKeyPath.h"

#include <strings.h>

namespace {

constexpr std::string_view kUserRoot = "HKEY_CURRENT_USER";

bool SameRoot(std::string_view root, std::string_view name) {
  return root.size() == name.size() && strncasecmp(root.data(), name.data(), root.size()) == 0;
}

}  // namespace

std::string TRegKeyPath::FullName() const {
  return subKey.empty() ? std::string(kUserRoot) : std::string(kUserRoot) + "\\" + subKey;
}

TRegKeyPath TRegKeyPath::Child(std::string_view name) const {
  return {subKey.empty() ? std::string(name) : subKey + "\\" + std::string(name)};
}

bool ParseRegKeyPath(std::string_view text, TRegKeyPath* path, std::string* error) {
  const size_t slash = text.find('\\');
  const std::string_view root = text.substr(0, slash);
  if (!SameRoot(root, "HKCU") && !SameRoot(root, kUserRoot)) {
    *error = "'" + std::string(text) +
             "' is not below HKCU (HKEY_CURRENT_USER), the only root key kept here";
    return false;
  }
  std::string_view rest = slash == std::string_view::npos ? "" : text.substr(slash + 1);
  if (!rest.empty() && rest.back() == '\\') rest.remove_suffix(1);
  // A backslash still at either end, or two together, leave a name empty.
  if (!rest.empty() && (rest.front() == '\\' || rest.back() == '\\' ||
                        rest.find("\\\\") != std::string_view::npos)) {
    *error = "'" + std::string(text) + "' has an empty key name in it";
    return false;
  }
  path->subKey = std::string(rest);
  return true;
}
