#pragma once

// The layout of the hive database. `sqlite3 registry.sqlite3` reads it:
//   SELECT k.name, v.name, v.type, hex(v.data) FROM vals v JOIN keys k ON k.id = v.key;

#include <cstdint>

namespace registry::detail {

// PRAGMA application_id of a hive ("SCRG"): tells a hive from any other
// SQLite database, which is never touched.
constexpr int64_t kHiveApplicationId = 0x53435247;
// PRAGMA user_version of the layout below.
constexpr int64_t kHiveSchemaVersion = 1;

// Key id 1 is HKEY_CURRENT_USER itself. Names are kept as created (UTF-8;
// a lone UTF-16 surrogate in its three-byte form); `folded` is the name
// upper-cased letter by letter, beyond ASCII too, and is what lookups compare.
// Ids are never reused, so a handle to a deleted key cannot reach a new one.
// Values enumerate in the order they were first written.
inline constexpr const char kHiveSchema[] = R"sql(
PRAGMA application_id = 1396920903;
PRAGMA user_version = 1;
CREATE TABLE keys (
  id      INTEGER PRIMARY KEY AUTOINCREMENT,
  parent  INTEGER REFERENCES keys(id),  -- NULL for HKEY_CURRENT_USER
  name    TEXT NOT NULL,
  folded  TEXT NOT NULL,
  written INTEGER NOT NULL              -- last change: milliseconds since 1970 (UTC)
);
CREATE UNIQUE INDEX keys_by_name ON keys(parent, folded);
CREATE TABLE vals (
  id      INTEGER PRIMARY KEY AUTOINCREMENT,
  key     INTEGER NOT NULL REFERENCES keys(id),
  name    TEXT NOT NULL,                -- '' for the default value
  folded  TEXT NOT NULL,
  type    INTEGER NOT NULL,             -- REG_SZ = 1, REG_EXPAND_SZ = 2, REG_BINARY = 3, REG_DWORD = 4, ...
  data    BLOB NOT NULL                 -- exactly the bytes written
);
CREATE UNIQUE INDEX vals_by_name ON vals(key, folded);
INSERT INTO keys (id, parent, name, folded, written)
  VALUES (1, NULL, 'HKEY_CURRENT_USER', 'HKEY_CURRENT_USER', CAST((julianday('now') - 2440587.5) * 86400000 AS INTEGER));
)sql";

static_assert(kHiveApplicationId == 1396920903);

}  // namespace registry::detail
