#include "platform/registry/Sqlite.h"

#include <utility>

namespace registry::detail {

void ThrowSqlite(sqlite3* db, int code) {
  const char* text = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(code);
  throw SqliteError{code, text != nullptr ? text : sqlite3_errstr(code)};
}

SqliteDatabase& SqliteDatabase::operator=(SqliteDatabase&& other) noexcept {
  if (this != &other) {
    sqlite3_close_v2(FDb);
    FDb = std::exchange(other.FDb, nullptr);
  }
  return *this;
}

void SqliteDatabase::Execute(const char* sql) {
  const int code = sqlite3_exec(FDb, sql, nullptr, nullptr, nullptr);
  if (code != SQLITE_OK) ThrowSqlite(FDb, sqlite3_extended_errcode(FDb));
}

SqliteStatement::SqliteStatement(sqlite3* db, const char* sql) : FDb(db) {
  const int code = sqlite3_prepare_v2(db, sql, -1, &FStatement, nullptr);
  if (code != SQLITE_OK) ThrowSqlite(db, sqlite3_extended_errcode(db));
}

SqliteStatement& SqliteStatement::Bind(int index, int64_t value) {
  const int code = sqlite3_bind_int64(FStatement, index, value);
  if (code != SQLITE_OK) ThrowSqlite(FDb, code);
  return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, std::string_view text) {
  const int code = sqlite3_bind_text64(FStatement, index, text.data(), text.size(),
                                       SQLITE_TRANSIENT, SQLITE_UTF8);
  if (code != SQLITE_OK) ThrowSqlite(FDb, code);
  return *this;
}

SqliteStatement& SqliteStatement::BindBlob(int index, std::span<const uint8_t> bytes) {
  // An empty block is a zero-length blob, never NULL.
  const int code = bytes.empty() ? sqlite3_bind_zeroblob(FStatement, index, 0)
                                 : sqlite3_bind_blob64(FStatement, index, bytes.data(),
                                                       bytes.size(), SQLITE_TRANSIENT);
  if (code != SQLITE_OK) ThrowSqlite(FDb, code);
  return *this;
}

bool SqliteStatement::Step() {
  const int code = sqlite3_step(FStatement);
  if (code == SQLITE_ROW) return true;
  if (code == SQLITE_DONE) return false;
  ThrowSqlite(FDb, sqlite3_extended_errcode(FDb));
}

void SqliteStatement::Run() {
  while (Step()) {
  }
}

std::string SqliteStatement::Text(int column) const {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(FStatement, column));
  return text != nullptr ? std::string(text, sqlite3_column_bytes(FStatement, column))
                         : std::string();
}

std::span<const uint8_t> SqliteStatement::Blob(int column) const {
  const auto* bytes = static_cast<const uint8_t*>(sqlite3_column_blob(FStatement, column));
  const int size = sqlite3_column_bytes(FStatement, column);
  if (bytes == nullptr || size <= 0) return {};
  return {bytes, static_cast<size_t>(size)};
}

SqliteTransaction::SqliteTransaction(SqliteDatabase& db, Kind kind) : FDb(db) {
  FDb.Execute(kind == Kind::Writing ? "BEGIN IMMEDIATE" : "BEGIN");
}

SqliteTransaction::~SqliteTransaction() {
  if (FOpen) sqlite3_exec(FDb.get(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void SqliteTransaction::Commit() {
  FDb.Execute("COMMIT");
  FOpen = false;
}

}  // namespace registry::detail
