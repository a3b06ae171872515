// The registry calls over the per-user hive: names, types and bytes, the
// platform's buffer and handle rules, and what happens around other
// processes, crashes and files that are not hives.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "platform/registry/WinReg.h"
#include "tests/support/ScratchHive.h"

using ::testing::HasSubstr;

namespace {

using Bytes = std::vector<uint8_t>;

struct Value {
  LSTATUS status = -1;
  DWORD type = 0;
  Bytes data;
};

Value Query(HKEY key, const char16_t* name) {
  Value value;
  DWORD size = 0;
  value.status = RegQueryValueEx(key, name, nullptr, &value.type, nullptr, &size);
  if (value.status != ERROR_SUCCESS) return value;
  value.data.resize(size);
  value.status = RegQueryValueEx(key, name, nullptr, &value.type, value.data.data(), &size);
  return value;
}

LSTATUS Set(HKEY key, const char16_t* name, DWORD type, const Bytes& data) {
  return RegSetValueEx(key, name, 0, type, data.data(), static_cast<DWORD>(data.size()));
}

HKEY Create(HKEY parent, const char16_t* path, REGSAM access = KEY_ALL_ACCESS,
            DWORD* disposition = nullptr) {
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyEx(parent, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key,
                           disposition),
            ERROR_SUCCESS);
  return key;
}

std::vector<std::u16string> SubKeys(HKEY key) {
  std::vector<std::u16string> names;
  WCHAR name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = 256;
    if (RegEnumKeyEx(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      return names;
    }
    names.emplace_back(name, length);
  }
}

Bytes Utf16Z(const std::u16string& text) {
  Bytes data;
  for (const char16_t unit : text) {
    data.push_back(static_cast<uint8_t>(unit));
    data.push_back(static_cast<uint8_t>(unit >> 8));
  }
  data.insert(data.end(), {0, 0});
  return data;
}

std::string Utf8(std::u16string_view text) {
  std::string out;
  for (const char16_t c : text)
    out.push_back(static_cast<char>(c));  // ASCII names only
  return out;
}

// A connection of our own to the hive, as another program would have.
class OtherConnection {
 public:
  explicit OtherConnection(const std::string& path, int flags = SQLITE_OPEN_READWRITE) {
    EXPECT_EQ(sqlite3_open_v2(path.c_str(), &db_, flags, nullptr), SQLITE_OK);
  }
  ~OtherConnection() { sqlite3_close_v2(db_); }
  int Exec(const std::string& sql) {
    return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
  }
  std::string Text(const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    std::string result;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW) {
      for (int i = 0; i < sqlite3_column_count(statement); ++i) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
        result += (i > 0 ? "|" : "") + std::string(text != nullptr ? text : "");
      }
    }
    sqlite3_finalize(statement);
    return result;
  }

 private:
  sqlite3* db_ = nullptr;
};

class HiveTest : public ::testing::Test {
 protected:
  ScratchConfigHome home_;
};

TEST_F(HiveTest, NamesCompareWithoutCaseBeyondAsciiAndKeepTheirCase) {
  DWORD disposition = 0;
  HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Ärger Σίσυφος", KEY_ALL_ACCESS, &disposition);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  HKEY again =
      Create(HKEY_CURRENT_USER, u"SOFTWARE\\äRGER ΣΊΣΥΦΟΣ\\", KEY_ALL_ACCESS, &disposition);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));

  HKEY software = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, u"software", 0, KEY_READ, &software), ERROR_SUCCESS);
  EXPECT_EQ(SubKeys(software), std::vector<std::u16string>{u"Ärger Σίσυφος"});

  ASSERT_EQ(Set(key, u"Größe", REG_DWORD, {1, 0, 0, 0}), ERROR_SUCCESS);
  ASSERT_EQ(Set(again, u"GRÖßE", REG_DWORD, {2, 0, 0, 0}), ERROR_SUCCESS);  // the same value
  ASSERT_EQ(Set(key, u"GRÖSSE", REG_DWORD, {3, 0, 0, 0}), ERROR_SUCCESS);   // ß is no SS
  EXPECT_EQ(Query(key, u"größe").data, (Bytes{2, 0, 0, 0}));
  EXPECT_EQ(Query(key, u"grösse").data, (Bytes{3, 0, 0, 0}));

  WCHAR name[32];
  DWORD length = 32;
  ASSERT_EQ(RegEnumValue(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(name, length), u"Größe");  // kept as first written
  length = 32;
  EXPECT_EQ(RegEnumValue(key, 2, name, &length, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);
  for (HKEY open : {key, again, software})
    EXPECT_EQ(RegCloseKey(open), ERROR_SUCCESS);
}

TEST_F(HiveTest, ValuesKeepTheirTypesAndBytesExactly) {
  HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Types");
  Bytes block(200000);
  for (size_t i = 0; i < block.size(); ++i)
    block[i] = static_cast<uint8_t>(i * 7 + i / 251);
  const struct {
    const char16_t* name;
    DWORD type;
    Bytes data;
  } values[] = {
      {u"dword", REG_DWORD, {0x40, 0x9C, 0, 0}},
      {u"text", REG_SZ, Utf16Z(u"Zoë 𝄞")},
      {u"unterminated", REG_SZ, {'a', 0, 'b'}},
      {u"path", REG_EXPAND_SZ, Utf16Z(u"%HOME%\\x")},
      {u"empty", REG_BINARY, {}},
      {u"block", REG_BINARY, block},
      {u"odd type", 0xFEDCBA98, {0, 0xFF, 0}},
      {nullptr, REG_SZ, Utf16Z(u"the default")},
  };
  EXPECT_EQ(Query(key, nullptr).status, ERROR_FILE_NOT_FOUND);  // no default value yet
  for (const auto& value : values)
    ASSERT_EQ(Set(key, value.name, value.type, value.data), ERROR_SUCCESS);

  for (const auto& value : values) {
    const Value read = Query(key, value.name != nullptr ? value.name : u"");
    ASSERT_EQ(read.status, ERROR_SUCCESS);
    EXPECT_EQ(read.type, value.type);
    EXPECT_EQ(read.data, value.data);
  }
  // Another type over a value keeps its place among the values.
  ASSERT_EQ(Set(key, u"DWORD", REG_SZ, Utf16Z(u"now text")), ERROR_SUCCESS);
  WCHAR name[32];
  DWORD length = 32, type = 0;
  ASSERT_EQ(RegEnumValue(key, 0, name, &length, nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(name, length), u"dword");
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  RegCloseKey(key);
}

TEST_F(HiveTest, BuffersFollowThePlatformContract) {
  HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Buffers");
  for (const char16_t* sub : {u"beta", u"Alpha", u"𝄞 clef", u"gamma"})
    RegCloseKey(Create(key, sub));
  ASSERT_EQ(Set(key, u"twelve", REG_BINARY, Bytes(12, 0xAB)), ERROR_SUCCESS);
  ASSERT_EQ(Set(key, u"a long value name", REG_DWORD, {1, 2, 3, 4}), ERROR_SUCCESS);

  // Too small a buffer: ERROR_MORE_DATA, the size needed, the buffer untouched.
  Bytes buffer(8, 0x11);
  DWORD size = 8, type = 0;
  EXPECT_EQ(RegQueryValueEx(key, u"twelve", nullptr, &type, buffer.data(), &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 12u);
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(buffer, Bytes(8, 0x11));
  EXPECT_EQ(RegQueryValueEx(key, u"twelve", nullptr, nullptr, buffer.data(), nullptr),
            ERROR_INVALID_PARAMETER);

  // Subkeys come sorted without regard to case; a name that does not fit
  // (terminating zero included) is ERROR_MORE_DATA.
  EXPECT_EQ(SubKeys(key), (std::vector<std::u16string>{u"Alpha", u"beta", u"gamma", u"𝄞 clef"}));
  WCHAR name[8];
  DWORD length = 5;
  EXPECT_EQ(RegEnumKeyEx(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
            ERROR_MORE_DATA);
  length = 6;
  EXPECT_EQ(RegEnumKeyEx(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(length, 5u);
  length = 8;
  EXPECT_EQ(RegEnumKeyEx(key, 4, name, &length, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);

  // Lengths in UTF-16 code units: the clef is two.
  DWORD subKeys = 0, maxSubKey = 0, values = 0, maxName = 0, maxData = 0;
  FILETIME written{};
  ASSERT_EQ(RegQueryInfoKey(key, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, &values,
                            &maxName, &maxData, nullptr, &written),
            ERROR_SUCCESS);
  EXPECT_EQ(subKeys, 4u);
  EXPECT_EQ(maxSubKey, 7u);
  EXPECT_EQ(values, 2u);
  EXPECT_EQ(maxName, 17u);
  EXPECT_EQ(maxData, 12u);
  EXPECT_GT(written.dwHighDateTime, 0x01D00000u);  // some time after 2014
  RegCloseKey(key);
}

TEST_F(HiveTest, HandlesRightsAndPathsAreChecked) {
  HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Rules\\Child");
  HKEY rules = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, u"Software\\Rules", 0, KEY_READ, &rules),
            ERROR_SUCCESS);
  EXPECT_EQ(Set(rules, u"x", REG_DWORD, {1, 0, 0, 0}), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, u"Software\\Rules"),
            ERROR_ACCESS_DENIED);  // has a subkey

  HKEY missing = reinterpret_cast<HKEY>(1);
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, u"Software\\Nothing", 0, KEY_READ, &missing),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(missing, nullptr);
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, u"\\Software", 0, KEY_READ, &missing),
            ERROR_BAD_PATHNAME);
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, u"Software\\\\Rules", 0, KEY_READ, &missing),
            ERROR_BAD_PATHNAME);
  EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, std::u16string(256, u'k').c_str(), 0, nullptr, 0,
                           KEY_ALL_ACCESS, nullptr, &missing, nullptr),
            ERROR_INVALID_PARAMETER);

  // A tree goes only through a handle with the rights to delete it.
  EXPECT_EQ(RegDeleteTree(rules, u"Child"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteTree(rules, nullptr), ERROR_ACCESS_DENIED);
  EXPECT_EQ(SubKeys(rules), std::vector<std::u16string>{u"Child"});

  // Deleting a key makes every handle to it report so; its parent lives on.
  ASSERT_EQ(RegDeleteKey(rules, u"child"), ERROR_SUCCESS);
  EXPECT_EQ(Set(key, u"x", REG_DWORD, {1, 0, 0, 0}), ERROR_KEY_DELETED);
  EXPECT_EQ(Query(key, u"x").status, ERROR_KEY_DELETED);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(Query(key, u"x").status, ERROR_INVALID_HANDLE);
  EXPECT_EQ(Query(nullptr, u"x").status, ERROR_INVALID_HANDLE);

  // A whole tree goes in one call; the root key never goes.
  EXPECT_EQ(RegCreateKeyEx(rules, u"a", 0, nullptr, 0, KEY_READ, nullptr, &missing, nullptr),
            ERROR_ACCESS_DENIED);  // creating needs KEY_CREATE_SUB_KEY on the parent
  RegCloseKey(Create(HKEY_CURRENT_USER, u"Software\\Rules\\a\\b\\c"));
  EXPECT_EQ(RegDeleteTree(HKEY_CURRENT_USER, u"Software\\Rules"), ERROR_SUCCESS);
  EXPECT_EQ(Query(rules, u"").status, ERROR_KEY_DELETED);
  EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, u""), ERROR_ACCESS_DENIED);
  RegCloseKey(rules);

  // The other predefined keys are there, empty, and take no writes.
  EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, u"Software", 0, KEY_READ, &missing),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, u"Software\\X", 0, nullptr, 0, KEY_ALL_ACCESS,
                           nullptr, &missing, nullptr),
            ERROR_ACCESS_DENIED);
}

TEST_F(HiveTest, ReadingCreatesNothingAndTheFirstWriteCreatesTheHive) {
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, u"Software", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Query(HKEY_CURRENT_USER, u"x").status, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteValue(HKEY_CURRENT_USER, u"x"), ERROR_FILE_NOT_FOUND);
  struct stat status {};
  EXPECT_NE(stat(home_.Folder().c_str(), &status), 0) << "a read created the folder";

  ASSERT_EQ(Set(HKEY_CURRENT_USER, u"x", REG_DWORD, {7, 0, 0, 0}), ERROR_SUCCESS);
  ASSERT_EQ(stat(home_.HiveFolder().c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0700u);
  ASSERT_EQ(stat(home_.HivePath().c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);
  OtherConnection other(home_.HivePath());
  EXPECT_EQ(other.Text("PRAGMA journal_mode"), "wal");
  EXPECT_EQ(
      other.Text(
          "SELECT k.name, v.name, v.type, hex(v.data) FROM vals v JOIN keys k ON k.id = v.key"),
      "HKEY_CURRENT_USER|x|4|07000000");
}

TEST_F(HiveTest, NoLockIsHeldBetweenCalls) {
  HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Locks");
  ASSERT_EQ(Set(key, u"a", REG_SZ, Utf16Z(u"one")), ERROR_SUCCESS);
  ASSERT_EQ(Query(key, u"a").status, ERROR_SUCCESS);
  ASSERT_EQ(SubKeys(HKEY_CURRENT_USER).size(), 1u);

  // A checkpoint that truncates the log needs every reader gone; a write
  // lock needs every writer gone. Neither waits.
  OtherConnection other(home_.HivePath());
  EXPECT_EQ(other.Text("PRAGMA wal_checkpoint(TRUNCATE)").substr(0, 2), "0|");
  EXPECT_EQ(other.Exec("BEGIN IMMEDIATE"), SQLITE_OK);
  EXPECT_EQ(other.Exec("COMMIT"), SQLITE_OK);
  RegCloseKey(key);
}

TEST_F(HiveTest, AHiveLockedTooLongFailsWritesWithOneMessageAndStillReads) {
  HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Busy");
  ASSERT_EQ(Set(key, u"a", REG_DWORD, {1, 0, 0, 0}), ERROR_SUCCESS);
  OtherConnection other(home_.HivePath());
  ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), SQLITE_OK);

  testing::internal::CaptureStderr();
  EXPECT_EQ(Set(key, u"a", REG_DWORD, {2, 0, 0, 0}), ERROR_LOCK_VIOLATION);  // after the time-out
  EXPECT_EQ(Query(key, u"a").data, (Bytes{1, 0, 0, 0}));
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_THAT(err, HasSubstr(home_.HivePath() + " stayed locked by another program"));
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);

  ASSERT_EQ(other.Exec("COMMIT"), SQLITE_OK);
  EXPECT_EQ(Set(key, u"a", REG_DWORD, {3, 0, 0, 0}), ERROR_SUCCESS);
  RegCloseKey(key);
}

TEST_F(HiveTest, AFileThatIsNotAHiveIsRefusedAndLeftAsItIs) {
  ASSERT_EQ(mkdir(home_.Folder().c_str(), 0700), 0);
  ASSERT_EQ(mkdir(home_.HiveFolder().c_str(), 0700), 0);
  std::string garbage(10000, '\0');
  for (size_t i = 0; i < garbage.size(); ++i)
    garbage[i] = static_cast<char>(i * 131 + 7);
  WriteWholeFile(home_.HivePath(), garbage);

  testing::internal::CaptureStderr();
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, u"Software", 0, KEY_READ, &key), ERROR_BADDB);
  EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, u"Software", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                           &key, nullptr),
            ERROR_BADDB);
  EXPECT_EQ(Set(HKEY_CURRENT_USER, u"x", REG_DWORD, {1, 0, 0, 0}), ERROR_BADDB);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_THAT(err, HasSubstr(home_.HivePath() + " is not a settings hive; it is left as it is"));
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_EQ(ReadWholeFile(home_.HivePath()), garbage);

  // Another program's SQLite database is no hive either.
  ASSERT_EQ(unlink(home_.HivePath().c_str()), 0);
  {
    OtherConnection other(home_.HivePath() + ".x", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    other.Exec("CREATE TABLE notes(text); INSERT INTO notes VALUES ('mine')");
  }
  ASSERT_EQ(rename((home_.HivePath() + ".x").c_str(), home_.HivePath().c_str()), 0);
  const std::string foreign = ReadWholeFile(home_.HivePath());
  EXPECT_EQ(Set(HKEY_CURRENT_USER, u"x", REG_DWORD, {1, 0, 0, 0}), ERROR_BADDB);
  EXPECT_EQ(ReadWholeFile(home_.HivePath()), foreign);
}

TEST_F(HiveTest, AKeyDeletedWhileACreateBelowItWaitsGainsNoUnreachableSubkey) {
  // The other process starts before this one touches the hive, so that it
  // inherits no connection.
  int go[2], ready[2];
  ASSERT_EQ(pipe(go), 0);
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  if (child == 0) {
    char byte = 0;
    if (read(go[0], &byte, 1) != 1) _exit(2);
    sqlite3* db = nullptr;
    sqlite3_open_v2(home_.HivePath().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) _exit(3);
    if (write(ready[1], "r", 1) != 1) _exit(4);
    usleep(500 * 1000);  // while the create below waits for the lock
    const int code = sqlite3_exec(db,
                                  "DELETE FROM keys WHERE folded = 'DOOMED';"
                                  "COMMIT",
                                  nullptr, nullptr, nullptr);
    sqlite3_close_v2(db);
    _exit(code == SQLITE_OK ? 0 : 5);
  }
  HKEY doomed = Create(HKEY_CURRENT_USER, u"Doomed");
  ASSERT_EQ(write(go[1], "g", 1), 1);
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);

  HKEY created = nullptr;
  const LSTATUS status = RegCreateKeyEx(doomed, u"Lists\\Files", 0, nullptr, 0, KEY_ALL_ACCESS,
                                        nullptr, &created, nullptr);
  int exit = 0;
  ASSERT_EQ(waitpid(child, &exit, 0), child);
  ASSERT_TRUE(WIFEXITED(exit) && WEXITSTATUS(exit) == 0);
  EXPECT_NE(status, ERROR_SUCCESS);
  EXPECT_EQ(created, nullptr);
  OtherConnection other(home_.HivePath());
  EXPECT_EQ(other.Text("SELECT count(*) FROM keys WHERE parent NOT IN (SELECT id FROM keys)"), "0");
  RegCloseKey(doomed);
}

TEST_F(HiveTest, DeletingATreeEndsAndSparesTheRestWhenParentLinksLoop) {
  HKEY inner = Create(HKEY_CURRENT_USER, u"Software\\Loop\\Inner");
  HKEY kept = Create(HKEY_CURRENT_USER, u"Software\\Kept");
  ASSERT_EQ(Set(kept, u"port", REG_DWORD, {0x40, 0x9C, 0, 0}), ERROR_SUCCESS);
  ASSERT_EQ(Set(HKEY_CURRENT_USER, u"top", REG_DWORD, {1, 0, 0, 0}), ERROR_SUCCESS);
  {
    // A hand-edited hive: HKEY_CURRENT_USER made a child of a key below it.
    OtherConnection other(home_.HivePath());
    ASSERT_EQ(other.Exec("UPDATE keys SET parent = (SELECT id FROM keys WHERE name = 'Inner') "
                         "WHERE id = 1"),
              SQLITE_OK);
  }
  EXPECT_EQ(RegDeleteTree(HKEY_CURRENT_USER, u"Software\\Loop"), ERROR_SUCCESS);
  HKEY loop = nullptr;
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, u"Software\\Loop", 0, KEY_READ, &loop),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Query(kept, u"port").data, (Bytes{0x40, 0x9C, 0, 0}));
  EXPECT_EQ(Query(HKEY_CURRENT_USER, u"top").data, (Bytes{1, 0, 0, 0}));
  EXPECT_EQ(RegCloseKey(kept), ERROR_SUCCESS);
  RegCloseKey(inner);
}

// Writes `count` REG_SZ values "v00000"... into `key` as an import file.
std::string ImportFile(const std::string& key, int count, const std::string& prefix) {
  std::string file = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\" + key + "]\n";
  char line[64];
  for (int i = 0; i < count; ++i) {
    std::snprintf(line, sizeof line, "\"v%05d\"=\"%s %d\"\n", i, prefix.c_str(), i);
    file += line;
  }
  return file;
}

std::u16string ValueName(int i) {
  char name[16];
  std::snprintf(name, sizeof name, "v%05d", i);
  return std::u16string(name, name + std::strlen(name));
}

Bytes ValueData(const std::string& prefix, int i) {
  const std::string text = prefix + " " + std::to_string(i);
  return Utf16Z(std::u16string(text.begin(), text.end()));
}

TEST_F(HiveTest, AnotherProcessWritesWhileThisOneReadsAndWrites) {
  constexpr int kCount = 600;
  const std::string file = home_.Folder() + ".reg";
  WriteWholeFile(file, ImportFile("Software\\Shared", kCount, "child"));
  HKEY shared = Create(HKEY_CURRENT_USER, u"Software\\Shared");
  HKEY mine = Create(HKEY_CURRENT_USER, u"Software\\Mine");

  const pid_t child = StartProgram({SCRIVLO_REG_PATH, "import", file});
  for (int i = 0; i < kCount; ++i) {
    const std::u16string name = u"p" + ValueName(i);
    ASSERT_EQ(Set(shared, name.c_str(), REG_SZ, ValueData("parent", i)), ERROR_SUCCESS) << i;
    ASSERT_EQ(Set(mine, ValueName(i).c_str(), REG_SZ, ValueData("mine", i)), ERROR_SUCCESS) << i;
    const Value theirs = Query(shared, ValueName(i).c_str());
    ASSERT_TRUE(theirs.status == ERROR_SUCCESS || theirs.status == ERROR_FILE_NOT_FOUND) << i;
    if (theirs.status == ERROR_SUCCESS) {
      EXPECT_EQ(theirs.data, ValueData("child", i));
    }
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  for (int i = 0; i < kCount; ++i) {
    const std::u16string name = u"p" + ValueName(i);
    EXPECT_EQ(Query(shared, ValueName(i).c_str()).data, ValueData("child", i));
    EXPECT_EQ(Query(shared, name.c_str()).data, ValueData("parent", i));
    EXPECT_EQ(Query(mine, ValueName(i).c_str()).data, ValueData("mine", i));
  }
  RegCloseKey(shared);
  RegCloseKey(mine);
}

TEST_F(HiveTest, AWriterKilledMidSeriesLeavesEveryCommittedValue) {
  constexpr int kCount = 50000;
  constexpr DWORD kSeenBeforeKill = 300;
  const std::string file = home_.Folder() + ".reg";
  WriteWholeFile(file, ImportFile("Software\\Series", kCount, "value"));
  HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Series");

  const pid_t child = StartProgram({SCRIVLO_REG_PATH, "import", file});
  DWORD seen = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (seen < kSeenBeforeKill && std::chrono::steady_clock::now() < deadline) {
    ASSERT_EQ(RegQueryInfoKey(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &seen,
                              nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
  }
  kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_GE(seen, kSeenBeforeKill) << "the writer wrote nothing for a minute";
  ASSERT_TRUE(WIFSIGNALED(status)) << "the writer finished before it was killed";

  // Values went in one by one, in order: what is there is a whole prefix of
  // the series, at least what was seen, each value intact.
  OtherConnection other(home_.HivePath());
  EXPECT_EQ(other.Text("PRAGMA integrity_check"), "ok");
  DWORD present = 0;
  ASSERT_EQ(RegQueryInfoKey(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &present,
                            nullptr, nullptr, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_GE(present, seen);
  for (int i = 0; i < static_cast<int>(present); ++i) {
    const Value value = Query(key, ValueName(i).c_str());
    ASSERT_EQ(value.status, ERROR_SUCCESS) << Utf8(ValueName(i));
    ASSERT_EQ(value.data, ValueData("value", i));
  }
  RegCloseKey(key);
}

}  // namespace
