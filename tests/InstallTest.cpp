// cmake --install into a scratch prefix, and the installed programs run from
// there: they find the visual-styles library through their run path.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <QImage>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "tests/support/GalleryPlaces.h"

namespace {

int RunCommand(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool Exists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
}

class InstallTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    char folder[] = "/tmp/scrivlo-install-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    prefix_ = folder;
    ASSERT_EQ(RunCommand(std::string(CMAKE_COMMAND) + " --install " SCRIVLO_BUILD_DIR " --prefix " +
                         prefix_ + " > " + prefix_ + "/install.log 2>&1"),
              0)
        << "see " << prefix_ << "/install.log";
  }
  static void TearDownTestSuite() { RunCommand("rm -rf " + prefix_); }

  // The gallery's picture from the installed program: its visual-styles half
  // and its classic half differ only when it found the library.
  static bool GalleryShowsVisualStyles() {
    const std::string shot = prefix_ + "/gallery.png";
    EXPECT_EQ(RunCommand("env -u LD_LIBRARY_PATH " + prefix_ +
                         "/bin/scrivlo-gallery --screenshot " + shot + " 2>/dev/null"),
              0);
    QImage image;
    EXPECT_TRUE(image.load(QString::fromStdString(shot), "PNG"));
    if (image.isNull()) return false;
    // The drop-down's arrow button in each half.
    const QRect themed = GalleryPlace(image, QStringLiteral("themed/Form drop-down"));
    const QRect classic = GalleryPlace(image, QStringLiteral("classic/Form drop-down"));
    EXPECT_FALSE(themed.isEmpty());
    EXPECT_FALSE(classic.isEmpty());
    const QSize arrow(20, 21);
    return image.copy(QRect(themed.topLeft() + QPoint(150, 31), arrow)) !=
           image.copy(QRect(classic.topLeft() + QPoint(150, 31), arrow));
  }

  static std::string prefix_;
};

std::string InstallTest::prefix_;

TEST_F(InstallTest, ProgramsRunFromThePrefixAndFindTheVisualStylesLibrary) {
  std::istringstream programs(SCRIVLO_INSTALLED_PROGRAMS);
  std::string program;
  int count = 0;
  while (std::getline(programs, program, ',')) {
    ++count;
    EXPECT_EQ(RunCommand(prefix_ + "/bin/" + program + " --help > /dev/null 2>&1"), 0) << program;
  }
  EXPECT_GE(count, 4);
  const std::string library = prefix_ + "/" SCRIVLO_INSTALL_LIBRARY_DIR "/libscrivlo-uxtheme.so";
  ASSERT_TRUE(Exists(library));
  EXPECT_TRUE(GalleryShowsVisualStyles());
  // Without the library the same program falls back to the classic look:
  // what tells the two apart above is the library being found.
  ASSERT_EQ(std::rename(library.c_str(), (library + ".away").c_str()), 0);
  EXPECT_FALSE(GalleryShowsVisualStyles());
  ASSERT_EQ(std::rename((library + ".away").c_str(), library.c_str()), 0);
}

TEST_F(InstallTest, TheDesktopEntryIsValidAndTheIconIsInTheTheme) {
  const std::string entry = prefix_ + "/share/applications/scrivlo-server.desktop";
  ASSERT_TRUE(Exists(entry));
  EXPECT_EQ(RunCommand("desktop-file-validate " + entry), 0)
      << "desktop-file-validate (desktop-file-utils, see scripts/install-deps) rejects it";
  for (int size : {16, 32, 48}) {
    const std::string icon = prefix_ + "/share/icons/hicolor/" + std::to_string(size) + "x" +
                             std::to_string(size) + "/apps/scrivlo-server.png";
    QImage image;
    ASSERT_TRUE(image.load(QString::fromStdString(icon), "PNG")) << icon;
    EXPECT_EQ(image.size(), QSize(size, size));
  }
}

}  // namespace
