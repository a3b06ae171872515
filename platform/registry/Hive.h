#pragma once

// The current user's hive: one SQLite database per user at
// ${XDG_CONFIG_HOME:-$HOME/.config}/scrivlo/registry.sqlite3.
//
// It is created, with its folder, by the first call that writes; until then
// HKEY_CURRENT_USER reads as empty. The process keeps one connection and
// holds no lock between calls: reads and writes are short transactions in
// WAL mode, and a writer that finds the hive busy waits up to five seconds.
// A file that cannot be opened, stays locked, or is not a hive makes the
// calls fail; the reason is printed once on standard error and the file is
// never overwritten or removed.

#include <cstdint>
#include <set>
#include <string>

#include "platform/registry/Sqlite.h"
#include "platform/registry/WinReg.h"

namespace registry::detail {

// Where the hive of this process lives now (it follows XDG_CONFIG_HOME and
// HOME); empty when neither they nor the password database name a home.
std::string HivePath();

// A registry call failed with `code`; the reason has already been reported.
struct HiveFailure {
  LSTATUS code;
};

// What a call needs from the hive file.
enum class HiveUse {
  Read,    // a missing hive reads as empty
  Change,  // changes what exists; a missing hive has nothing to change
  Create,  // may create the hive and its folder
};

class Hive {
 public:
  static Hive& Instance();

  // The connection for one call, or null when there is no hive yet and `use`
  // does not create one. Throws HiveFailure after reporting why the hive
  // cannot be used, or is read-only for a use that writes.
  SqliteDatabase* Open(HiveUse use);

  // Counts the connections dropped because the hive file changed (another
  // path, or the file replaced): handles from an earlier one are stale.
  uint64_t Generation() const { return FGeneration; }

  // Reports a failure of a call and returns its registry error code.
  LSTATUS Fail(const SqliteError& error);
  // Prints `message` on standard error, at most once per process.
  void Report(const std::string& message);

  const std::string& Path() const { return FPath; }

 private:
  Hive() = default;
  void Close();
  void Connect(const std::string& path);
  void Verify();
  void CreateSchema();
  [[noreturn]] void Refuse(LSTATUS code, const std::string& why);

  SqliteDatabase FDb;
  std::string FPath;
  uint64_t FDevice = 0;
  uint64_t FInode = 0;
  bool FReadOnly = false;
  bool FEmpty = false;  // an empty file that could not be made a hive yet
  uint64_t FGeneration = 0;
  std::set<std::string> FReported;
};

}  // namespace registry::detail
