#include "platform/registry/KeyStore.h"

#include <algorithm>
#include <chrono>

namespace registry::detail {

namespace {

int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

StoredValue ValueFrom(const SqliteStatement& row) {
  const std::span<const uint8_t> data = row.Blob(2);
  return {row.Text(0), static_cast<DWORD>(row.Integer(1)), {data.begin(), data.end()}};
}

}  // namespace

bool KeyStore::Exists(KeyId key) {
  SqliteStatement query(FDb, "SELECT 1 FROM keys WHERE id = ?");
  return query.Bind(1, key).Step();
}

std::optional<KeyId> KeyStore::FindChild(KeyId parent, const HiveName& name) {
  SqliteStatement query(FDb, "SELECT id FROM keys WHERE parent = ? AND folded = ?");
  query.Bind(1, parent).Bind(2, name.folded);
  if (!query.Step()) return std::nullopt;
  return query.Integer(0);
}

KeyId KeyStore::AddChild(KeyId parent, const HiveName& name) {
  SqliteStatement insert(FDb,
                         "INSERT INTO keys (parent, name, folded, written) VALUES (?, ?, ?, ?)");
  insert.Bind(1, parent).Bind(2, name.name).Bind(3, name.folded).Bind(4, NowMs()).Run();
  const KeyId id = sqlite3_last_insert_rowid(FDb);
  Touch(parent);
  return id;
}

bool KeyStore::HasChildren(KeyId key) {
  SqliteStatement query(FDb, "SELECT 1 FROM keys WHERE parent = ? LIMIT 1");
  return query.Bind(1, key).Step();
}

std::optional<KeyId> KeyStore::Parent(KeyId key) {
  SqliteStatement query(FDb, "SELECT parent FROM keys WHERE id = ? AND parent IS NOT NULL");
  if (!query.Bind(1, key).Step()) return std::nullopt;
  return query.Integer(0);
}

void KeyStore::RemoveKey(KeyId key) {
  const std::optional<KeyId> parent = Parent(key);
  SqliteStatement(FDb, "DELETE FROM vals WHERE key = ?").Bind(1, key).Run();
  SqliteStatement(FDb, "DELETE FROM keys WHERE id = ?").Bind(1, key).Run();
  if (parent) Touch(*parent);
}

void KeyStore::RemoveTree(KeyId key, bool keepKey) {
  const std::optional<KeyId> parent = Parent(key);
  // UNION, not UNION ALL, and never into HKEY_CURRENT_USER: parent links
  // that a damaged or hand-edited hive turned into a loop must neither make
  // the walk endless nor lead it up into every other setting.
  const std::string tree =
      "WITH RECURSIVE tree(id) AS (SELECT ? UNION "
      "SELECT keys.id FROM keys JOIN tree ON keys.parent = tree.id WHERE keys.id <> " +
      std::to_string(kUserRootKey) + ") ";
  SqliteStatement(FDb, (tree + "DELETE FROM vals WHERE key IN tree").c_str()).Bind(1, key).Run();
  SqliteStatement(FDb, (tree + "DELETE FROM keys WHERE id IN tree AND id <> ?").c_str())
      .Bind(1, key)
      .Bind(2, key)
      .Run();
  if (keepKey) {
    Touch(key);
  } else {
    SqliteStatement(FDb, "DELETE FROM keys WHERE id = ?").Bind(1, key).Run();
    if (parent) Touch(*parent);
  }
}

std::optional<StoredValue> KeyStore::FindValue(KeyId key, const HiveName& name) {
  SqliteStatement query(FDb, "SELECT name, type, data FROM vals WHERE key = ? AND folded = ?");
  query.Bind(1, key).Bind(2, name.folded);
  if (!query.Step()) return std::nullopt;
  return ValueFrom(query);
}

void KeyStore::PutValue(KeyId key, const HiveName& name, DWORD type,
                        std::span<const uint8_t> data) {
  SqliteStatement upsert(FDb,
                         "INSERT INTO vals (key, name, folded, type, data) VALUES (?, ?, ?, ?, ?) "
                         "ON CONFLICT (key, folded) DO UPDATE SET type = excluded.type, "
                         "data = excluded.data");
  upsert.Bind(1, key).Bind(2, name.name).Bind(3, name.folded).Bind(4, int64_t{type});
  upsert.BindBlob(5, data).Run();
  Touch(key);
}

bool KeyStore::RemoveValue(KeyId key, const HiveName& name) {
  SqliteStatement remove(FDb, "DELETE FROM vals WHERE key = ? AND folded = ?");
  remove.Bind(1, key).Bind(2, name.folded).Run();
  if (sqlite3_changes(FDb) == 0) return false;
  Touch(key);
  return true;
}

std::optional<StoredKey> KeyStore::NthChild(KeyId key, DWORD index) {
  SqliteStatement query(FDb,
                        "SELECT id, name, written FROM keys WHERE parent = ? "
                        "ORDER BY folded LIMIT 1 OFFSET ?");
  query.Bind(1, key).Bind(2, int64_t{index});
  if (!query.Step()) return std::nullopt;
  return StoredKey{query.Integer(0), query.Text(1), query.Integer(2)};
}

std::optional<StoredValue> KeyStore::NthValue(KeyId key, DWORD index) {
  // The ids alone are put in order: sorting whole rows would copy the data
  // of every value of the key, for each value enumerated.
  SqliteStatement query(FDb,
                        "SELECT name, type, data FROM vals WHERE id = "
                        "(SELECT id FROM vals WHERE key = ? ORDER BY id LIMIT 1 OFFSET ?)");
  query.Bind(1, key).Bind(2, int64_t{index});
  if (!query.Step()) return std::nullopt;
  return ValueFrom(query);
}

KeySummary KeyStore::Summarise(KeyId key) {
  KeySummary summary;
  SqliteStatement children(FDb, "SELECT name FROM keys WHERE parent = ?");
  children.Bind(1, key);
  while (children.Step()) {
    ++summary.subKeys;
    summary.maxSubKeyLength = std::max(summary.maxSubKeyLength, Utf16Length(children.Text(0)));
  }
  SqliteStatement values(FDb, "SELECT name, length(data) FROM vals WHERE key = ?");
  values.Bind(1, key);
  while (values.Step()) {
    ++summary.values;
    summary.maxValueNameLength = std::max(summary.maxValueNameLength, Utf16Length(values.Text(0)));
    summary.maxValueSize = std::max(summary.maxValueSize, static_cast<DWORD>(values.Integer(1)));
  }
  SqliteStatement written(FDb, "SELECT written FROM keys WHERE id = ?");
  if (written.Bind(1, key).Step()) summary.written = written.Integer(0);
  return summary;
}

void KeyStore::Touch(KeyId key) {
  SqliteStatement(FDb, "UPDATE keys SET written = ? WHERE id = ?")
      .Bind(1, NowMs())
      .Bind(2, key)
      .Run();
}

}  // namespace registry::detail
