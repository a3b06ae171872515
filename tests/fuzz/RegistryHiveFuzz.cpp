// The settings hive with damaged contents, read and written through the
// framework's registry class as the program uses it.
//
// Input: [mode][...]. An even mode writes the rest of the input as the hive
// file itself. An odd mode starts from a sound hive holding the server's
// settings and changes its rows and schema as the rest of the input says
// (keys and values added, moved, renamed, retyped; parent links made into
// cycles; indexes and constraints dropped; the schema's marks changed).
//
// Then every key that can be reached is listed and every value read, and the
// server's settings are read and written again as at its exit. No call may
// crash, hang or leak, and a write that reports success must read back,
// unless the file is damaged below the rows (SQLite's integrity check
// fails): SQLite finds such damage only where it happens to look.

#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "framework/Registry.h"
#include "tests/fuzz/FuzzHive.h"
#include "tests/fuzz/FuzzInput.h"

namespace {

constexpr const char* kFormKey = "\\Software\\Corvane Software\\Vemo\\Forms\\FormMain";
// Keys one input may visit, so that a damaged hive with very many keys
// cannot make an input slow.
constexpr int kKeyBudget = 200;
constexpr int kDepthLimit = 16;

std::string ReadWhole(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

void WriteWhole(const std::string& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<long>(bytes.size()));
}

// Makes the process's hive connection go: it still holds the file that was
// there before, whose clean-up must not meet the next one.
void ForgetHive() {
  TRegistry registry;
  registry.KeyExists("\\Software");
}

// A sound hive as the server leaves it, as the bytes of one file.
const std::string& Template() {
  static const std::string bytes = [] {
    TFuzzHive::Instance().Remove();
    ForgetHive();
    {
      TRegistry registry;
      if (!registry.OpenKey(kFormKey, true)) abort();
      registry.WriteInteger("port", 40000);
      registry.WriteInteger("currentWindow", 0);
      registry.WriteInteger("fixedIp", 1);
      registry.WriteString("passwd", "secret");
      registry.WriteString("ipaddress", "192.0.2.7");
      const uint8_t block[] = {1, 2, 3, 0, 0xFF};
      registry.WriteBinaryData("block", block, sizeof block);
      registry.OpenKey("\\Software\\Corvane Software\\Vemo\\Forms\\Other\\Lists", true);
      registry.WriteInteger("ColumnCount", 2);
    }
    // Everything into the main file, so that it alone is the hive.
    sqlite3* db = nullptr;
    sqlite3_open(TFuzzHive::Instance().Path().c_str(), &db);
    sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return ReadWhole(TFuzzHive::Instance().Path());
  }();
  return bytes;
}

// Whether SQLite finds the file at `path` sound.
bool Sound(const std::string& path) {
  sqlite3* db = nullptr;
  bool sound = false;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* check = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr) == SQLITE_OK &&
        sqlite3_step(check) == SQLITE_ROW) {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(check, 0));
      sound = text != nullptr && std::string(text) == "ok";
    }
    sqlite3_finalize(check);
  }
  sqlite3_close(db);
  return sound;
}

// Changes the rows and schema of the hive at `path` as `input` says. Failed
// statements (a constraint, a dropped table) are part of the game.
void ChangeRows(const std::string& path, TFuzzInput& input) {
  sqlite3* db = nullptr;
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) {
    sqlite3_close(db);
    return;
  }
  static const char* const kStatements[] = {
      "INSERT INTO keys (id, parent, name, folded, written) VALUES (?1, ?2, ?3, ?4, ?5)",
      "INSERT INTO vals (key, name, folded, type, data) VALUES (?2, ?3, ?4, ?5, ?6)",
      "UPDATE keys SET parent = ?2 WHERE id = ?1",
      "UPDATE vals SET type = ?5, data = ?6 WHERE id = ?1",
      "DELETE FROM keys WHERE id = ?1",
      "UPDATE keys SET name = ?3, folded = ?4 WHERE id = ?1",
      "UPDATE vals SET name = ?3, folded = ?4, key = ?2 WHERE id = ?1",
      "UPDATE keys SET written = ?5 WHERE id = ?1",
      "DROP INDEX keys_by_name",
      "DROP INDEX vals_by_name",
      "PRAGMA user_version = 7",
      "PRAGMA application_id = 0",
      "DROP TABLE vals",
      ("PRAGMA writable_schema = ON; UPDATE sqlite_master SET sql = replace(sql, 'NOT NULL', '') "
       "WHERE name IN ('keys', 'vals'); PRAGMA writable_schema = OFF"),
      "UPDATE keys SET parent = id WHERE id = ?1",
      "UPDATE vals SET data = zeroblob(?5 % 65536) WHERE id = ?1",
  };
  constexpr int kCount = sizeof kStatements / sizeof *kStatements;
  for (int ops = 0; ops < 24 && !input.Empty(); ++ops) {
    const char* sql = kStatements[input.Byte() % kCount];
    // Ids are small, so that they meet rows that exist; 0 stands for NULL.
    const uint8_t id = input.Byte() % 12;
    const uint8_t parent = input.Byte() % 12;
    const std::string name(input.Take(input.Byte() % 16));
    const bool foldedAsName = input.Byte() % 2 == 0;
    const std::string folded = foldedAsName ? name : std::string(input.Take(input.Byte() % 16));
    const int64_t number = static_cast<int32_t>(input.Dword());
    const uint8_t kind = input.Byte() % 5;
    const std::string blob(input.Take(input.Byte() % 64));
    if (std::string_view(sql).find('?') == std::string_view::npos) {
      sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
      continue;
    }
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
      sqlite3_finalize(statement);
      continue;
    }
    if (id != 0) sqlite3_bind_int64(statement, 1, id);
    if (parent != 0) sqlite3_bind_int64(statement, 2, parent);
    sqlite3_bind_text(statement, 3, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(statement, 4, folded.data(), static_cast<int>(folded.size()),
                      SQLITE_TRANSIENT);
    sqlite3_bind_int64(statement, 5, number);
    switch (kind) {  // the data as every storage class SQLite has
      case 0:
        sqlite3_bind_blob(statement, 6, blob.data(), static_cast<int>(blob.size()),
                          SQLITE_TRANSIENT);
        break;
      case 1:
        sqlite3_bind_text(statement, 6, blob.data(), static_cast<int>(blob.size()),
                          SQLITE_TRANSIENT);
        break;
      case 2:
        sqlite3_bind_int64(statement, 6, number);
        break;
      case 3:
        sqlite3_bind_double(statement, 6, static_cast<double>(number) / 3);
        break;
      default:
        break;  // NULL
    }
    sqlite3_step(statement);
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
}

// Reads every value of the open key by its type, as a program would.
void ReadValues(TRegistry& registry) {
  for (const std::string& name : registry.GetValueNames()) {
    TRegDataInfo info;
    if (!registry.GetDataInfo(name, info)) continue;
    try {
      switch (info.RegData) {
        case rdString:
        case rdExpandString:
          registry.ReadString(name);
          break;
        case rdInteger:
          registry.ReadInteger(name);
          break;
        default: {
          std::vector<uint8_t> buffer(static_cast<size_t>(std::max(info.DataSize, 0)) + 1);
          const int read =
              registry.ReadBinaryData(name, buffer.data(), static_cast<int>(buffer.size()));
          FUZZ_CHECK(read >= 0 && read < static_cast<int>(buffer.size()), "read %d bytes into %zu",
                     read, buffer.size());
        }
      }
    } catch (const ERegistryException&) {
      // A value of another type or size than it claims: refused, as it should be.
    }
  }
}

// Lists every key that can be reached from the root, breadth first.
void Walk() {
  TRegistry registry;
  std::vector<std::pair<std::string, int>> pending{{"", 0}};
  for (int visited = 0; !pending.empty() && visited < kKeyBudget; ++visited) {
    const auto [path, depth] = pending.front();
    pending.erase(pending.begin());
    if (!registry.OpenKeyReadOnly("\\" + path)) continue;
    TRegKeyInfo info;
    registry.GetKeyInfo(info);
    ReadValues(registry);
    if (depth >= kDepthLimit) continue;
    for (const std::string& name : registry.GetKeyNames())
      pending.emplace_back(path.empty() ? name : path + "\\" + name, depth + 1);
  }
}

// What the server does with its settings: reads them at its start and
// writes them at its exit. TRegistryFormSaver (components/FormSaver1) makes
// the same calls through its value store; once it is in the tree it belongs
// here too, on a form named FormMain: OpenRegistry, ReadInteger, ReadBool,
// ReadString, then SaveInteger, SaveBool, SaveString, CloseRegistry.
void ReadAndSaveSettings(bool sound) {
  TRegistry registry;
  if (!registry.OpenKey(kFormKey, true)) return;
  ReadValues(registry);
  const struct {
    const char* name;
    int value;
  } integers[] = {{"port", 40001}, {"currentWindow", 1}, {"fixedIp", 0}};
  for (const auto& setting : integers) {
    try {
      registry.WriteInteger(setting.name, setting.value);
    } catch (const ERegistryException&) {
      continue;  // reported as failed: nothing to check
    }
    if (!sound) continue;
    int back = 0;
    try {
      back = registry.ReadInteger(setting.name);
    } catch (const ERegistryException& e) {
      FUZZ_CHECK(false, "%s written, then unreadable: %s", setting.name, e.Message().c_str());
    }
    FUZZ_CHECK(back == setting.value, "%s written as %d reads back as %d", setting.name,
               setting.value, back);
  }
  try {
    registry.WriteString("passwd", "new secret");
    FUZZ_CHECK(!sound || registry.ReadString("passwd") == "new secret",
               "passwd written, read back as %s", registry.ReadString("passwd").c_str());
  } catch (const ERegistryException&) {
  }
  registry.DeleteValue("ipaddress");
  // Removing a subtree walks the parent links, which may be damaged.
  registry.CloseKey();
  registry.DeleteKey("\\Software\\Corvane Software\\Vemo\\Forms\\Other");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& soundHive = Template();
  TFuzzInput input(data, size);
  const bool rows = input.Byte() % 2 == 1;
  TFuzzHive::Instance().Remove();
  ForgetHive();
  if (rows) {
    WriteWhole(TFuzzHive::Instance().Path(), soundHive);
    ChangeRows(TFuzzHive::Instance().Path(), input);
  } else {
    WriteWhole(TFuzzHive::Instance().Path(), input.Rest());
  }
  const bool sound = Sound(TFuzzHive::Instance().Path());
  Walk();
  ReadAndSaveSettings(sound);
  Walk();
  return 0;
}
