// The folder browse dialog, driven through its real modal loop: a stand-in
// user answers the open browser from inside that loop. Placement and
// preselection with and without a start folder, what comes back on confirm
// and on cancel, which folders can be confirmed, start folders and choices
// too long for the platform's buffer, and a browser whose component or owner
// is destroyed while it is open.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QDir>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <string>

#include "components/BrowseFolderDlg.h"
#include "framework/Application.h"
#include "framework/Form.h"
#include "framework/Registration.h"
#include "framework/Screen.h"
#include "platform/shell/FolderBrowserAnswerer.h"
#include "platform/shell/ShlObj.h"

namespace fs = std::filesystem;

namespace {

// What the stand-in user saw of the open browser.
struct Seen {
  int answers = 0;
  std::string title;
  std::string selected;
  RECT rect{};
  HWND owner = nullptr;
  bool modal = false;
  void Record(TFolderBrowserView& view) {
    ++answers;
    title = view.Title();
    selected = view.SelectedFolder();
    rect = view.WindowRect();
    owner = view.Owner();
    modal = view.Modal();
  }
  int Width() const { return rect.right - rect.left; }
  int Height() const { return rect.bottom - rect.top; }
};

class BrowseFolderDlgTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Qt's chooser keeps its settings in the user's configuration: a
    // scratch one for these tests.
    char config[] = "/tmp/scrivlo-browse-config-XXXXXX";
    ASSERT_NE(mkdtemp(config), nullptr);
    setenv("XDG_CONFIG_HOME", config, 1);
  }

  void SetUp() override {
    char root[] = "/tmp/scrivlo-browse-XXXXXX";
    ASSERT_NE(mkdtemp(root), nullptr);
    root_ = root;
    fs::create_directory(root_ + "/alpha");
    fs::create_directory(root_ + "/beta");
    std::ofstream(root_ + "/file.txt") << "not a folder";
    // Should an answer never close a browser, fail rather than wait for good.
    watchdog_.setSingleShot(true);
    watchdog_.callOnTimeout([] {
      ADD_FAILURE() << "a browser was still open";
      if (QWidget* open = QApplication::activeModalWidget()) open->close();
    });
    watchdog_.start(30000);
  }

  void TearDown() override {
    watchdog_.stop();
    SetFolderBrowserAnswerer({});
    EXPECT_EQ(ShellBlocksInUse(), 0);  // every item list freed
    fs::remove_all(root_);
  }

  // An owner form shown at `left`, `top`.
  static TForm* ShowForm(int left, int top) {
    auto* form = new TForm(nullptr);
    form->SetBounds(left, top, 300, 200);
    form->Show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form->Widget()));
    return form;
  }

  std::string root_;
  QTimer watchdog_;
};

TEST_F(BrowseFolderDlgTest, AStartFolderCentresTheBrowserAndIsSelectedAndAChoiceComesBack) {
  TForm* form = ShowForm(20, 20);
  auto* dialog = new TBrowseFolderDlg(form);  // the form's to destroy
  dialog->SetWindowText("Where do the captures go?");
  dialog->SetFolderName(root_ + "/alpha/");
  Seen seen;
  SetFolderBrowserAnswerer([&](TFolderBrowserView& view) {
    seen.Record(view);
    EXPECT_TRUE(view.Choose(root_ + "/beta"));
  });
  EXPECT_TRUE(dialog->Execute(form->Handle()));
  EXPECT_EQ(dialog->FolderName(), root_ + "/beta");
  EXPECT_EQ(seen.answers, 1);
  EXPECT_EQ(seen.title, "Where do the captures go?");
  EXPECT_EQ(seen.selected, root_ + "/alpha");
  EXPECT_EQ(seen.owner, form->Handle());
  EXPECT_TRUE(seen.modal);
  ASSERT_GT(seen.Width(), 0);
  EXPECT_EQ(seen.rect.left, static_cast<int>(Screen->Width() * 0.5 - seen.Width() * 0.5));
  EXPECT_EQ(seen.rect.top, static_cast<int>(Screen->Height() * 0.5 - seen.Height() * 0.5));
  TComponent::Free(form);
}

TEST_F(BrowseFolderDlgTest, WithoutAStartFolderTheBrowserOpensAtHomeWhereItIsPlaced) {
  const int screenWidth = Screen->Width();
  TForm* form = ShowForm(screenWidth - 300, Screen->Height() - 200);
  auto* dialog = new TBrowseFolderDlg(form);  // the form's to destroy
  Seen seen;
  SetFolderBrowserAnswerer([&](TFolderBrowserView& view) {
    seen.Record(view);
    EXPECT_TRUE(view.Choose(root_ + "/alpha"));
  });
  EXPECT_TRUE(dialog->Execute(form->Handle()));
  EXPECT_EQ(dialog->FolderName(), root_ + "/alpha");
  EXPECT_EQ(seen.selected, QDir::cleanPath(QDir::homePath()).toStdString());
  // Placed over its owner in the screen's corner, not centred on the screen.
  ASSERT_LT(seen.Width(), screenWidth);
  EXPECT_NE(seen.rect.left, static_cast<int>(screenWidth * 0.5 - seen.Width() * 0.5));
  EXPECT_EQ(seen.title, "Browse For Folder");  // the title when none is given
  TComponent::Free(form);
}

TEST_F(BrowseFolderDlgTest, CancelGivesFalseAndKeepsTheFolderAndANullOwnerIsTheApplication) {
  TBrowseFolderDlg dialog(nullptr);
  dialog.SetFolderName(root_ + "/alpha");
  Seen seen;
  SetFolderBrowserAnswerer([&](TFolderBrowserView& view) {
    seen.Record(view);
    view.Cancel();
  });
  EXPECT_FALSE(dialog.Execute(nullptr));
  EXPECT_EQ(dialog.FolderName(), root_ + "/alpha");
  EXPECT_EQ(seen.answers, 1);
  EXPECT_EQ(seen.owner, Application->Handle());
  EXPECT_TRUE(seen.modal);

  // Closing the browser without choosing is a cancel as well.
  SetFolderBrowserAnswerer([&](TFolderBrowserView& view) { seen.Record(view); });
  EXPECT_FALSE(dialog.Execute(nullptr));
  EXPECT_EQ(dialog.FolderName(), root_ + "/alpha");
  EXPECT_EQ(seen.answers, 2);
}

TEST_F(BrowseFolderDlgTest, OnlyAnExistingFolderCanBeConfirmed) {
  TBrowseFolderDlg dialog(nullptr);
  SetFolderBrowserAnswerer([&](TFolderBrowserView& view) {
    EXPECT_FALSE(view.Choose(root_ + "/missing"));
    EXPECT_FALSE(view.Choose(root_ + "/file.txt"));
    EXPECT_TRUE(view.Choose(root_ + "/beta"));
  });
  EXPECT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.FolderName(), root_ + "/beta");
}

TEST_F(BrowseFolderDlgTest, StartFoldersAndChoicesLongerThanTheBufferAreNotOverflowed) {
  // A folder whose path is exactly 259 bytes, with a folder inside it.
  const size_t spare = MAX_PATH - 1 - root_.size() - 2;
  const std::string fits =
      root_ + "/" + std::string(spare / 2, 'a') + "/" + std::string(spare - spare / 2, 'b');
  ASSERT_EQ(fits.size(), static_cast<size_t>(MAX_PATH - 1));
  const std::string inside = fits + "/" + std::string(40, 'c');
  fs::create_directories(inside);

  TBrowseFolderDlg dialog(nullptr);
  dialog.SetFolderName(inside);
  Seen seen;
  SetFolderBrowserAnswerer([&](TFolderBrowserView& view) {
    seen.Record(view);
    // Its path does not fit the buffer: confirmed, but not reported.
    EXPECT_TRUE(view.Choose(inside));
  });
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(seen.selected, fits);  // the start folder cut to 259 bytes
  EXPECT_EQ(dialog.FolderName(), inside);

  SetFolderBrowserAnswerer([&](TFolderBrowserView& view) { EXPECT_TRUE(view.Choose(fits)); });
  dialog.SetFolderName(std::string(5000, '/'));
  EXPECT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.FolderName(), fits);
}

TEST_F(BrowseFolderDlgTest, TheComponentOrItsOwnerMayGoWhileTheBrowserIsOpen) {
  TForm* form = ShowForm(20, 20);
  auto* dialog = new TBrowseFolderDlg(form);
  SetFolderBrowserAnswerer([&](TFolderBrowserView& view) {
    TComponent::Free(dialog);
    EXPECT_TRUE(view.Choose(root_ + "/alpha"));
  });
  EXPECT_FALSE(dialog->Execute(form->Handle()));

  TBrowseFolderDlg kept(nullptr);
  kept.SetFolderName(root_ + "/beta");
  SetFolderBrowserAnswerer([&](TFolderBrowserView&) { TComponent::Free(form); });
  EXPECT_FALSE(kept.Execute(form->Handle()));
  EXPECT_EQ(kept.FolderName(), root_ + "/beta");
}

TEST(BrowseFolderDlg, RegisteredOnTheCorvanePage) {
  BrowseFolderDlg::Register();
  TComponent owner(nullptr);
  auto* made =
      dynamic_cast<TBrowseFolderDlg*>(CreateRegisteredComponent("TBrowseFolderDlg", &owner));
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->FolderName(), "");
  EXPECT_EQ(made->WindowText(), "");
  bool onCorvane = false;
  for (const auto& entry : RegisteredComponents())
    onCorvane |= entry.page == "Corvane" && entry.className == "TBrowseFolderDlg";
  EXPECT_TRUE(onCorvane);
}

}  // namespace
