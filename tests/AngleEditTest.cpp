// The angle edit: a square dial whose radius follows the angle (never
// wrapped), turned by dragging up and down with the left button, on its
// parent's themed background. The classic ground is in
// ThemeControlsClassicTest.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <limits>
#include <numbers>
#include <vector>

#include "components/AngleEdit.h"
#include "framework/Form.h"
#include "framework/Registration.h"
#include "platform/gdi/Drawing.h"
#include "tests/support/Pixels.h"
#include "tests/support/ThemedLooks.h"

using ::testing::ElementsAre;

namespace {

// A shown white form with a dial at (30, 20); OnChange records the angle.
struct DialOnForm {
  DialOnForm() : form(nullptr), dial(new TAngleEdit(&form)) {
    form.SetBounds(0, 0, 200, 150);
    form.SetColor(clWhite);
    dial->SetParent(&form);
    dial->SetLeft(30);
    dial->SetTop(20);
    dial->OnChange = [this](TObject* sender) {
      EXPECT_EQ(sender, dial);
      changes.push_back(dial->GetDegrees());
    };
    form.Show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form.Widget()));
  }
  void Press(Qt::MouseButton button, int x, int y) {
    QTest::mousePress(dial->Widget(), button, {}, QPoint(x, y));
  }
  void Release(Qt::MouseButton button, int x, int y) {
    QTest::mouseRelease(dial->Widget(), button, {}, QPoint(x, y));
  }
  void Move(int x, int y) { QTest::mouseMove(dial->Widget(), QPoint(x, y)); }

  TForm form;
  TAngleEdit* dial;
  std::vector<float> changes;
};

constexpr uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF;

TEST(AngleEdit, DialIsSquareWithItsRadiusAtTheAngle) {
  DialOnForm f;
  std::vector<int> sizes;  // OnResize sees the square size only
  f.dial->OnResize = [&](TObject*) { sizes.push_back(f.dial->Width() * 100 + f.dial->Height()); };
  f.dial->SetBounds(30, 20, 70, 40);
  EXPECT_THAT(sizes, ElementsAre(4040));

  // The circle spans (2, 2)-(38, 38) in black on white; r = 18 from (20, 20).
  QImage look = Look(f.dial);
  EXPECT_EQ(RgbAt(look, 2, 20), kBlack);
  EXPECT_EQ(RgbAt(look, 20, 2), kBlack);
  EXPECT_EQ(RgbAt(look, 37, 20), kBlack);
  EXPECT_EQ(RgbAt(look, 1, 20), kWhite);  // the white form behind it
  EXPECT_EQ(RgbAt(look, 0, 0), kWhite);
  // 0 degrees points right, 90 up, 180 left, 270 down.
  const struct {
    float degrees;
    int x, y;
  } kEnds[] = {{0, 30, 20}, {90, 20, 10}, {180, 10, 20}, {270, 20, 30}};
  for (const auto& end : kEnds) {
    f.dial->SetDegrees(end.degrees);
    look = Look(f.dial);
    for (const auto& other : kEnds) {
      EXPECT_EQ(RgbAt(look, other.x, other.y), &other == &end ? kBlack : kWhite)
          << end.degrees << " at " << other.degrees;
    }
  }
  EXPECT_TRUE(f.changes.empty());

  // Never wrapped: -90 keeps its value and draws as 270.
  const QImage down = Look(f.dial);
  f.dial->SetDegrees(-90);
  EXPECT_EQ(f.dial->GetDegrees(), -90);
  EXPECT_EQ(Look(f.dial), down);

  // Disabled: circle and radius in silver, at once.
  f.dial->SetDegrees(0);
  f.dial->SetEnabled(false);
  look = Look(f.dial);
  EXPECT_EQ(RgbAt(look, 30, 20), 0xC0C0C0u);
  EXPECT_EQ(RgbAt(look, 2, 20), 0xC0C0C0u);
}

TEST(AngleEdit, DraggingUpTurnsItOneDegreePerPixelAndAClickTurnsNothing) {
  DialOnForm f;
  f.dial->SetDegrees(350);
  f.Press(Qt::LeftButton, 20, 30);
  f.Release(Qt::LeftButton, 20, 30);
  EXPECT_EQ(f.dial->GetDegrees(), 350);
  EXPECT_TRUE(f.changes.empty());

  f.Press(Qt::LeftButton, 20, 30);
  EXPECT_TRUE(f.dial->IsDragging());
  f.Move(20, 20);  // 10 up
  f.Move(35, 20);  // sideways: no turn, still a change
  f.Move(35, 5);   // 15 up, past 360: not wrapped
  f.Move(40, 60);  // 55 down, outside the dial
  f.Release(Qt::LeftButton, 40, 60);
  f.Move(20, 0);  // after the release nothing turns
  EXPECT_THAT(f.changes, ElementsAre(360, 360, 375, 320));
  EXPECT_EQ(f.dial->GetDegrees(), 320);
  EXPECT_FALSE(f.dial->IsDragging());
}

TEST(AngleEdit, OnlyTheLeftButtonDragsAndAnyReleaseEndsIt) {
  DialOnForm f;
  f.Press(Qt::RightButton, 20, 30);
  EXPECT_FALSE(f.dial->IsDragging());
  f.Move(20, 10);
  f.Release(Qt::RightButton, 20, 10);
  EXPECT_TRUE(f.changes.empty());

  f.Press(Qt::LeftButton, 20, 30);
  f.Press(Qt::RightButton, 20, 30);
  f.Release(Qt::RightButton, 20, 30);
  EXPECT_FALSE(f.dial->IsDragging());
  f.Move(20, 10);
  f.Release(Qt::LeftButton, 20, 10);

  // A release that never came (the window lost the mouse): the first move
  // without the left button ends the drag instead of turning the dial.
  f.Press(Qt::LeftButton, 20, 30);
  QMouseEvent bare(QEvent::MouseMove, QPointF(20, 10),
                   f.dial->Widget()->mapToGlobal(QPointF(20, 10)), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(f.dial->Widget(), &bare);
  EXPECT_FALSE(f.dial->IsDragging());
  f.Move(20, 0);
  f.Release(Qt::LeftButton, 20, 0);
  EXPECT_TRUE(f.changes.empty());
}

TEST(AngleEdit, ErasesNothingAndAnAngleWithoutDirectionDrawsNoRadius) {
  DialOnForm f;
  QImage image(40, 40, QImage::Format_RGB32);
  image.fill(QColor(1, 2, 3));
  const QImage before = image.copy();
  HDC dc = CreateDrawingDC(&image);
  EXPECT_EQ(f.dial->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc)), 1);
  DeleteDrawingDC(dc);
  EXPECT_EQ(image, before);

  f.dial->SetDegrees(std::numeric_limits<float>::quiet_NaN());
  const QImage noRadius = Look(f.dial);
  EXPECT_EQ(RgbAt(noRadius, 2, 20), kBlack);
  EXPECT_EQ(PixelsOf(noRadius.copy(10, 10, 20, 20), kBlack), QRect());  // inside the circle
}

TEST(AngleEdit, AnOnChangeHandlerMayDestroyTheDialMidDrag) {
  DialOnForm f;
  f.dial->OnChange = [&](TObject*) { delete f.dial; };
  f.Press(Qt::LeftButton, 20, 30);
  f.Move(20, 20);
  QTest::mouseRelease(f.form.Widget(), Qt::LeftButton, {}, QPoint(50, 40));
  EXPECT_EQ(f.form.ControlCount(), 0);
}

TEST(AngleEdit, RadiansAreDegreesInSinglePrecisionAndItRegisters) {
  AngleEdit::Register();
  TComponent owner(nullptr);
  auto* dial = dynamic_cast<TAngleEdit*>(CreateRegisteredComponent("TAngleEdit", &owner));
  ASSERT_NE(dial, nullptr);
  EXPECT_THAT(PalettePages(), ElementsAre("Corvane"));
  EXPECT_EQ(dial->Width() * 100 + dial->Height(), 4040);
  EXPECT_EQ(dial->GetDegrees(), 0);
  dial->SetDegrees(180);
  EXPECT_EQ(dial->GetRadians(), static_cast<float>(std::numbers::pi));
  dial->SetRadians(static_cast<float>(std::numbers::pi / 2));
  EXPECT_EQ(dial->GetDegrees(), 90.0f);
  dial->SetRadians(-4 * static_cast<float>(std::numbers::pi));
  EXPECT_FLOAT_EQ(dial->GetDegrees(), -720);
}

}  // namespace
