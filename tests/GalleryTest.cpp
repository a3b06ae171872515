// scrivlo-gallery as a user runs it: the off-screen screenshot holds both
// looks side by side, the drop-down's pop-up open in each.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QImage>
#include <cstdlib>
#include <string>

#include "framework/Colors.h"
#include "tests/support/Pixels.h"

namespace {

int RunGallery(const std::string& arguments) {
  const int status = std::system((std::string(SCRIVLO_GALLERY_PATH) + " " + arguments).c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class GalleryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char folder[] = "/tmp/scrivlo-gallery-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    folder_ = folder;
  }
  void TearDown() override { std::system(("rm -rf " + folder_).c_str()); }
  std::string folder_;
};

TEST_F(GalleryTest, TheScreenshotShowsBothLooksWithThePopupOpen) {
  const std::string path = folder_ + "/gallery.png";
  ASSERT_EQ(RunGallery("--screenshot " + path + " 2>/dev/null"), 0);
  QImage shot;
  ASSERT_TRUE(shot.load(QString::fromStdString(path), "PNG"));
  // Two windows 640 wide in a 12-pixel margin; as tall as their sections.
  ASSERT_EQ(shot.width(), 2 * 640 + 3 * 12);
  ASSERT_GE(shot.height(), 572 + 2 * 12);
  const int classic = 640 + 12;  // where the classic half begins
  // The enabled arrow button at (150, 87): themed and classic differ.
  const QImage themedArrow = shot.copy(12 + 150, 12 + 87, 20, 21);
  const QImage classicArrow = shot.copy(classic + 12 + 150, 12 + 87, 20, 21);
  EXPECT_NE(themedArrow, classicArrow);
  // The pop-up under the showcase edit: 40 of 0..100 on a 100-pixel panel.
  const uint32_t bar = RgbOf(ColorToRGB(clHotLight));
  EXPECT_EQ(RgbAt(shot, 12 + 150 + 10, 12 + 157), bar);
  EXPECT_EQ(RgbAt(shot, 12 + 150 + 39, 12 + 157), bar);
  EXPECT_EQ(RgbAt(shot, 12 + 150 + 41, 12 + 157), 0xFFFFFFu);
  // The first dial (40 x 40 at (150, 732)) points right in both looks.
  for (int left : {12, classic + 12}) {
    EXPECT_EQ(RgbAt(shot, left + 150 + 30, 12 + 752), 0x000000u);
    EXPECT_EQ(RgbAt(shot, left + 150 + 20, 12 + 742), 0xFFFFFFu);
  }
  // The unit edit at (150, 912): 0.25 m on its strip's nominal 0..1 m.
  EXPECT_EQ(RgbAt(shot, 12 + 150 + 20, 12 + 912 + 24), bar);
  EXPECT_EQ(RgbAt(shot, 12 + 150 + 30, 12 + 912 + 24), 0xFFFFFFu);
  // The number edits under it, enabled on white and disabled.
  EXPECT_EQ(RgbAt(shot, 12 + 150 + 60, 12 + 968 + 10), 0xFFFFFFu);
  EXPECT_NE(RgbAt(shot, 12 + 270 + 60, 12 + 968 + 10), 0xFFFFFFu);
}

TEST_F(GalleryTest, UsageMistakesAreReported) {
  EXPECT_EQ(RunGallery("--help > /dev/null"), 0);
  EXPECT_EQ(RunGallery("--screenshot 2>/dev/null"), 2);
  EXPECT_EQ(RunGallery("--bogus 2>/dev/null"), 2);
  EXPECT_EQ(RunGallery("--screenshot /nonexistent-folder/x.png 2>/dev/null"), 1);
}

}  // namespace
