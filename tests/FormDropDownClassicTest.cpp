// The drop-down button with visual styles switched off for the whole run
// (before anything asks whether they are active): the classic arrow, pushed
// while pressed, with no disabled look.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QTest>

#include "components/Themes.h"
#include "tests/support/DropDownFixture.h"

namespace {

const bool kVisualStylesOff = setenv(kVisualStylesSwitch, "off", 1) == 0;

TEST(FormDropDown, WithVisualStylesOffTheClassicArrowHasNoDisabledLook) {
  ASSERT_TRUE(kVisualStylesOff);
  DropDownOnForm f;
  ASSERT_FALSE(ThemeHelper()->ThemesActive());
  EXPECT_EQ(f.Look(), Classic(DFCS_SCROLLDOWN));
  QTest::mousePress(f.button->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(f.Look(), Classic(DFCS_SCROLLDOWN | DFCS_PUSHED));
  f.button->SetEnabled(false);
  EXPECT_EQ(f.Look(), Classic(DFCS_SCROLLDOWN | DFCS_PUSHED));
  QTest::mouseRelease(f.button->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(f.Look(), Classic(DFCS_SCROLLDOWN));
}

}  // namespace
