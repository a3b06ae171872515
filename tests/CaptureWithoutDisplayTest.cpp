// Capture with no X display, and with one that goes away: no pixels, no crash,
// and the process lives on (Xlib's own handlers would end it).

#include <gtest/gtest.h>

#include <cstdlib>

#include "imaging/ScreenCapture.h"
#include "tests/support/PrivateXServer.h"
#include "tests/support/TestWindows.h"

namespace {

TEST(CaptureWithoutDisplay, NoDisplayGivesNoPixels) {
  unsetenv("DISPLAY");
  EXPECT_EQ(GetDC(nullptr), nullptr);
  EXPECT_FALSE(GrabScreenPixels(0, 0, 100, 100));
  EXPECT_EQ(GetForegroundWindow(), nullptr);
  const TCaptureRect rect = SelectCaptureRect(true);
  EXPECT_EQ(rect.width, 0);
  EXPECT_EQ(rect.height, 0);
  EXPECT_FALSE(GrabScreenPixels(rect.x, rect.y, rect.width, rect.height));
  EXPECT_EQ(GdiObjectCounts().total(), 0);
}

TEST(CaptureWithoutDisplay, ALostServerIsSurvivedAndANewOneIsUsed) {
  PrivateXServer first;
  ASSERT_TRUE(first.Start({})) << first.Error();
  ASSERT_TRUE(GrabScreenPixels(0, 0, 640, 480));

  first.Kill();
  for (int i = 0; i < 3; ++i)
    EXPECT_FALSE(GrabScreenPixels(0, 0, 640, 480));
  EXPECT_EQ(GdiObjectCounts().deviceContexts, 0);
  EXPECT_EQ(GdiObjectCounts().bitmaps, 0);

  // A 16-bit screen: pixels are widened to 8 bits a channel.
  PrivateXServer second;
  PrivateXServer::Options options;
  options.depth = 16;
  ASSERT_TRUE(second.Start(options)) << second.Error();
  TestWindows windows;
  ASSERT_TRUE(windows.Ok());
  windows.Show(0, 0, 10, 10, 0xF800);   // pure red in 5-6-5
  windows.Show(10, 0, 10, 10, 0x07E0);  // pure green
  TPixelBuffer pixels = GrabScreenPixels(0, 0, 20, 10);
  ASSERT_TRUE(pixels);
  EXPECT_EQ(pixels[0] & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(pixels[15] & 0xFFFFFF, 0x00FF00u);
  EXPECT_EQ(pixels[5 * 20 + 19] & 0xFFFFFF, 0x00FF00u);
}

}  // namespace
