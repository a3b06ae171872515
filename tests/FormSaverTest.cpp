// The registry form saver: its key, the value store's types and failed
// reads, form state with the screen rules, list views and page controls.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTest>
#include <climits>
#include <cmath>
#include <optional>
#include <vector>

#include "components/FormSaver1.h"
#include "framework/Form.h"
#include "framework/ListView.h"
#include "framework/PageControl.h"
#include "framework/Registration.h"
#include "framework/Registry.h"
#include "framework/Screen.h"
#include "platform/user/WidgetWindows.h"
#include "tests/support/EventPump.h"
#include "tests/support/ScratchHive.h"

using ::testing::ElementsAre;

namespace {

using Bytes = std::vector<uint8_t>;

const char kFormKey[] = "Software\\Corvane Software\\Vemo\\Forms\\FormMain";

class FormSaverTest : public ::testing::Test {
 protected:
  FormSaverTest() : form_(nullptr), saver_(new TRegistryFormSaver(&form_)) {
    form_.SetName("FormMain");
    saver_->SetRegistryKey("Software\\Corvane Software\\Vemo\\");
  }

  // A REG_BINARY value of the form key as stored; empty when it is none.
  static Bytes StoredBinary(const std::string& name) {
    TRegistry registry;
    if (!registry.OpenKeyReadOnly(kFormKey) || registry.GetDataType(name) != rdBinary) return {};
    Bytes bytes(static_cast<size_t>(registry.GetDataSize(name)));
    registry.ReadBinaryData(name, bytes.data(), static_cast<int>(bytes.size()));
    return bytes;
  }
  // A REG_DWORD value; none when it is missing or of another type.
  static std::optional<int> StoredInteger(const std::string& name,
                                          const std::string& key = kFormKey) {
    TRegistry registry;
    if (!registry.OpenKeyReadOnly(key) || registry.GetDataType(name) != rdInteger) return {};
    return registry.ReadInteger(name);
  }
  static void Put(const std::string& name, DWORD type, const Bytes& data) {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(kFormKey, true));
    const std::u16string wideName(name.begin(), name.end());
    ASSERT_EQ(RegSetValueEx(registry.CurrentKey(), wideName.c_str(), 0, type, data.data(),
                            static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
  }
  static void PutInteger(const std::string& name, int value, const std::string& key = kFormKey) {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(key, true));
    registry.WriteInteger(name, value);
  }

  ScratchConfigHome home_;
  TForm form_;
  TRegistryFormSaver* saver_;
};

TEST_F(FormSaverTest, TheKeyLosesOneTrailingBackslashAndNeedsAFormAndAName) {
  EXPECT_EQ(saver_->RegistryKey(), "Software\\Corvane Software\\Vemo");
  EXPECT_EQ(saver_->GetFormRegistryKey(), kFormKey);
  saver_->SetRegistryKey("Twice\\\\");
  EXPECT_EQ(saver_->RegistryKey(), "Twice\\");

  // Nothing opens, nothing is written, and the hive is not even created.
  saver_->SetRegistryKey("");
  EXPECT_FALSE(saver_->OpenRegistry());
  form_.SetLeft(-5000);
  saver_->Save();
  saver_->Load();
  EXPECT_EQ(form_.Left(), -5000);
  TComponent notAForm(nullptr);
  TRegistryFormSaver orphan(&notAForm);
  orphan.SetRegistryKey("Software\\Orphan");
  EXPECT_FALSE(orphan.OpenRegistry());
  orphan.Save();
  orphan.Load();
  struct stat info;
  EXPECT_NE(stat(home_.HivePath().c_str(), &info), 0);
  // A value operation with no key open is refused, not run on nothing.
  int value = 0;
  EXPECT_THROW(orphan.ReadInteger("x", value), EAssertionFailed);
  EXPECT_THROW(saver_->SaveInteger("x", 1), EAssertionFailed);

  saver_->SetRegistryKey("Software\\Corvane Software\\Vemo");
  ASSERT_TRUE(saver_->OpenRegistry());
  EXPECT_TRUE(saver_->OpenRegistry());  // already open: stays so
  saver_->CloseRegistry();
  EXPECT_TRUE(TRegistry().KeyExists(kFormKey));
}

TEST_F(FormSaverTest, ValuesKeepTheirTypesAndAFailedReadChangesNothing) {
  ASSERT_TRUE(saver_->OpenRegistry());
  saver_->SaveFloat("ratio", 1.5f);
  saver_->SaveInteger("port", -40000);
  saver_->SaveBool("fixedIp", true);
  saver_->SaveString("ipaddress", "Zoë \xFF!");
  const uint8_t block[5] = {1, 2, 0, 4, 5};
  saver_->SaveBinary("block", block, 5);
  EXPECT_THROW(saver_->SaveBinary("bad", block, -1), ERegistryException);
  saver_->CloseRegistry();
  EXPECT_EQ(StoredBinary("ratio"), (Bytes{0, 0, 0, 0, 0, 0, 0xF8, 0x3F}));
  EXPECT_EQ(StoredInteger("fixedIp"), 1);
  Put("two", REG_DWORD, {2, 0, 0, 0});
  Put("short", REG_BINARY, {0, 0, 0xC0, 0x3F});
  Put("huge", REG_BINARY, {0, 0, 0, 0, 0, 0, 0xF0, 0x6F});  // 2^768 as a double
  Put("expand", REG_EXPAND_SZ, {'%', 0, 'H', 0, '%', 0, 0, 0});

  ASSERT_TRUE(saver_->OpenRegistry());
  int number = 7;
  float real = 7;
  bool flag = false;
  std::string text = "kept";
  EXPECT_TRUE(saver_->ReadInteger("PORT", number));
  EXPECT_EQ(number, -40000);
  EXPECT_TRUE(saver_->ReadFloat("ratio", real));
  EXPECT_EQ(real, 1.5f);
  EXPECT_TRUE(saver_->ReadBool("two", flag));
  EXPECT_TRUE(flag);
  EXPECT_TRUE(saver_->ReadString("ipaddress", text));
  EXPECT_EQ(text, "Zoë \uFFFD!");  // the broken byte alone is replaced
  EXPECT_TRUE(saver_->ReadString("expand", text));
  EXPECT_EQ(text, "%H%");
  EXPECT_TRUE(saver_->ReadFloat("huge", real));
  EXPECT_TRUE(std::isinf(real) && real > 0);

  // Missing, or of another type or size: false, and the output as it was.
  number = 7, real = 7, flag = false, text = "kept";
  for (const char* name : {"missing", "ipaddress", "ratio"})
    EXPECT_FALSE(saver_->ReadInteger(name, number)) << name;
  for (const char* name : {"missing", "ipaddress", "short", "port"})
    EXPECT_FALSE(saver_->ReadFloat(name, real)) << name;
  for (const char* name : {"missing", "ipaddress"})
    EXPECT_FALSE(saver_->ReadBool(name, flag)) << name;
  for (const char* name : {"missing", "port", "block"})
    EXPECT_FALSE(saver_->ReadString(name, text)) << name;
  EXPECT_EQ(number, 7);
  EXPECT_EQ(real, 7);
  EXPECT_FALSE(flag);
  EXPECT_EQ(text, "kept");

  // A block larger than the buffer reads nothing at all.
  uint8_t buffer[8] = {9, 9, 9, 9, 9, 9, 9, 9};
  int size = 4;
  EXPECT_FALSE(saver_->ReadBinary("block", buffer, size));
  EXPECT_FALSE(saver_->ReadBinary("port", buffer, size));
  EXPECT_EQ(size, 4);
  EXPECT_THAT(buffer, ElementsAre(9, 9, 9, 9, 9, 9, 9, 9));
  size = 8;
  EXPECT_TRUE(saver_->ReadBinary("block", buffer, size));
  EXPECT_EQ(size, 5);
  EXPECT_THAT(buffer, ElementsAre(1, 2, 0, 4, 5, 9, 9, 9));
}

TEST_F(FormSaverTest, AMaximisedFormKeepsItsNormalRectangle) {
  saver_->SetSaveSize(true);
  form_.SetBounds(40, 30, 300, 200);
  form_.Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form_.Widget()));
  const TRect normal = form_.BoundsRect();  // the frame included, now that it is known
  form_.SetWindowState(wsMaximized);
  ASSERT_TRUE(PumpUntil([&] { return form_.Widget()->width() > 300; }));
  saver_->Save();
  EXPECT_EQ(StoredInteger("Width"), normal.Width());
  EXPECT_EQ(StoredInteger("Height"), normal.Height());
  EXPECT_EQ(StoredInteger("Left"), 40);
  EXPECT_EQ(StoredInteger("Top"), 30);
  EXPECT_EQ(StoredInteger("FormState"), 2);
  int value = 0;
  EXPECT_THROW(saver_->ReadInteger("Width", value), EAssertionFailed);  // closed again

  TForm again(nullptr);
  again.SetName("FormMain");
  auto* loader = new TRegistryFormSaver(&again);
  loader->SetRegistryKey("Software\\Corvane Software\\Vemo");
  loader->SetSaveSize(true);
  loader->Load();
  EXPECT_EQ(again.BoundsRect(), normal);
  EXPECT_EQ(again.WindowState(), wsMaximized);
  again.Show();
  ASSERT_TRUE(PumpUntil([&] { return again.Widget()->width() > normal.Width() + 10; }));
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  ASSERT_TRUE(GetWindowPlacement(again.Handle(), &placement));
  EXPECT_EQ(placement.showCmd, SW_SHOWMAXIMIZED);
  EXPECT_EQ(placement.rcNormalPosition.left, 40);
  EXPECT_EQ(placement.rcNormalPosition.top, 30);

  // A dialog's size is its design's: neither written nor read.
  PutInteger("Width", 999);
  again.SetBorderStyle(bsDialog);
  const int width = again.Width();
  loader->Load();
  EXPECT_EQ(again.Width(), width);
  ASSERT_TRUE(TRegistry().DeleteKey(kFormKey));
  loader->Save();
  EXPECT_EQ(StoredInteger("Width"), std::nullopt);
  EXPECT_EQ(StoredInteger("Left"), 40);
}

TEST_F(FormSaverTest, LoadCentresAnUnplacedFormAndKeepsEveryFormOnTheScreen) {
  const TRect area = Screen->WorkAreaRect();
  ASSERT_GT(area.Width(), 200);
  form_.SetBounds(-3000, 5, 200, 100);
  saver_->SetSavePosition(false);
  saver_->Load();  // creates the key, restores nothing: centred
  EXPECT_EQ(form_.BoundsRect(), Bounds(area.Left + (area.Width() - 200) / 2,
                                       area.Top + (area.Height() - 100) / 2, 200, 100));

  saver_->SetSavePosition(true);
  saver_->SetSaveSize(true);
  struct Case {
    int left, top, width;
    TPoint expected;
  };
  const int centreX = area.Left + (area.Width() - 200) / 2;
  const int centreY = area.Top + (area.Height() - 100) / 2;
  for (const Case& c : std::vector<Case>{
           {area.Right - 150, area.Top, 200, {centreX, area.Top}},     // beyond the right edge
           {INT_MAX, INT_MAX, 200, {centreX, centreY}},                // without overflowing
           {INT_MIN, area.Top + 10, 200, {area.Left, area.Top + 10}},  // left of the desktop
           {area.Left,
            area.Top,
            area.Width() + 50,
            {area.Left, area.Top}},  // wider than the screen
       }) {
    PutInteger("Left", c.left);
    PutInteger("Top", c.top);
    PutInteger("Width", c.width);
    saver_->Load();
    EXPECT_EQ(TPoint({form_.Left(), form_.Top()}), c.expected) << c.left << "," << c.top;
  }
  // A damaged size or state asks for no giant window and no unknown state.
  PutInteger("Width", INT_MAX);
  PutInteger("FormState", 0x107);
  saver_->Load();
  EXPECT_LE(form_.Width(), Screen->DesktopRect().Width());
  EXPECT_EQ(form_.WindowState(), wsNormal);

  // A value of another type ends Load with the registry closed, unplaced.
  Put("Top", REG_SZ, {'1', 0, 0, 0});
  form_.SetLeft(-4000);
  EXPECT_THROW(saver_->Load(), ERegistryException);
  EXPECT_EQ(form_.Left(), -4000);
  int value = 0;
  EXPECT_THROW(saver_->ReadInteger("Left", value), EAssertionFailed);
}

TEST_F(FormSaverTest, AnUnusableHiveRestoresNothingButStillKeepsTheFormOnScreen) {
  ASSERT_EQ(system(("mkdir -p '" + home_.HiveFolder() + "'").c_str()), 0);
  const std::string garbage(4096, 'x');
  WriteWholeFile(home_.HivePath(), garbage);
  form_.SetBounds(-4000, 10, 200, 100);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(saver_->OpenRegistry());
  saver_->Load();
  saver_->Save();
  EXPECT_THAT(testing::internal::GetCapturedStderr(), testing::HasSubstr("not a settings hive"));
  EXPECT_EQ(form_.Left(), Screen->WorkAreaRect().Left);
  EXPECT_EQ(ReadWholeFile(home_.HivePath()), garbage);
}

// A form with a list view and a page control, one more list view on a
// panel it owns, and a free-standing form it owns whose list view is not
// its own business.
struct FormWithLists {
  explicit FormWithLists(TForm& form)
      : list(new TListView(&form)),
        pages(new TPageControl(&form)),
        holder(new TComponent(&form)),
        inner(new TListView(holder)),
        dialog(new TForm(&form)),
        foreign(new TListView(dialog)) {
    list->SetName("ListView1");
    pages->SetName("Pages");
    inner->SetName("Inner");
    foreign->SetName("Foreign");
    list->SetParent(&form);
    pages->SetParent(&form);
    for (int width : {40, 50, 60})
      list->Columns()->Add()->SetWidth(width);
    inner->Columns()->Add()->SetWidth(33);
    foreign->Columns()->Add()->SetWidth(44);
    for (int i = 0; i < 3; ++i)
      (new TTabSheet(&form))->SetPageControl(pages);
  }
  TListView* list;
  TPageControl* pages;
  TComponent* holder;
  TListView* inner;
  TForm* dialog;
  TListView* foreign;
};

TEST_F(FormSaverTest, ListViewsAndPageControlsHaveSubkeysOfTheirOwn) {
  FormWithLists parts(form_);
  parts.pages->SetActivePageIndex(2);
  saver_->SetSaveListViews(true);
  saver_->SetSavePageControls(true);
  saver_->Save();
  const std::string lists = std::string(kFormKey) + "\\Lists\\";
  const std::string key = lists + "ListView1";
  const std::string pageKey = std::string(kFormKey) + "\\PageControls\\Pages";
  EXPECT_EQ(StoredInteger("ColumnCount", key), 3);
  EXPECT_EQ(StoredInteger("Column2", key), 60);
  EXPECT_EQ(StoredInteger("Column0", lists + "Inner"), 33);  // on a component the form owns
  EXPECT_FALSE(TRegistry().KeyExists(lists + "Foreign"));    // on a free-standing form
  EXPECT_EQ(StoredInteger("PageIndex", pageKey), 2);

  // More stored columns than the list view has: as many as it has; fewer:
  // the rest keep their widths. Auto-sizing goes for the columns set.
  PutInteger("ColumnCount", 5, key);
  PutInteger("Column0", 11, key);
  PutInteger("Column1", 12, key);
  PutInteger("Column2", 13, key);
  parts.list->Column(0)->SetAutoSize(true);
  EXPECT_TRUE(saver_->LoadListViewColumns(parts.list));
  EXPECT_FALSE(parts.list->Column(0)->AutoSize());
  EXPECT_EQ(parts.list->Column(0)->Width(), 11);
  EXPECT_EQ(parts.list->Column(2)->Width(), 13);
  PutInteger("ColumnCount", 2, key);
  parts.list->Column(2)->SetWidth(70);
  EXPECT_TRUE(saver_->LoadListViewColumns(parts.list));
  EXPECT_EQ(parts.list->Column(2)->Width(), 70);
  // An index at or past the page count is not applied.
  PutInteger("PageIndex", 3, pageKey);
  EXPECT_TRUE(saver_->LoadPageControl(parts.pages));
  EXPECT_EQ(parts.pages->ActivePageIndex(), 2);
  EXPECT_FALSE(saver_->LoadListViewColumns(parts.foreign));  // never saved

  // With the key held open, a load that fails halfway still returns to the
  // form key, so the owner's next value lands where it belongs; the columns
  // set before the failure keep their widths.
  PutInteger("ColumnCount", 3, key);
  PutInteger("Column0", 21, key);
  {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(key, false));
    ASSERT_TRUE(registry.DeleteValue("Column1"));
  }
  ASSERT_TRUE(saver_->OpenRegistry());
  EXPECT_FALSE(saver_->LoadListViewColumns(parts.list));
  EXPECT_EQ(parts.list->Column(0)->Width(), 21);
  EXPECT_EQ(parts.list->Column(2)->Width(), 70);
  saver_->SaveInteger("after", 1);
  saver_->CloseRegistry();
  EXPECT_EQ(StoredInteger("after"), 1);
}

TEST(FormSaverRegistration, OnlyTheRegistrySaverGoesOnThePalette) {
  FormSaver1::Register();
  std::vector<std::string> classes;
  for (const TRegisteredComponent& entry : RegisteredComponents()) {
    if (entry.page == "Corvane") classes.push_back(entry.className);
  }
  EXPECT_THAT(classes, ElementsAre("TRegistryFormSaver"));
  TForm form(nullptr);
  auto* saver =
      dynamic_cast<TRegistryFormSaver*>(CreateRegisteredComponent("TRegistryFormSaver", &form));
  ASSERT_NE(saver, nullptr);
  EXPECT_EQ(saver->Owner(), &form);
  EXPECT_TRUE(saver->SavePosition());
  EXPECT_FALSE(saver->SaveSize() || saver->SaveListViews() || saver->SavePageControls());
  EXPECT_EQ(saver->RegistryKey(), "");
}

}  // namespace
