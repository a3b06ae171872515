#pragma once

// Thin RAII wrappers over the SQLite C interface, for the hive only.
// Failures are thrown as SqliteError and turned into the registry's error
// codes where a registry call returns.

#include <sqlite3.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace registry::detail {

struct SqliteError {
  int code;             // extended result code
  std::string message;  // SQLite's text for it
};

// Throws SqliteError for `code` on `db` (which may be null).
[[noreturn]] void ThrowSqlite(sqlite3* db, int code);

// An open database connection; closes it when destroyed.
class SqliteDatabase {
 public:
  SqliteDatabase() = default;
  explicit SqliteDatabase(sqlite3* db) : FDb(db) {}
  ~SqliteDatabase() { sqlite3_close_v2(FDb); }
  SqliteDatabase(SqliteDatabase&& other) noexcept : FDb(other.FDb) { other.FDb = nullptr; }
  SqliteDatabase& operator=(SqliteDatabase&& other) noexcept;

  sqlite3* get() const { return FDb; }
  explicit operator bool() const { return FDb != nullptr; }
  // Runs statements that return no rows.
  void Execute(const char* sql);

 private:
  sqlite3* FDb = nullptr;
};

// A prepared statement. Finalised when destroyed, so that no statement keeps
// a read transaction, and with it a lock, open past the call that ran it.
class SqliteStatement {
 public:
  SqliteStatement(sqlite3* db, const char* sql);
  ~SqliteStatement() { sqlite3_finalize(FStatement); }
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;

  SqliteStatement& Bind(int index, int64_t value);
  SqliteStatement& Bind(int index, std::string_view text);
  SqliteStatement& BindBlob(int index, std::span<const uint8_t> bytes);

  // True while there is a row to read; false when done.
  bool Step();
  // Steps a statement that returns no rows.
  void Run();

  int64_t Integer(int column) const { return sqlite3_column_int64(FStatement, column); }
  std::string Text(int column) const;
  std::span<const uint8_t> Blob(int column) const;

 private:
  sqlite3* FDb;
  sqlite3_stmt* FStatement = nullptr;
};

// BEGIN ... COMMIT around one registry call; rolled back unless committed.
// A writing transaction takes the write lock at its start (BEGIN IMMEDIATE),
// so it waits for other writers under the busy time-out instead of failing
// when its read snapshot turns out to be stale.
class SqliteTransaction {
 public:
  enum class Kind { Reading, Writing };
  SqliteTransaction(SqliteDatabase& db, Kind kind);
  ~SqliteTransaction();
  SqliteTransaction(const SqliteTransaction&) = delete;
  SqliteTransaction& operator=(const SqliteTransaction&) = delete;

  void Commit();

 private:
  SqliteDatabase& FDb;
  bool FOpen = true;
};

}  // namespace registry::detail
