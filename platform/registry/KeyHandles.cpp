#include "platform/registry/KeyHandles.h"

namespace registry::detail {

REGSAM KeyAccess(REGSAM desired) {
  REGSAM access =
      desired & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL | MAXIMUM_ALLOWED);
  if (desired & (GENERIC_READ | GENERIC_EXECUTE)) access |= KEY_READ;
  if (desired & GENERIC_WRITE) access |= KEY_WRITE;
  if (desired & (GENERIC_ALL | MAXIMUM_ALLOWED)) access |= KEY_ALL_ACCESS;
  return access;
}

KeyHandles& KeyHandles::Instance() {
  static KeyHandles handles;
  return handles;
}

std::optional<OpenKey> KeyHandles::Resolve(HKEY handle) const {
  if (handle == HKEY_CURRENT_USER) return OpenKey{true, true, kUserRootKey, KEY_ALL_ACCESS, 0};
  for (const HKEY unbacked :
       {HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE, HKEY_USERS, HKEY_PERFORMANCE_DATA,
        HKEY_CURRENT_CONFIG, HKEY_DYN_DATA, HKEY_CURRENT_USER_LOCAL_SETTINGS}) {
    if (handle == unbacked) return OpenKey{false, true, 0, KEY_READ, 0};
  }
  const auto found = FOpen.find(reinterpret_cast<uintptr_t>(handle));
  if (found == FOpen.end()) return std::nullopt;
  return found->second;
}

HKEY KeyHandles::Add(const OpenKey& key) {
  // Handles are multiples of four below the predefined keys and never reused,
  // so a closed handle stays invalid.
  const uintptr_t value = FNext;
  FNext += 4;
  OpenKey stored = key;
  stored.predefined = false;
  FOpen.emplace(value, stored);
  return reinterpret_cast<HKEY>(value);
}

bool KeyHandles::Remove(HKEY handle) {
  return FOpen.erase(reinterpret_cast<uintptr_t>(handle)) > 0;
}

}  // namespace registry::detail
