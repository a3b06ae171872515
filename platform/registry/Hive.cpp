#include "platform/registry/Hive.h"

#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/registry/HiveSchema.h"

namespace registry::detail {

namespace {

// A writer waits this long for another process's write to finish.
constexpr int kBusyTimeoutMs = 5000;

std::string ProgramName() {
  return program_invocation_short_name != nullptr ? program_invocation_short_name : "scrivlo";
}

// Creates every missing folder of `folder` (mode 0700: settings may hold
// passwords). Returns 0 or an errno value.
int MakeFolders(const std::string& folder) {
  for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string prefix = folder.substr(0, slash);
    if (mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return errno;
    if (slash == std::string::npos) return 0;
  }
}

// A URI for SQLite that opens `path` read-only and trusts it not to change,
// for a hive in a folder where SQLite cannot create its shared-memory file.
std::string ImmutableUri(const std::string& path) {
  std::string uri = "file:";
  for (const unsigned char c : path) {
    if (std::isalnum(c) || std::strchr("/-._~", c) != nullptr) {
      uri.push_back(static_cast<char>(c));
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", c);
      uri += escaped;
    }
  }
  return uri + "?immutable=1";
}

bool CannotOpen(int code) {
  const int primary = code & 0xFF;
  return primary == SQLITE_CANTOPEN || primary == SQLITE_READONLY || primary == SQLITE_PERM ||
         primary == SQLITE_AUTH;
}

}  // namespace

std::string HivePath() {
  std::string config;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') {  // a relative value is to be ignored
    config = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') {
      const passwd* entry = getpwuid(getuid());
      home = entry != nullptr ? entry->pw_dir : nullptr;
    }
    if (home == nullptr || home[0] == '\0') return {};
    config = std::string(home) + "/.config";
  }
  while (config.size() > 1 && config.back() == '/')
    config.pop_back();
  return config + "/scrivlo/registry.sqlite3";
}

Hive& Hive::Instance() {
  static Hive hive;
  return hive;
}

void Hive::Report(const std::string& message) {
  if (FReported.insert(message).second) {
    std::fprintf(stderr, "%s: %s\n", ProgramName().c_str(), message.c_str());
  }
}

void Hive::Refuse(LSTATUS code, const std::string& why) {
  Report(why);
  throw HiveFailure{code};
}

void Hive::Close() {
  FDb = SqliteDatabase();
  FReadOnly = false;
  FEmpty = false;
}

SqliteDatabase* Hive::Open(HiveUse use) {
  const std::string path = HivePath();
  if (path.empty()) {
    Refuse(ERROR_ACCESS_DENIED,
           "no home folder (HOME and XDG_CONFIG_HOME are unset), so there is no settings hive; "
           "settings are neither read nor saved");
  }
  struct stat status {};
  bool exists = stat(path.c_str(), &status) == 0;
  const int statError = exists ? 0 : errno;

  // A connection stays valid while the same file sits at the same path.
  if (FDb && !(exists && path == FPath && status.st_dev == FDevice && status.st_ino == FInode)) {
    Close();
    ++FGeneration;
  }
  FPath = path;
  if (!FDb) {
    if (!exists && statError != ENOENT) {
      Refuse(statError == EACCES ? ERROR_ACCESS_DENIED : ERROR_REGISTRY_IO_FAILED,
             "cannot open the settings hive " + path + ": " + std::strerror(statError) +
                 "; settings are neither read nor saved");
    }
    if (!exists) {
      if (use != HiveUse::Create) return nullptr;
      const std::string folder = path.substr(0, path.rfind('/'));
      int error = MakeFolders(folder);
      if (error == 0) {
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
          close(fd);
        } else if (errno != EEXIST) {  // another process was first: use its file
          error = errno;
        }
      }
      if (error != 0) {
        Refuse(error == EACCES || error == EROFS || error == EPERM ? ERROR_ACCESS_DENIED
                                                                   : ERROR_REGISTRY_IO_FAILED,
               "cannot create the settings hive " + path + ": " + std::strerror(error) +
                   "; settings are not saved");
      }
      if (stat(path.c_str(), &status) != 0) {
        Refuse(ERROR_REGISTRY_IO_FAILED, "cannot create the settings hive " + path + ": " +
                                             std::strerror(errno) + "; settings are not saved");
      }
    }
    FDevice = status.st_dev;
    FInode = status.st_ino;
    Connect(path);
  }

  if (FEmpty) {
    if (use == HiveUse::Read || use == HiveUse::Change) return nullptr;
    Refuse(ERROR_ACCESS_DENIED,
           "the settings hive " + path + " is read-only; settings are not saved");
  }
  if (FReadOnly && use != HiveUse::Read) {
    Refuse(ERROR_ACCESS_DENIED,
           "the settings hive " + path + " is read-only; settings are not saved");
  }
  return &FDb;
}

void Hive::Connect(const std::string& path) {
  // Read-write first; then read-only, for a file this process may not write;
  // then an immutable view, for a folder where SQLite cannot set up the
  // shared memory that WAL readers use.
  struct Attempt {
    std::string name;
    int flags;
  };
  const Attempt attempts[] = {
      {path, SQLITE_OPEN_READWRITE},
      {path, SQLITE_OPEN_READONLY},
      {ImmutableUri(path), SQLITE_OPEN_READONLY | SQLITE_OPEN_URI},
  };
  std::string why;
  for (const Attempt& attempt : attempts) {
    // An immutable view reads the hive file alone: changes committed to a
    // log beside it would silently not be there.
    struct stat log {};
    if ((attempt.flags & SQLITE_OPEN_URI) != 0 && stat((path + "-wal").c_str(), &log) == 0 &&
        log.st_size > 0) {
      why += "; its latest changes, in " + path + "-wal, cannot be read from a folder " +
             "it may not write to";
      break;
    }
    sqlite3* raw = nullptr;
    const int code = sqlite3_open_v2(attempt.name.c_str(), &raw, attempt.flags, nullptr);
    FDb = SqliteDatabase(raw);  // closed even when opening failed
    FReadOnly = (attempt.flags & SQLITE_OPEN_READONLY) != 0;
    FEmpty = false;
    if (code != SQLITE_OK) {
      why = raw != nullptr ? sqlite3_errmsg(raw) : sqlite3_errstr(code);
      if (CannotOpen(code)) continue;
      break;
    }
    sqlite3_extended_result_codes(FDb.get(), 1);
    sqlite3_busy_timeout(FDb.get(), kBusyTimeoutMs);
    try {
      Verify();
      return;
    } catch (const SqliteError& error) {
      if (!CannotOpen(error.code)) {
        Close();
        throw HiveFailure{Fail(error)};
      }
      why = error.message;
    }
  }
  Close();
  Refuse(ERROR_ACCESS_DENIED, "cannot open the settings hive " + path + ": " + why +
                                  "; settings are neither read nor saved");
}

void Hive::Verify() {
  int64_t tables = 0;
  int64_t application = 0;
  int64_t version = 0;
  {
    SqliteTransaction reading(FDb, SqliteTransaction::Kind::Reading);
    SqliteStatement count(FDb.get(), "SELECT count(*) FROM sqlite_master");
    if (count.Step()) tables = count.Integer(0);
    SqliteStatement id(FDb.get(), "PRAGMA application_id");
    if (id.Step()) application = id.Integer(0);
    SqliteStatement schema(FDb.get(), "PRAGMA user_version");
    if (schema.Step()) version = schema.Integer(0);
    reading.Commit();
  }
  if (tables == 0 && application == 0) {
    // An empty file (ours, left by a crash before the schema was written, or
    // made by hand): nothing in it to lose.
    if (FReadOnly) {
      FEmpty = true;
      return;
    }
    CreateSchema();
  } else if (application != kHiveApplicationId) {
    Close();
    Refuse(ERROR_BADDB, FPath +
                            " is not a settings hive; it is left as it is, and settings are "
                            "neither read nor saved");
  } else if (version > kHiveSchemaVersion) {
    Close();
    Refuse(ERROR_BADDB, "the settings hive " + FPath +
                            " was written by a newer program; settings are neither read nor "
                            "saved");
  }
  if (!FReadOnly) FDb.Execute("PRAGMA synchronous = FULL");
}

void Hive::CreateSchema() {
  FDb.Execute("PRAGMA journal_mode = WAL");
  SqliteTransaction writing(FDb, SqliteTransaction::Kind::Writing);
  SqliteStatement count(FDb.get(), "SELECT count(*) FROM sqlite_master");
  // Another process may have written it while this one waited for the lock.
  if (count.Step() && count.Integer(0) == 0) FDb.Execute(kHiveSchema);
  writing.Commit();
}

LSTATUS Hive::Fail(const SqliteError& error) {
  const int primary = error.code & 0xFF;
  switch (primary) {
    case SQLITE_NOTADB:
      Report(FPath +
             " is not a settings hive; it is left as it is, and settings are neither "
             "read nor saved");
      return ERROR_BADDB;
    case SQLITE_CORRUPT:
      Report("the settings hive " + FPath + " is damaged (" + error.message +
             "); it is left as it is, and settings may be neither read nor saved");
      return ERROR_REGISTRY_CORRUPT;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      Report("the settings hive " + FPath +
             " stayed locked by another program for more than 5 seconds; settings were "
             "neither read nor saved");
      return ERROR_LOCK_VIOLATION;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_CANTOPEN:
    case SQLITE_AUTH:
      Report("cannot use the settings hive " + FPath + ": " + error.message +
             "; settings are neither read nor saved");
      return ERROR_ACCESS_DENIED;
    case SQLITE_FULL:
      Report("the disk holding the settings hive " + FPath + " is full; settings are not saved");
      return ERROR_DISK_FULL;
    case SQLITE_NOMEM:
    case SQLITE_TOOBIG:
      return ERROR_NOT_ENOUGH_MEMORY;
    default:
      Report("the settings hive " + FPath + " failed: " + error.message);
      return ERROR_REGISTRY_IO_FAILED;
  }
}

}  // namespace registry::detail
