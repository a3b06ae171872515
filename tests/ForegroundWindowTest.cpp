// The foreground window's outer rectangle with a real window manager (openbox)
// framing the windows.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "imaging/ScreenCapture.h"
#include "tests/support/PrivateXServer.h"
#include "tests/support/TestWindows.h"

namespace {

constexpr uint32_t kColour = 0x2E8B57;

class ForegroundWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new PrivateXServer();
    PrivateXServer::Options options;
    options.width = 1024;
    options.height = 768;
    options.windowManager = true;
    ASSERT_TRUE(server_->Start(options)) << server_->Error();
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(windows_.Ok()); }

  // The outer rectangle as the window manager describes it: the client's
  // place on the root grown by the announced frame extents.
  RECT ExpectedOuter(Window window) {
    int rootX = 0, rootY = 0;
    long extents[4] = {};
    EXPECT_TRUE(windows_.FrameGeometry(window, &rootX, &rootY, extents));
    XWindowAttributes attributes;
    XGetWindowAttributes(windows_.display(), window, &attributes);
    return RECT{static_cast<LONG>(rootX - extents[0]), static_cast<LONG>(rootY - extents[2]),
                static_cast<LONG>(rootX + attributes.width + extents[1]),
                static_cast<LONG>(rootY + attributes.height + extents[3])};
  }

  static PrivateXServer* server_;
  TestWindows windows_;
};

PrivateXServer* ForegroundWindowTest::server_ = nullptr;

TEST_F(ForegroundWindowTest, TheRectangleIncludesTheFrame) {
  const Window window = windows_.Show(100, 50, 300, 200, kColour, /*managed=*/true);
  ASSERT_TRUE(windows_.Activate(window));
  const RECT outer = ExpectedOuter(window);
  ASSERT_GT(outer.bottom - outer.top, 200)
      << "openbox draws a title bar; outer " << outer.left << "," << outer.top << " " << outer.right
      << "," << outer.bottom;

  const TCaptureRect rect = SelectCaptureRect(true);
  EXPECT_EQ(rect.x, outer.left);
  EXPECT_EQ(rect.y, outer.top);
  EXPECT_EQ(rect.width, outer.right - outer.left);
  EXPECT_EQ(rect.height, outer.bottom - outer.top);

  // The client area sits inside the capture where the frame leaves it.
  TPixelBuffer pixels = GrabScreenPixels(rect.x, rect.y, rect.width, rect.height);
  ASSERT_TRUE(pixels);
  int rootX = 0, rootY = 0;
  long extents[4] = {};
  ASSERT_TRUE(windows_.FrameGeometry(window, &rootX, &rootY, extents));
  const int clientLeft = rootX - rect.x;
  const int clientTop = rootY - rect.y;
  int wrong = 0;
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 300; ++x) {
      wrong += (pixels[(clientTop + y) * rect.width + clientLeft + x] & 0xFFFFFF) != kColour;
    }
  }
  EXPECT_EQ(wrong, 0);
  // The title bar is not the client's colour.
  EXPECT_NE(pixels[2 * rect.width + rect.width / 2] & 0xFFFFFF, kColour);
  windows_.Destroy(window);
}

TEST_F(ForegroundWindowTest, AWindowMovedPartlyOffScreenIsCapturedWithBlackOutside) {
  const Window window = windows_.Show(200, 200, 320, 240, kColour, /*managed=*/true);
  ASSERT_TRUE(windows_.Activate(window));
  XMoveWindow(windows_.display(), window, -120, 600);
  windows_.Sync();
  // Wait for the window manager to carry out the move.
  RECT outer{};
  for (int i = 0; i < 300; ++i) {
    outer = ExpectedOuter(window);
    if (outer.left < 0 && outer.bottom > 768) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_LT(outer.left, 0);
  ASSERT_GT(outer.bottom, 768);

  const TCaptureRect rect = SelectCaptureRect(true);
  EXPECT_EQ(rect.x, outer.left);
  EXPECT_EQ(rect.y, outer.top);
  TPixelBuffer pixels = GrabScreenPixels(rect.x, rect.y, rect.width, rect.height);
  ASSERT_TRUE(pixels);
  const int lastRow = rect.height - 1;
  EXPECT_EQ(pixels[lastRow * rect.width] & 0xFFFFFF, 0u);  // below and left of the screen
  const int onScreenRow = 768 - 1 - rect.y;
  EXPECT_EQ(pixels[onScreenRow * rect.width + rect.width - 10] & 0xFFFFFF, kColour);
  windows_.Destroy(window);
}

TEST_F(ForegroundWindowTest, AClosedWindowLeavesAValidRectangle) {
  const Window window = windows_.Show(10, 10, 100, 100, kColour, /*managed=*/true);
  ASSERT_TRUE(windows_.Activate(window));
  windows_.Destroy(window);
  for (int i = 0; i < 20; ++i) {
    const TCaptureRect rect = SelectCaptureRect(true);
    EXPECT_GT(rect.width, 0);
    EXPECT_GT(rect.height, 0);
    EXPECT_TRUE(GrabScreenPixels(rect.x, rect.y, rect.width, rect.height));
  }
}

}  // namespace
