// scrivlo-reg as a user runs it: listings, changes, exit statuses, the
// export/import round trip, files from the platform's own editor, and a
// hive in a folder the user may not write to.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "platform/CodePage.h"
#include "platform/registry/WinReg.h"
#include "tests/support/ScratchHive.h"

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

using Bytes = std::vector<uint8_t>;

ProgramRun Reg(std::vector<std::string> arguments, const std::string& input = "",
               bool unprivileged = false) {
  arguments.insert(arguments.begin(), SCRIVLO_REG_PATH);
  return RunProgram(arguments, input, unprivileged);
}

Bytes Utf16Z(const std::string& text) {
  Bytes data;
  for (const char16_t unit : Utf8ToUtf16(text)) {
    data.push_back(static_cast<uint8_t>(unit));
    data.push_back(static_cast<uint8_t>(unit >> 8));
  }
  data.insert(data.end(), {0, 0});
  return data;
}

void Put(const std::u16string& key, const std::u16string& name, DWORD type, const Bytes& data) {
  HKEY handle = nullptr;
  ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                           &handle, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(
      RegSetValueEx(handle, name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size())),
      ERROR_SUCCESS);
  RegCloseKey(handle);
}

// Every key below `path` with its values: (name, type, bytes) in order.
using Snapshot = std::map<std::u16string, std::vector<std::tuple<std::u16string, DWORD, Bytes>>>;
void Take(const std::u16string& path, Snapshot* snapshot) {
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
  auto& values = (*snapshot)[path];
  std::u16string name(kMaxValueNameLength + 1, u'\0');
  Bytes data(1 << 20);
  for (DWORD i = 0;; ++i) {
    DWORD length = static_cast<DWORD>(name.size()), type = 0,
          size = static_cast<DWORD>(data.size());
    if (RegEnumValue(key, i, name.data(), &length, nullptr, &type, data.data(), &size) !=
        ERROR_SUCCESS) {
      break;
    }
    values.emplace_back(name.substr(0, length), type, Bytes(data.begin(), data.begin() + size));
  }
  std::vector<std::u16string> children;
  WCHAR child[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = 256;
    if (RegEnumKeyEx(key, i, child, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      break;
    }
    children.emplace_back(child, length);
  }
  RegCloseKey(key);
  for (const std::u16string& sub : children)
    Take(path + u"\\" + sub, snapshot);
}

class ScrivloRegTest : public ::testing::Test {
 protected:
  ScratchConfigHome home_;
};

TEST_F(ScrivloRegTest, ExportThenImportBringsBackTheSameTypesAndBytes) {
  Bytes block(300);
  for (size_t i = 0; i < block.size(); ++i)
    block[i] = static_cast<uint8_t>(i);
  const std::u16string root = u"Software\\Round";
  Put(root, u"port", REG_DWORD, {0x40, 0x9C, 0, 0});
  Put(root, u"text", REG_SZ, Utf16Z("Zoë \"quoted\" C:\\path\\ 𝄞"));
  Put(root, u"", REG_SZ, Utf16Z("the default"));
  Put(root, u"na\"me\\", REG_SZ, Utf16Z(""));
  Put(root, u"two lines", REG_SZ, Utf16Z("one\r\ntwo"));
  Put(root, u"unterminated", REG_SZ, {'a', 0, 'b'});
  Put(root, u"expand", REG_EXPAND_SZ, Utf16Z("%HOME%\\x"));
  Put(root, u"empty", REG_BINARY, {});
  Put(root, u"block", REG_BINARY, block);
  Put(root, u"short dword", REG_DWORD, {1, 2, 3});
  Put(root, u"multi", REG_MULTI_SZ, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0});
  Put(root, u"odd type", 0x12345678, {0xFE});
  Put(root + u"\\Sub\\Deeper", u"x", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8});
  Put(root + u"\\Ключ", u"Значение", REG_SZ, Utf16Z("текст"));
  Snapshot before;
  Take(root, &before);
  ASSERT_EQ(before.size(), 4u);  // Round, Sub, Sub\Deeper, Ключ

  const std::string file = home_.Folder() + "-export.reg";
  ProgramRun run = Reg({"export", "HKCU\\Software\\Round", file});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string text = ReadWholeFile(file);
  EXPECT_THAT(text, StartsWith("Windows Registry Editor Version 5.00\n\n"
                               "[HKEY_CURRENT_USER\\Software\\Round]\n"
                               "\"port\"=dword:00009c40\n"
                               "\"text\"=\"Zoë \\\"quoted\\\" C:\\\\path\\\\ 𝄞\"\n"
                               "@=\"the default\"\n"
                               "\"na\\\"me\\\\\"=\"\"\n"
                               "\"two lines\"=hex(1):6f,00,6e,00,65,00,0d,00,0a,00"));
  EXPECT_THAT(text, HasSubstr("\"expand\"=hex(2):25,00,48,00"));
  EXPECT_THAT(text, HasSubstr("\"odd type\"=hex(12345678):fe\n"));
  for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos;
       start = end + 1) {
    EXPECT_LE(end - start, 80u) << text.substr(start, end - start);
  }
  EXPECT_EQ(Reg({"export", "HKCU\\Software\\Round", file}).status, 1);  // exists, no /y

  ASSERT_EQ(Reg({"delete", "HKCU\\Software\\Round", "/f"}).status, 0);
  EXPECT_EQ(Reg({"query", "HKCU\\Software\\Round"}).status, 1);
  run = Reg({"import", file});
  ASSERT_EQ(run.status, 0) << run.err;
  Snapshot after;
  Take(root, &after);
  EXPECT_EQ(after, before);

  run = Reg({"export", "HKEY_CURRENT_USER\\software\\round", "-"});
  ASSERT_EQ(run.status, 0);
  EXPECT_EQ(run.out, text);

  // A name no file can carry as it is would import back as another name:
  // nothing is exported.
  const std::u16string lone{u'x', static_cast<char16_t>(0xD800)};
  for (const auto& [key, name] :
       std::vector<std::pair<std::u16string, std::u16string>>{{root + u"\\Sub\\line\nbreak", u"v"},
                                                              {root + u"\\Sub\\" + lone, u"v"},
                                                              {root + u"\\Sub", lone}}) {
    Put(key, name, REG_DWORD, {1, 0, 0, 0});
    std::remove(file.c_str());
    run = Reg({"export", "HKCU\\Software\\Round", file});
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr("which a file cannot carry; nothing was exported"));
    EXPECT_FALSE(std::filesystem::exists(file));
    ASSERT_EQ(Reg({"delete", "HKCU\\Software\\Round\\Sub", "/f"}).status, 0);
  }
}

TEST_F(ScrivloRegTest, QueryAddAndDeleteWithClearStatuses) {
  const std::string key = "HKCU\\Software\\Corvane Software\\Vemo\\Forms\\FormMain";
  EXPECT_EQ(Reg({"query", key}).status, 1);
  ASSERT_EQ(Reg({"add", key, "/v", "port", "/t", "REG_DWORD", "/d", "40000"}).status, 0);
  ASSERT_EQ(Reg({"add", key, "/v", "ipaddress", "/d", "255.255.255.255"}).status, 0);
  ASSERT_EQ(Reg({"add", key, "/v", "mask", "/t", "REG_DWORD", "/d", "0xFFFFFFFF"}).status, 0);
  ASSERT_EQ(Reg({"add", key, "/v", "delta", "/t", "REG_DWORD", "/d", "-2"}).status, 0);
  ASSERT_EQ(Reg({"add", key, "/v", "bytes", "/t", "REG_BINARY", "/d", "01ff3c"}).status, 0);
  ASSERT_EQ(Reg({"add", key + "\\Lists\\Files"}).status, 0);

  ProgramRun run = Reg({"query", key});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(
      run.out,
      "\n" + std::string("HKEY_CURRENT_USER\\Software\\Corvane Software\\Vemo\\Forms\\FormMain\n") +
          "    port    REG_DWORD    0x9c40\n"
          "    ipaddress    REG_SZ    255.255.255.255\n"
          "    mask    REG_DWORD    0xffffffff\n"
          "    delta    REG_DWORD    0xfffffffe\n"
          "    bytes    REG_BINARY    01FF3C\n"
          "\n"
          "HKEY_CURRENT_USER\\Software\\Corvane Software\\Vemo\\Forms\\FormMain\\Lists\n");

  run = Reg({"add", key, "/v", "PORT", "/t", "REG_DWORD", "/d", "1"});
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.err, HasSubstr("exists; add /f to overwrite it"));
  ASSERT_EQ(Reg({"add", key, "/v", "PORT", "/t", "REG_DWORD", "/d", "1", "/f"}).status, 0);
  run = Reg({"query", key, "/v", "port"});
  EXPECT_THAT(run.out, HasSubstr("    port    REG_DWORD    0x1\n"));

  for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
           {},
           {"add", key, "/v", "x", "/t", "REG_DWORD", "/d", "4294967296"},
           {"add", key, "/v", "x", "/t", "REG_DWORD", "/d", "12abc"},
           {"add", key, "/v", "x", "/t", "REG_DWORD", "/d", "0xFFFFFFFFFFFFFFFF"},
           {"add", key, "/v", "x", "/t", "REG_DWORD", "/d", "0xFFFFFFFF80000000"},
           {"add", key, "/v", "x", "/t", "REG_DWORD", "/d", "0x0x12"},
           {"add", key, "/v", "x", "/t", "REG_DWORD", "/d", "0x+12"},
           {"add", key, "/v", "x", "/t", "REG_BINARY", "/d", "0g"},
           {"add", key, "/v", "x", "/t", "REG_FANCY", "/d", "1"},
           {"delete", key},
           {"query", "HKLM\\Software"},
           {"query", key, "/q"},
           {"delete", "HKCU", "/f"}}) {
    run = Reg(bad);
    EXPECT_EQ(run.status, 2) << ::testing::PrintToString(bad);
    EXPECT_THAT(run.err, StartsWith("scrivlo-reg: "));
  }
  run = Reg({"--help"});
  EXPECT_EQ(run.status, 0);
  EXPECT_THAT(run.out, StartsWith("usage: scrivlo-reg query KEY"));

  EXPECT_EQ(Reg({"delete", key, "/v", "mask", "/f"}).status, 0);
  EXPECT_EQ(Reg({"delete", key, "/v", "mask", "/f"}).status, 1);
  EXPECT_EQ(Reg({"query", key, "/v", "mask"}).status, 1);
  EXPECT_EQ(Reg({"delete", "HKCU\\Software\\Corvane Software", "/f"}).status, 0);
  EXPECT_EQ(Reg({"query", key}).status, 1);
}

TEST_F(ScrivloRegTest, FilesOfTheWindowsEditorImportAndBrokenFilesChangeNothing) {
  ASSERT_EQ(Reg({"add", "HKCU\\Software\\Old\\Stuff"}).status, 0);
  ASSERT_EQ(Reg({"add", "HKCU\\Software\\App", "/v", "gone", "/d", "x"}).status, 0);
  const std::string text =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "; written on another machine\r\n"
      "[-HKEY_CURRENT_USER\\Software\\Old]\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\App]\r\n"
      "\"gone\"=-\r\n"
      "\"Größe\"=dword:0000002a\r\n"
      "\"long\"=hex:00,01,02,\\\r\n  03,04\r\n";
  std::string utf16 = "\xFF\xFE";
  for (const char16_t unit : Utf8ToUtf16(text)) {
    utf16.push_back(static_cast<char>(unit & 0xFF));
    utf16.push_back(static_cast<char>(unit >> 8));
  }
  ProgramRun run = Reg({"import", "-"}, utf16);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Reg({"query", "HKCU\\Software\\Old"}).status, 1);
  EXPECT_EQ(Reg({"query", "HKCU\\Software\\App", "/v", "gone"}).status, 1);
  EXPECT_THAT(Reg({"query", "HKCU\\Software\\App"}).out,
              HasSubstr("    Größe    REG_DWORD    0x2a\n"));
  EXPECT_THAT(Reg({"query", "HKCU\\Software\\App", "/v", "long"}).out,
              HasSubstr("REG_BINARY    0001020304"));

  // A fault anywhere in a file: nothing of it is applied.
  run = Reg({"import", "-"},
            "Windows Registry Editor Version 5.00\n\n[HKCU\\Software\\New]\n"
            "\"a\"=dword:1\n\"b\"=dword:123456789\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.err, HasSubstr("line 5: dword: needs 1 to 8 hex digits"));
  EXPECT_EQ(Reg({"query", "HKCU\\Software\\New"}).status, 1);
  run = Reg({"import", "-"}, "REGEDIT4\n\n[HKCU\\Software\\New]\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.err, HasSubstr("line 1: REGEDIT4 files are not supported"));
  run = Reg({"import", "-"}, "Windows Registry Editor Version 5.00\n\"a\"=\"outside a key\"\n");
  EXPECT_THAT(run.err, HasSubstr("line 2: a value outside a key"));
  // A zero character would cut a name short, so that another value or key
  // took the change.
  using namespace std::string_literals;
  for (const std::string& line : {"\"x\0y\"=\"z\"\n"s, "[HKCU\\Software\\New\0Other]\n"s}) {
    run = Reg({"import", "-"},
              "Windows Registry Editor Version 5.00\n\n[HKCU\\Software\\New]\n" + line);
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr("line 4: a name may not hold a zero character"));
  }
  // Nor a line break, which no export could write back.
  for (const std::string& line : {"\"x\ry\"=\"z\"\n"s, "[HKCU\\Software\\New\rOther]\n"s}) {
    run = Reg({"import", "-"},
              "Windows Registry Editor Version 5.00\n\n[HKCU\\Software\\New]\n" + line);
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr("line 4: a name may not hold a line break"));
  }
  EXPECT_EQ(Reg({"query", "HKCU\\Software\\New"}).status, 1);
  // Nor is anything applied of a file that asks what the hive refuses.
  for (const auto& [tail, error] : std::vector<std::pair<std::string, std::string>>{
           {"[-HKEY_CURRENT_USER]\n", "line 5: HKEY_CURRENT_USER itself cannot be deleted"},
           {"[HKCU\\Software\\" + std::string(256, 'k') + "\\x]\n",
            "line 5: a key name is longer than 255 characters"},
           {"\"" + std::string(16384, 'v') + "\"=\"\"\n",
            "line 5: a value name is longer than 16383 characters"},
       }) {
    run =
        Reg({"import", "-"},
            "Windows Registry Editor Version 5.00\n\n[HKCU\\Software\\New]\n\"a\"=\"b\"\n" + tail);
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr(error));
  }
  EXPECT_EQ(Reg({"query", "HKCU\\Software\\New"}).status, 1);
  // Names at the limits are no fault.
  run = Reg({"import", "-"}, "Windows Registry Editor Version 5.00\n\n[HKCU\\Software\\" +
                                 std::string(255, 'k') + "]\n\"" + std::string(16383, 'v') +
                                 "\"=\"\"\n");
  EXPECT_EQ(run.status, 0) << run.err;
  // Nor may a name be empty, at the end of a path either.
  run = Reg({"import", "-"}, "Windows Registry Editor Version 5.00\n[HKCU\\Software\\App\\\\]\n");
  EXPECT_THAT(run.err, HasSubstr("line 2: 'HKCU\\Software\\App\\\\' has an empty key name in it"));
}

TEST_F(ScrivloRegTest, AReadOnlyFolderKeepsTheHiveAsItIs) {
  // No hive yet, and its folder may not be written: nothing is created.
  ASSERT_EQ(mkdir(home_.Folder().c_str(), 0755), 0);
  ASSERT_EQ(mkdir(home_.HiveFolder().c_str(), 0555), 0);
  GiveToUnprivileged(home_.Folder());
  ProgramRun run = Reg({"add", "HKCU\\Software\\T", "/v", "x", "/d", "new"}, "", true);
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.err, HasSubstr("cannot create the settings hive " + home_.HivePath() +
                                 ": Permission denied"));
  struct stat status {};
  EXPECT_NE(stat(home_.HivePath().c_str(), &status), 0);

  // A hive that exists in such a folder still reads, takes no writes, and
  // stays byte for byte as it was.
  ASSERT_EQ(chmod(home_.HiveFolder().c_str(), 0755), 0);
  ASSERT_EQ(Reg({"add", "HKCU\\Software\\T", "/v", "x", "/d", "old"}).status, 0);
  GiveToUnprivileged(home_.Folder());
  ASSERT_EQ(chmod(home_.HivePath().c_str(), 0444), 0);
  ASSERT_EQ(chmod(home_.HiveFolder().c_str(), 0555), 0);
  const std::string hive = ReadWholeFile(home_.HivePath());

  run = Reg({"query", "HKCU\\Software\\T", "/v", "x"}, "", true);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_THAT(run.out, HasSubstr("x    REG_SZ    old"));
  run = Reg({"add", "HKCU\\Software\\T", "/v", "x", "/d", "new", "/f"}, "", true);
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.err, HasSubstr("the settings hive " + home_.HivePath() +
                                 " is read-only; settings are not saved\n"));
  EXPECT_EQ(ReadWholeFile(home_.HivePath()), hive);
}

TEST_F(ScrivloRegTest, ChangesLeftInTheLogOfAHiveInAReadOnlyFolderAreNeverSkipped) {
  // The hive holds "old"; "new" is committed in its log, which this process
  // keeps open. Then the hive and its log alone sit in a folder the user may
  // not write to, where the log's index cannot be made.
  ASSERT_EQ(Reg({"add", "HKCU\\Software\\T", "/v", "x", "/d", "old"}).status, 0);
  Put(u"Software\\T", u"x", REG_SZ, Utf16Z("new"));
  ASSERT_GT(ReadWholeFile(home_.HivePath() + "-wal").size(), 0u);
  ScratchConfigHome copy;
  ASSERT_EQ(mkdir(copy.Folder().c_str(), 0755), 0);
  ASSERT_EQ(mkdir(copy.HiveFolder().c_str(), 0755), 0);
  for (const char* suffix : {"", "-wal"}) {
    WriteWholeFile(copy.HivePath() + suffix, ReadWholeFile(home_.HivePath() + suffix));
  }
  GiveToUnprivileged(copy.Folder());
  ASSERT_EQ(chmod(copy.HiveFolder().c_str(), 0555), 0);

  const ProgramRun run = Reg({"query", "HKCU\\Software\\T", "/v", "x"}, "", true);
  if (run.status == 0) {
    EXPECT_THAT(run.out, HasSubstr("x    REG_SZ    new"));
  } else {
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr("cannot open the settings hive " + copy.HivePath()));
  }
}

}  // namespace
