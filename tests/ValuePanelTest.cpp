// The value panel: its bar in pixels, single-precision arithmetic, the
// disabled colour at once, pressing and dragging with the capture, hints.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>
#include <vector>

#include "components/valuePanel.h"
#include "framework/Form.h"
#include "platform/gdi/Drawing.h"
#include "tests/support/ModalBox.h"
#include "tests/support/Pixels.h"

using ::testing::ElementsAre;

namespace {

// A shown form holding a 100 x 20 white panel at (50, 40).
struct PanelOnForm {
  PanelOnForm() : form(nullptr), panel(new TValuePanel(&form)) {
    form.SetBounds(0, 0, 300, 120);
    panel->SetParent(&form);
    panel->SetLeft(50);
    panel->SetTop(40);
    panel->SetColor(clWhite);
    panel->OnChange = [this](TObject* sender) {
      EXPECT_EQ(sender, panel);
      changes.push_back(panel->Value());
    };
    form.Show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form.Widget()));
  }
  // The width of the bar as painted: the run of bar-coloured pixels.
  int BarWidth(TColor bar = clHotLight) {
    const QImage pixels = panel->Widget()->grab().toImage();
    int width = 0;
    while (width < pixels.width() && RgbAt(pixels, width, 10) == RgbOf(ColorToRGB(bar)))
      ++width;
    for (int x = width; x < pixels.width(); ++x) {
      EXPECT_EQ(RgbAt(pixels, x, 10), 0xFFFFFFu) << "at " << x;
    }
    return width;
  }
  TForm form;
  TValuePanel* panel;
  std::vector<float> changes;
};

TEST(ValuePanel, StartsAtFiftyOfZeroToHundredWithItsHint) {
  TValuePanel panel(nullptr);
  EXPECT_EQ(panel.Width(), 100);
  EXPECT_EQ(panel.Height(), 20);
  EXPECT_EQ(panel.Value(), 50);
  EXPECT_TRUE(panel.ShowHint());
  EXPECT_EQ(panel.Hint(), u"Min: 0, Max: 100");
  panel.SetMin(0.1f);
  panel.SetMax(65535);
  EXPECT_EQ(panel.Hint(), u"Min: 0.100000001490116, Max: 65535");
}

TEST(ValuePanel, APressSetsTheValueAndTheBarFollows) {
  PanelOnForm f;
  EXPECT_EQ(f.BarWidth(), 50);
  QTest::mousePress(f.panel->Widget(), Qt::LeftButton, {}, QPoint(25, 10));
  EXPECT_EQ(f.panel->Value(), 25);
  EXPECT_TRUE(f.panel->Dragging());
  EXPECT_THAT(f.changes, ElementsAre(25));
  EXPECT_EQ(f.BarWidth(), 25);
  QTest::mouseRelease(f.panel->Widget(), Qt::LeftButton, {}, QPoint(25, 10));
  EXPECT_FALSE(f.panel->Dragging());
  EXPECT_THAT(f.changes, ElementsAre(25));  // no change on the release
}

TEST(ValuePanel, TheBarIsWorkedOutInSinglePrecision) {
  PanelOnForm f;
  f.panel->SetMax(1);
  f.panel->SetWidth(10);
  // 0.7f * 10 is 6.9999998 in double precision, exactly 7 in single:
  // a bar of 7 pixels, not 6.
  f.panel->SetValue(0.7f);
  const QImage pixels = f.panel->Widget()->grab().toImage();
  EXPECT_EQ(RgbAt(pixels, 6, 5), RgbOf(ColorToRGB(clHotLight)));
  EXPECT_EQ(RgbAt(pixels, 7, 5), 0xFFFFFFu);
}

TEST(ValuePanel, ValuesBeyondTheRangeAreKeptAndDrawnClipped) {
  PanelOnForm f;
  f.panel->SetValue(150);
  EXPECT_EQ(f.panel->Value(), 150);
  EXPECT_EQ(f.BarWidth(), 100);  // the whole control
  f.panel->SetValue(-5);
  EXPECT_EQ(f.BarWidth(), 0);
  f.panel->SetValue(3.0e38f);  // far beyond any pixel count
  EXPECT_EQ(f.BarWidth(), 100);
  EXPECT_TRUE(f.changes.empty());  // values set by code raise nothing

  // A range of 0 draws no bar, and a press gives Min.
  f.panel->SetMin(100);
  f.panel->SetValue(50);
  EXPECT_EQ(f.BarWidth(), 0);
  QTest::mouseClick(f.panel->Widget(), Qt::LeftButton, {}, QPoint(80, 10));
  EXPECT_THAT(f.changes, ElementsAre(100));
}

TEST(ValuePanel, DraggingPastBothEndsPinsTheValueAndEveryMoveReports) {
  PanelOnForm f;
  QWidget* widget = f.panel->Widget();
  QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(10, 10));
  QTest::mouseMove(widget, QPoint(-30, 10));
  QTest::mouseMove(widget, QPoint(-40, 12));
  QTest::mouseMove(widget, QPoint(60, 30));
  QTest::mouseMove(widget, QPoint(160, 10));
  QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(160, 10));
  QTest::mouseMove(widget, QPoint(40, 10));  // not dragging any more
  EXPECT_THAT(f.changes, ElementsAre(10, 0, 0, 60, 100));
  EXPECT_EQ(f.panel->Value(), 100);

  // The right button changes nothing.
  QTest::mouseClick(widget, Qt::RightButton, {}, QPoint(30, 10));
  EXPECT_EQ(f.panel->Value(), 100);
  EXPECT_EQ(f.changes.size(), 5u);
}

TEST(ValuePanel, ADragEndsWhenAModalWindowTookTheRelease) {
  PanelOnForm f;
  f.panel->OnChange = [&](TObject*) {
    f.changes.push_back(f.panel->Value());
    if (f.changes.size() > 1) return;
    ShowModalBoxTheUserClicks();  // a message box, say
  };
  QTest::mousePress(f.panel->Widget(), Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_FALSE(f.panel->Dragging());                    // over at once, wherever the pointer goes
  QTest::mouseMove(f.panel->Widget(), QPoint(70, 10));  // the pointer passing by
  EXPECT_THAT(f.changes, ElementsAre(10));
  EXPECT_FALSE(f.panel->Dragging());
}

TEST(ValuePanel, DisablingRepaintsTheBarAtOnceAndAnUnchangedValueDoesNot) {
  class CountingPanel : public TValuePanel {
   public:
    using TValuePanel::TValuePanel;
    int paints = 0;

   protected:
    void Paint() override {
      ++paints;
      TValuePanel::Paint();
    }
  };
  TForm form(nullptr);
  auto* panel = new CountingPanel(&form);
  panel->SetParent(&form);
  panel->Repaint();
  const int painted = panel->paints;
  panel->SetValue(50);
  panel->SetMin(0);
  EXPECT_EQ(panel->paints, painted);

  // No event loop runs: the pixels change within SetEnabled itself.
  panel->SetEnabled(false);
  HDC dc = GetDC(panel->Handle());
  EXPECT_EQ(GetPixel(dc, 2, 2), ColorToRGB(clInactiveCaptionText));
  EXPECT_EQ(GetPixel(dc, 60, 2), ColorToRGB(panel->Color()));
  panel->SetEnabled(true);
  EXPECT_EQ(GetPixel(dc, 2, 2), ColorToRGB(clHotLight));
  ReleaseDC(panel->Handle(), dc);
  EXPECT_NE(ColorToRGB(clHotLight), ColorToRGB(clInactiveCaptionText));
}

TEST(ValuePanel, AHandlerMayDestroyThePanelMidDrag) {
  PanelOnForm f;
  int changes = 0;
  f.panel->OnChange = [&](TObject*) {
    if (++changes == 2) delete f.panel;
  };
  QTest::mousePress(f.panel->Widget(), Qt::LeftButton, {}, QPoint(10, 10));
  QTest::mouseMove(f.panel->Widget(), QPoint(20, 10));
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(f.form.ControlCount(), 0);
}

}  // namespace
