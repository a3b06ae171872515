#pragma once

// The hive's keys and values as rows, for use inside one transaction.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/registry/HiveNames.h"
#include "platform/registry/Sqlite.h"

namespace registry::detail {

using KeyId = int64_t;
constexpr KeyId kUserRootKey = 1;  // HKEY_CURRENT_USER

struct StoredValue {
  std::string name;
  DWORD type = REG_NONE;
  std::vector<uint8_t> data;
};

struct StoredKey {
  KeyId id = 0;
  std::string name;
  int64_t written = 0;  // milliseconds since 1970 (UTC)
};

struct KeySummary {
  DWORD subKeys = 0;
  DWORD maxSubKeyLength = 0;  // UTF-16 code units
  DWORD values = 0;
  DWORD maxValueNameLength = 0;
  DWORD maxValueSize = 0;
  int64_t written = 0;
};

class KeyStore {
 public:
  explicit KeyStore(SqliteDatabase& db) : FDb(db.get()) {}

  bool Exists(KeyId key);
  std::optional<KeyId> FindChild(KeyId parent, const HiveName& name);
  // Adds a subkey; the parent's time of last change moves on.
  KeyId AddChild(KeyId parent, const HiveName& name);
  bool HasChildren(KeyId key);
  std::optional<KeyId> Parent(KeyId key);
  // Removes a key that has no subkeys, with its values.
  void RemoveKey(KeyId key);
  // Removes everything below `key`, and `key` too unless `keepKey`.
  void RemoveTree(KeyId key, bool keepKey);

  std::optional<StoredValue> FindValue(KeyId key, const HiveName& name);
  // Writes a value; one that exists keeps its name, case included, and its place.
  void PutValue(KeyId key, const HiveName& name, DWORD type, std::span<const uint8_t> data);
  bool RemoveValue(KeyId key, const HiveName& name);

  // Subkeys in the order of their upper-cased names; values in the order in
  // which they were first written.
  std::optional<StoredKey> NthChild(KeyId key, DWORD index);
  std::optional<StoredValue> NthValue(KeyId key, DWORD index);
  KeySummary Summarise(KeyId key);

 private:
  void Touch(KeyId key);

  sqlite3* FDb;
};

}  // namespace registry::detail
