// The framework's registry class: key paths as it resolves them, typed reads
// and writes with its exceptions, and 8-bit strings through the code page.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/Registry.h"
#include "tests/support/ScratchHive.h"

using ::testing::ElementsAre;

namespace {

using Names = std::vector<std::string>;

// The message of the ERegistryException that `action` raises; "" if none.
template <typename Action>
std::string RaisedBy(Action action) {
  try {
    action();
  } catch (const ERegistryException& error) {
    return error.Message();
  }
  return "";
}

class RegistryTest : public ::testing::Test {
 protected:
  void SetRaw(const char16_t* key, const char16_t* name, DWORD type, std::vector<uint8_t> data) {
    HKEY handle = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                             &handle, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueEx(handle, name, 0, type, data.data(), static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
    RegCloseKey(handle);
  }

  ScratchConfigHome home_;
};

TEST_F(RegistryTest, PathsAreRelativeToTheOpenKeyOrWithABackslashToTheRoot) {
  TRegistry registry;
  EXPECT_EQ(registry.RootKey(), HKEY_CURRENT_USER);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(HKEY_CURRENT_USER) & 0xFFFFFFFF, 0x80000001u);
  EXPECT_EQ(registry.Access(), KEY_ALL_ACCESS);
  EXPECT_EQ(registry.CurrentKey(), nullptr);

  EXPECT_FALSE(registry.OpenKey("Software\\Corvane Software", false));  // not there yet
  ASSERT_TRUE(registry.OpenKey("Software\\Corvane Software", true));
  EXPECT_EQ(registry.CurrentPath(), "Software\\Corvane Software");
  ASSERT_TRUE(registry.OpenKey("Vemo\\Forms\\", true));
  EXPECT_EQ(registry.CurrentPath(), "Software\\Corvane Software\\Vemo\\Forms");
  EXPECT_TRUE(registry.KeyExists("\\Software\\corvane software\\VEMO"));
  EXPECT_FALSE(registry.KeyExists("Vemo"));  // relative: below Forms

  // A failed open leaves the open key as it was.
  const HKEY forms = registry.CurrentKey();
  EXPECT_FALSE(registry.OpenKey("\\Software\\Missing", false));
  EXPECT_EQ(registry.CurrentKey(), forms);
  EXPECT_FALSE(registry.OpenKey("a\\\\b", true));

  ASSERT_TRUE(registry.OpenKey("\\Software", false));
  EXPECT_EQ(registry.CurrentPath(), "Software");
  EXPECT_THAT(registry.GetKeyNames(), ElementsAre("Corvane Software"));
  registry.CloseKey();
  EXPECT_EQ(registry.CurrentKey(), nullptr);
  EXPECT_EQ(registry.CurrentPath(), "");
}

TEST_F(RegistryTest, ReadOnlyKeysTakeNoWritesAndLeaveAccessAsItWas) {
  TRegistry writer;
  ASSERT_TRUE(writer.OpenKey("Software\\App", true));
  writer.WriteInteger("port", 40000);

  TRegistry reader;
  ASSERT_TRUE(reader.OpenKeyReadOnly("Software\\App"));
  EXPECT_EQ(reader.ReadInteger("PORT"), 40000);
  EXPECT_EQ(RaisedBy([&] { reader.WriteInteger("port", 1); }), "Failed to set data for 'port'");
  EXPECT_FALSE(reader.DeleteValue("port"));
  // Nor does it delete: not a subkey, not the key's own values.
  ASSERT_TRUE(writer.OpenKey("Sub", true));
  EXPECT_FALSE(reader.DeleteKey("Sub"));
  EXPECT_FALSE(reader.DeleteKey(""));
  EXPECT_TRUE(reader.KeyExists("Sub"));
  ASSERT_TRUE(writer.OpenKey("\\Software\\App", false));
  EXPECT_EQ(reader.Access(), KEY_ALL_ACCESS);
  EXPECT_FALSE(reader.OpenKeyReadOnly("Software\\Nowhere"));
  EXPECT_EQ(writer.ReadInteger("port"), 40000);
}

TEST_F(RegistryTest, WrongTypesAndMissingValuesRaiseTheFrameworkTexts) {
  SetRaw(u"Software\\T", u"short text", REG_SZ, {'a', 0, 0, 0});
  SetRaw(u"Software\\T", u"long text", REG_SZ, {'a', 0, 'b', 0, 'c', 0, 0, 0});
  SetRaw(u"Software\\T", u"expand", REG_EXPAND_SZ, {'%', 0, 'X', 0, '%', 0, 0, 0});
  SetRaw(u"Software\\T", u"two bytes", REG_DWORD, {1, 0});
  SetRaw(u"Software\\T", u"odd", 0x77, {9, 8, 7});
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey("Software\\T", false));

  EXPECT_EQ(RaisedBy([&] { registry.ReadInteger("missing"); }), "Failed to get data for 'missing'");
  EXPECT_EQ(RaisedBy([&] { registry.ReadInteger("short text"); }),
            "Invalid data type for 'short text'");
  EXPECT_EQ(RaisedBy([&] { registry.ReadInteger("long text"); }),
            "Failed to get data for 'long text'");  // does not fit an integer's 4 bytes
  EXPECT_EQ(RaisedBy([&] { registry.ReadInteger("two bytes"); }),
            "Invalid data type for 'two bytes'");
  registry.WriteInteger("int", -5);
  EXPECT_EQ(registry.ReadInteger("int"), -5);
  EXPECT_EQ(RaisedBy([&] { registry.ReadString("int"); }), "Invalid data type for 'int'");

  EXPECT_EQ(registry.ReadString("long text"), "abc");
  EXPECT_EQ(registry.ReadString("expand"), "%X%");
  EXPECT_EQ(registry.ReadString("missing"), "");
  EXPECT_EQ(registry.GetDataType("expand"), rdExpandString);
  EXPECT_EQ(registry.GetDataType("odd"), rdUnknown);
  EXPECT_EQ(registry.GetDataSize("odd"), 3);
  EXPECT_EQ(registry.GetDataSize("missing"), -1);
  EXPECT_FALSE(registry.ValueExists("missing"));
  EXPECT_TRUE(registry.ValueExists("EXPAND"));

  // Binary data: a block larger than the buffer is refused, the buffer untouched.
  const double half = 1.5;
  registry.WriteBinaryData("float", &half, sizeof half);
  uint8_t bytes[8] = {};
  EXPECT_EQ(registry.ReadBinaryData("float", bytes, 8), 8);
  EXPECT_THAT(bytes, ElementsAre(0, 0, 0, 0, 0, 0, 0xF8, 0x3F));
  std::memset(bytes, 0x55, sizeof bytes);
  EXPECT_EQ(RaisedBy([&] { registry.ReadBinaryData("float", bytes, 7); }),
            "Invalid data type for 'float'");
  EXPECT_THAT(bytes, ElementsAre(0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55));
  EXPECT_EQ(registry.ReadBinaryData("odd", bytes, 8), 3);
  EXPECT_EQ(RaisedBy([&] { registry.ReadBinaryData("int", bytes, 8); }),
            "Invalid data type for 'int'");
  EXPECT_EQ(registry.ReadBinaryData("missing", bytes, 8), 0);

  // With no key open, writes fail as writes.
  registry.CloseKey();
  EXPECT_EQ(RaisedBy([&] { registry.WriteString("x", "y"); }), "Failed to set data for 'x'");
}

TEST_F(RegistryTest, StringsAndNamesGoThroughTheCodePageWithoutLosingTheRest) {
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey("Software\\Größe", true));
  registry.WriteString("Grüße 𝄞", "Zoë — 𝄞");
  EXPECT_EQ(registry.ReadString("GRÜßE 𝄞"), "Zoë — 𝄞");
  EXPECT_THAT(registry.GetValueNames(), ElementsAre("Grüße 𝄞"));

  // Bytes that are not UTF-8 become U+FFFD each; what follows them stays.
  registry.WriteString("broken", std::string("a\xFF"
                                             "b\xC3"
                                             "c\xE2\x82",
                                             7) +
                                     "d");
  EXPECT_EQ(registry.ReadString("broken"), "a\uFFFDb\uFFFDc\uFFFDd");
  EXPECT_EQ(registry.GetDataSize("broken"), 8 * 2);  // 7 UTF-16 units and the zero

  // Stored UTF-16 that is not valid (a lone surrogate) reads the same way.
  SetRaw(u"Software\\Größe", u"lone", REG_SZ, {'x', 0, 0x00, 0xD8, 'y', 0, 0, 0});
  EXPECT_EQ(registry.ReadString("lone"), "x\uFFFDy");
  EXPECT_FALSE(registry.KeyExists("\\SOFTWARE\\GRÖSSE"));  // ß has no one-letter capital
  EXPECT_TRUE(registry.KeyExists("\\SOFTWARE\\GRÖßE"));
}

TEST_F(RegistryTest, DeleteKeyTakesTheWholeTreeButNeverTheRoot) {
  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey("Software\\Tree\\a\\b", true));
  registry.WriteInteger("deep", 1);
  ASSERT_TRUE(registry.OpenKey("\\Software\\Keep", true));
  registry.WriteInteger("kept", 2);
  registry.CloseKey();

  EXPECT_FALSE(registry.DeleteKey(""));  // would be all of HKEY_CURRENT_USER
  EXPECT_FALSE(registry.DeleteKey("\\"));
  EXPECT_TRUE(registry.KeyExists("Software\\Tree\\a\\b"));

  ASSERT_TRUE(registry.OpenKey("Software", false));
  EXPECT_TRUE(registry.DeleteKey("tree"));
  EXPECT_FALSE(registry.KeyExists("Tree"));
  EXPECT_FALSE(registry.DeleteKey("Tree"));
  EXPECT_THAT(registry.GetKeyNames(), ElementsAre("Keep"));

  // The open key itself, by an empty path.
  ASSERT_TRUE(registry.OpenKey("Keep", false));
  EXPECT_TRUE(registry.DeleteKey(""));
  EXPECT_FALSE(registry.KeyExists("\\Software\\Keep"));
}

}  // namespace
