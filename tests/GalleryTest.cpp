// scrivlo-gallery as a user runs it: the off-screen screenshot holds both
// looks, the drop-down's pop-up open in each; what it checks is found
// through the places the picture names for each section.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QImage>
#include <cstdlib>
#include <string>
#include <vector>

#include "framework/Colors.h"
#include "tests/support/GalleryPlaces.h"
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

// A picture of `size` in one colour.
QImage Plain(QSize size, QRgb colour) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

TEST_F(GalleryTest, TheScreenshotShowsBothLooksWithThePopupOpen) {
  const std::string path = folder_ + "/gallery.png";
  ASSERT_EQ(RunGallery("--screenshot " + path + " 2>/dev/null"), 0);
  QImage shot;
  ASSERT_TRUE(shot.load(QString::fromStdString(path), "PNG"));
  shot = shot.convertToFormat(QImage::Format_RGB32);

  // Two windows of one size, apart, within the picture; every section
  // wholly inside its window, none over another, at the same place in both.
  const QRect themed = GalleryPlace(shot, QStringLiteral("themed"));
  const QRect classic = GalleryPlace(shot, QStringLiteral("classic"));
  ASSERT_FALSE(themed.isEmpty());
  ASSERT_EQ(classic.size(), themed.size());
  EXPECT_FALSE(themed.intersects(classic));
  EXPECT_TRUE(shot.rect().contains(themed.united(classic)));
  std::vector<QRect> sections;
  for (const QString& key : shot.textKeys()) {
    if (!key.startsWith(QStringLiteral("themed/"))) continue;
    const QRect section = GalleryPlace(shot, key);
    EXPECT_TRUE(themed.contains(section)) << key.toStdString();
    for (const QRect& other : sections)
      EXPECT_FALSE(section.intersects(other)) << key.toStdString();
    sections.push_back(section);
    const QString twin = QStringLiteral("classic/") + key.mid(7);
    EXPECT_EQ(GalleryPlace(shot, twin).translated(themed.topLeft() - classic.topLeft()), section)
        << key.toStdString();
  }
  ASSERT_GE(sections.size(), 8u);

  // Each check finds its section by title, in one look or both.
  const auto at = [&](const QRect& window, const char* title) {
    const QString prefix =
        window == themed ? QStringLiteral("themed/") : QStringLiteral("classic/");
    const QRect section = GalleryPlace(shot, prefix + QString::fromUtf8(title));
    EXPECT_FALSE(section.isEmpty()) << title;
    return section.topLeft();
  };
  // The enabled arrow button: themed and classic differ.
  const QPoint themedDropDown = at(themed, "Form drop-down");
  const QPoint classicDropDown = at(classic, "Form drop-down");
  EXPECT_NE(shot.copy(QRect(themedDropDown + QPoint(150, 31), QSize(20, 21))),
            shot.copy(QRect(classicDropDown + QPoint(150, 31), QSize(20, 21))));
  // The pop-up under the showcase edit: 40 of 0..100 on a 100-pixel panel.
  const uint32_t bar = RgbOf(ColorToRGB(clHotLight));
  for (const QPoint& dropDown : {themedDropDown, classicDropDown}) {
    EXPECT_EQ(RgbAt(shot, dropDown.x() + 160, dropDown.y() + 101), bar);
    EXPECT_EQ(RgbAt(shot, dropDown.x() + 189, dropDown.y() + 101), bar);
    EXPECT_EQ(RgbAt(shot, dropDown.x() + 191, dropDown.y() + 101), 0xFFFFFFu);
  }
  for (const QRect& window : {themed, classic}) {
    // The window's own colour, left of a section's title.
    const QPoint dials = at(window, "Angle edit");
    const QRgb ground = shot.pixel(dials + QPoint(2, 2));
    // The first dial (40 x 40) points right, on the window's colour.
    EXPECT_EQ(RgbAt(shot, dials.x() + 180, dials.y() + 42), 0x000000u);
    EXPECT_EQ(RgbAt(shot, dials.x() + 170, dials.y() + 32), 0xFFFFFFu);
    EXPECT_EQ(shot.pixel(dials + QPoint(150, 22)), ground);
    // Every check box of the "Checked" row (100 x 18): its caption short
    // of its right end, the window's colour there.
    const QPoint boxes = at(window, "Themed check box");
    for (int left : {150, 270, 390, 510}) {
      const QRect end(boxes + QPoint(left + 90, 68), QSize(10, 18));
      EXPECT_EQ(shot.copy(end), Plain(end.size(), ground)) << left;
    }
    // The unit edit: 0.25 m on its strip's nominal 0..1 m.
    const QPoint units = at(window, "Unit edit family");
    EXPECT_EQ(RgbAt(shot, units.x() + 170, units.y() + 126), bar);
    EXPECT_EQ(RgbAt(shot, units.x() + 180, units.y() + 126), 0xFFFFFFu);
    // The number edits, enabled on white and disabled.
    const QPoint numbers = at(window, "Number edits");
    EXPECT_EQ(RgbAt(shot, numbers.x() + 210, numbers.y() + 32), 0xFFFFFFu);
    EXPECT_NE(RgbAt(shot, numbers.x() + 330, numbers.y() + 32), 0xFFFFFFu);
  }
}

TEST_F(GalleryTest, UsageMistakesAreReported) {
  EXPECT_EQ(RunGallery("--help > /dev/null"), 0);
  EXPECT_EQ(RunGallery("--screenshot 2>/dev/null"), 2);
  EXPECT_EQ(RunGallery("--bogus 2>/dev/null"), 2);
  EXPECT_EQ(RunGallery("--screenshot /nonexistent-folder/x.png 2>/dev/null"), 1);
}

}  // namespace
