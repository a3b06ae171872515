#pragma once

// The process's open key handles. A handle names a key row and the access it
// was opened with; it says nothing about the key still being there, which
// every call checks in its own transaction.

#include <cstdint>
#include <optional>
#include <unordered_map>

#include "platform/registry/KeyStore.h"
#include "platform/registry/WinReg.h"

namespace registry::detail {

struct OpenKey {
  bool backed = true;       // false: an empty predefined key other than HKEY_CURRENT_USER
  bool predefined = false;  // one of the HKEY_... constants; closing it does nothing
  KeyId key = kUserRootKey;
  REGSAM access = KEY_ALL_ACCESS;
  uint64_t generation = 0;  // Hive::Generation() when opened
};

// Generic rights turned into the key rights they stand for.
REGSAM KeyAccess(REGSAM desired);

class KeyHandles {
 public:
  static KeyHandles& Instance();

  // What `handle` refers to; nothing for a value that is no open handle.
  std::optional<OpenKey> Resolve(HKEY handle) const;
  HKEY Add(const OpenKey& key);
  bool Remove(HKEY handle);

 private:
  KeyHandles() = default;

  std::unordered_map<uintptr_t, OpenKey> FOpen;
  uintptr_t FNext = 0x1000;
};

}  // namespace registry::detail
