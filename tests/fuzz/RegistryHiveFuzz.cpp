// The settings hive with damaged contents, read and written through the
// framework's registry class as the program uses it.
//
// Input: [mode][...]. An even mode writes the rest of the input as the hive
// file itself. An odd mode starts from a sound hive holding the server's
// settings and changes its rows and schema as the rest of the input says
// (keys and values added, moved, renamed, retyped; parent links made into
// cycles; indexes and constraints dropped; the schema's marks changed).
//
// Then every key that can be reached is listed and every value read, the
// server's settings are read and written again as at its exit, and a form
// like the server's, with a list view and a page control, is loaded and
// saved through TRegistryFormSaver, whose value store reads and writes the
// settings as the server does. No call may crash, hang or leak, and a write
// that reports success must read back, unless the file is damaged below the
// rows (SQLite's integrity check fails): SQLite finds such damage only where
// it happens to look.

#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "components/FormSaver1.h"
#include "framework/Form.h"
#include "framework/ListView.h"
#include "framework/PageControl.h"
#include "framework/Registry.h"
#include "tests/fuzz/EventLoopFuzzing.h"
#include "tests/fuzz/FuzzHive.h"
#include "tests/fuzz/FuzzInput.h"

namespace {

constexpr const char* kProgramKey = "Software\\Corvane Software\\Vemo";
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
      // The form state the form saver keeps.
      registry.WriteInteger("Width", 320);
      registry.WriteInteger("Height", 240);
      registry.WriteInteger("Left", 10);
      registry.WriteInteger("Top", 20);
      registry.WriteInteger("FormState", 0);
      const uint8_t ratio[] = {0, 0, 0, 0, 0, 0, 0xF8, 0x3F};
      registry.WriteBinaryData("ratio", ratio, sizeof ratio);
      registry.OpenKey(std::string(kFormKey) + "\\Lists\\ListView1", true);
      registry.WriteInteger("ColumnCount", 2);
      registry.WriteInteger("Column0", 70);
      registry.WriteInteger("Column1", 80);
      registry.OpenKey(std::string(kFormKey) + "\\PageControls\\Pages", true);
      registry.WriteInteger("PageIndex", 1);
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

// The settings read and written straight through TRegistry, each write
// checked at once.
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

// The form saver on a form named as the server's, with a list view and a
// page control: Load as a form is created, the settings read through the
// value store as the server reads them at its start, then Save and the
// settings written as at its exit. What reports success must read back.
void ThroughFormSaver(bool sound) {
  TForm form(nullptr);
  form.SetName("FormMain");
  auto* list = new TListView(&form);
  list->SetName("ListView1");
  list->SetParent(&form);
  for (int width : {40, 50, 60})
    list->Columns()->Add()->SetWidth(width);
  auto* pages = new TPageControl(&form);
  pages->SetName("Pages");
  pages->SetParent(&form);
  for (int i = 0; i < 3; ++i)
    (new TTabSheet(&form))->SetPageControl(pages);
  auto* saver = new TRegistryFormSaver(&form);
  saver->SetRegistryKey(kProgramKey);
  saver->SetSaveSize(true);
  saver->SetSaveListViews(true);
  saver->SetSavePageControls(true);

  try {
    saver->Load();
  } catch (const ERegistryException&) {
    // The form key could not be opened or made: the form keeps its design.
  }
  FUZZ_CHECK(pages->ActivePageIndex() < 3, "page %d of 3 active", pages->ActivePageIndex());
  if (saver->OpenRegistry()) {
    int port = 40000;
    bool flag = false;
    std::string text;
    float ratio = 0;
    uint8_t block[16];
    int size = sizeof block;
    saver->ReadInteger("port", port);
    saver->ReadBool("currentWindow", flag);
    saver->ReadBool("fixedIp", flag);
    saver->ReadString("passwd", text);
    saver->ReadString("ipaddress", text);
    saver->ReadFloat("ratio", ratio);
    saver->ReadBinary("block", block, size);
    FUZZ_CHECK(size >= 0 && size <= static_cast<int>(sizeof block), "read %d bytes into 16", size);
    saver->CloseRegistry();
  }

  bool saved = true;
  try {
    saver->Save();
  } catch (const ERegistryException&) {
    saved = false;
  }
  if (!saver->OpenRegistry()) return;
  try {
    saver->SaveInteger("port", 40002);
    saver->SaveBool("fixedIp", true);
    saver->SaveString("passwd", "changed");
  } catch (const ERegistryException&) {
    saved = false;
  }
  if (saved && sound) {
    int port = 0;
    bool fixedIp = false;
    std::string passwd;
    FUZZ_CHECK(saver->ReadInteger("port", port) && port == 40002, "port saved, reads %d", port);
    FUZZ_CHECK(saver->ReadBool("fixedIp", fixedIp) && fixedIp, "fixedIp saved, reads false");
    FUZZ_CHECK(saver->ReadString("passwd", passwd) && passwd == "changed", "passwd saved, reads %s",
               passwd.c_str());
    FUZZ_CHECK(saver->LoadListViewColumns(list), "the list view's columns saved, not loaded");
    FUZZ_CHECK(saver->LoadPageControl(pages), "the page control saved, not loaded");
  }
  saver->CloseRegistry();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  StartEventLoop();
  return 0;
}

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
  ThroughFormSaver(sound);
  Walk();
  return 0;
}
