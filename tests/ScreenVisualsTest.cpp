// Capture on screens whose pixels are not plain 24-bit colour: 8-bit screens
// whose pixel values are colormap indices (colour or grey), a DirectColor
// screen whose channels go through the colormap, and an 8-bit TrueColor one.
// Each screen kind runs on a private Xvfb of its own.

// gtest before Xlib, whose macros (None, Bool...) would break its headers.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <memory>
#include <string>

#include "imaging/ScreenCapture.h"
#include "tests/support/PrivateXServer.h"
#include "tests/support/TestWindows.h"

namespace {

struct ScreenKind {
  const char* name;
  int depth;
  int visualClass;
};

constexpr ScreenKind kKinds[] = {
    {"PseudoColor8", 8, PseudoColor},   {"GrayScale8", 8, GrayScale},
    {"StaticGray8", 8, StaticGray},     {"StaticColor8", 8, StaticColor},
    {"DirectColor24", 24, DirectColor}, {"TrueColor8", 8, TrueColor},
};

// The colour X shows for an allocated colour, as 0xRRGGBB.
uint32_t Rgb(const XColor& colour) {
  return static_cast<uint32_t>(colour.red >> 8) << 16 |
         static_cast<uint32_t>(colour.green >> 8) << 8 | (colour.blue >> 8);
}

class ScreenVisualsTest : public ::testing::TestWithParam<int> {
 protected:
  const ScreenKind& Kind() const { return kKinds[GetParam()]; }
  // Each kind has a width of its own, so that the capture layer's connection
  // is known to be on this test's server.
  int Width() const { return 320 + 8 * GetParam(); }
  static constexpr int kHeight = 200;

  void SetUp() override {
    PrivateXServer::Options options;
    options.width = Width();
    options.height = kHeight;
    options.depth = Kind().depth;
    options.visualClass = Kind().visualClass;
    ASSERT_TRUE(server_.Start(options)) << server_.Error();
    windows_ = std::make_unique<TestWindows>();
    ASSERT_TRUE(windows_->Ok());
    ASSERT_EQ(DefaultVisual(windows_->display(), 0)->c_class, Kind().visualClass);
    // The capture layer keeps one connection per process: after an earlier
    // server went away, its first use notices and the next one reconnects.
    for (int i = 0; i < 3 && GetSystemMetrics(SM_CXSCREEN) != Width(); ++i) {
    }
    ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), Width());
  }

  // Allocates the colour closest to (red, green, blue) in the default colormap.
  XColor Allocate(unsigned short red, unsigned short green, unsigned short blue) {
    XColor colour{};
    colour.red = red;
    colour.green = green;
    colour.blue = blue;
    colour.flags = DoRed | DoGreen | DoBlue;
    EXPECT_TRUE(XAllocColor(windows_->display(), DefaultColormap(windows_->display(), 0), &colour));
    return colour;
  }

  // The screen pixel at (x, y) as 0xRRGGBB, read by each method; both must agree.
  uint32_t Captured(int x, int y) {
    uint32_t seen[2] = {};
    int method = 0;
    for (auto how : {TScreenReadMethod::Automatic, TScreenReadMethod::PlainGetImage}) {
      SetScreenReadMethod(how);
      TPixelBuffer pixels = GrabScreenPixels(0, 0, Width(), kHeight);
      EXPECT_TRUE(pixels);
      seen[method++] = pixels ? pixels[y * Width() + x] & 0xFFFFFF : 0xDEAD;
    }
    SetScreenReadMethod(TScreenReadMethod::Automatic);
    EXPECT_EQ(seen[0], seen[1]) << "shared memory and XGetImage disagree";
    return seen[0];
  }

  PrivateXServer server_;
  std::unique_ptr<TestWindows> windows_;
};

TEST_P(ScreenVisualsTest, PixelsArriveInTheColoursTheScreenShows) {
  const XColor orange = Allocate(0xFFFF, 0x8000, 0x0000);
  const XColor teal = Allocate(0x0000, 0x8080, 0x8080);
  const XColor white = Allocate(0xFFFF, 0xFFFF, 0xFFFF);
  windows_->Show(10, 10, 50, 40, orange.pixel);
  windows_->Show(100, 10, 50, 40, teal.pixel);
  windows_->Show(200, 10, 50, 40, white.pixel);

  EXPECT_EQ(Captured(30, 30), Rgb(orange));
  EXPECT_EQ(Captured(120, 30), Rgb(teal));
  EXPECT_EQ(Captured(220, 30), Rgb(white));
  EXPECT_NE(Rgb(white), 0u);
}

// The screens whose colormap entries a client can write one by one.
using WritableColormapTest = ScreenVisualsTest;

TEST_P(WritableColormapTest, AChangedEntryIsSeenByTheNextCapture) {
  Display* display = windows_->display();
  const Colormap colormap = DefaultColormap(display, 0);
  unsigned long cell = 0;
  ASSERT_TRUE(XAllocColorCells(display, colormap, False, nullptr, 0, &cell, 1));
  windows_->Show(40, 60, 80, 80, cell);

  for (unsigned short grey : {0x4040, 0xC0C0, 0x1010}) {
    XColor colour{};
    colour.pixel = cell;
    colour.red = colour.green = colour.blue = grey;
    colour.flags = DoRed | DoGreen | DoBlue;
    XStoreColor(display, colormap, &colour);
    windows_->Sync();
    const uint32_t level = grey >> 8;
    EXPECT_EQ(Captured(80, 100), level << 16 | level << 8 | level) << "grey " << grey;
  }
}

std::string KindName(const ::testing::TestParamInfo<int>& info) {
  return kKinds[info.param].name;
}

INSTANTIATE_TEST_SUITE_P(Screens, ScreenVisualsTest, ::testing::Range(0, 6), KindName);
INSTANTIATE_TEST_SUITE_P(Screens, WritableColormapTest, ::testing::Values(0, 1), KindName);

}  // namespace
