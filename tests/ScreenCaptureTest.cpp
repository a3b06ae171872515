#include <X11/Xatom.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "imaging/ScreenCapture.h"
#include "platform/x11/XConnection.h"
#include "platform/x11/XShmSegment.h"
#include "tests/support/PrivateXServer.h"
#include "tests/support/TestWindows.h"

namespace {

constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;

// Screen pixels as 0xRRGGBB, the meaningless fourth byte dropped.
uint32_t Rgb(uint32_t pixel) {
  return pixel & 0xFFFFFF;
}

// What the screen should hold: black, with filled rectangles painted in order.
struct ExpectedScreen {
  std::vector<uint32_t> pixels = std::vector<uint32_t>(kScreenWidth * kScreenHeight, 0);
  void Fill(int x, int y, int w, int h, uint32_t rgb) {
    for (int row = std::max(y, 0); row < std::min(y + h, kScreenHeight); ++row) {
      for (int col = std::max(x, 0); col < std::min(x + w, kScreenWidth); ++col) {
        pixels[row * kScreenWidth + col] = rgb;
      }
    }
  }
  uint32_t At(int x, int y) const {
    if (x < 0 || y < 0 || x >= kScreenWidth || y >= kScreenHeight) return 0;  // off-screen: black
    return pixels[y * kScreenWidth + x];
  }
};

// Compares a capture of (x, y, w, h) with the expected screen; "" when equal.
std::string Mismatch(const TPixelBuffer& captured, const ExpectedScreen& screen, int x, int y,
                     int w, int h) {
  if (!captured) return "no pixels";
  for (int row = 0; row < h; ++row) {
    for (int col = 0; col < w; ++col) {
      const uint32_t got = Rgb(captured[row * w + col]);
      const uint32_t want = screen.At(x + col, y + row);
      if (got != want) {
        char text[96];
        std::snprintf(text, sizeof text, "at %d,%d: got %06x, want %06x", col, row, got, want);
        return text;
      }
    }
  }
  return "";
}

class ScreenCaptureTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new PrivateXServer();
    PrivateXServer::Options options;
    options.width = kScreenWidth;
    options.height = kScreenHeight;
    ASSERT_TRUE(server_->Start(options)) << server_->Error();
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(windows_.Ok());
    SetScreenReadMethod(TScreenReadMethod::Automatic);
  }
  void TearDown() override {
    for (Window window : shown_)
      windows_.Destroy(window);
  }
  Window Show(int x, int y, int w, int h, uint32_t rgb) {
    shown_.push_back(windows_.Show(x, y, w, h, rgb));
    expected_.Fill(x, y, w, h, rgb);
    return shown_.back();
  }

  // Writes _NET_FRAME_EXTENTS (left, right, top, bottom) on `window` as any
  // client may, each value a raw 32-bit CARDINAL.
  void SetFrameExtents(Window window, uint32_t left, uint32_t right, uint32_t top,
                       uint32_t bottom) {
    const Atom property = XInternAtom(windows_.display(), "_NET_FRAME_EXTENTS", False);
    const long values[4] = {static_cast<long>(left), static_cast<long>(right),
                            static_cast<long>(top), static_cast<long>(bottom)};
    XChangeProperty(windows_.display(), window, property, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(values), 4);
    windows_.Sync();
  }

  static PrivateXServer* server_;
  TestWindows windows_;
  std::vector<Window> shown_;
  ExpectedScreen expected_;
};

PrivateXServer* ScreenCaptureTest::server_ = nullptr;

TEST_F(ScreenCaptureTest, WholeScreenIsTheRootFromTheOrigin) {
  const TCaptureRect rect = SelectCaptureRect(false);
  EXPECT_EQ(rect.x, 0);
  EXPECT_EQ(rect.y, 0);
  EXPECT_EQ(rect.width, kScreenWidth);
  EXPECT_EQ(rect.height, kScreenHeight);
}

TEST_F(ScreenCaptureTest, ColouredRectanglesArriveExactlyBothWays) {
  Show(10, 20, 100, 60, 0xFF0000);
  Show(60, 50, 200, 150, 0x00FF00);  // overlaps the red one
  Show(400, 300, 240, 180, 0x123456);
  Show(639, 0, 1, 480, 0xABCDEF);  // the last column

  for (auto method : {TScreenReadMethod::Automatic, TScreenReadMethod::PlainGetImage}) {
    SetScreenReadMethod(method);
    const TCaptureRect rect = SelectCaptureRect(false);
    TPixelBuffer pixels = GrabScreenPixels(rect.x, rect.y, rect.width, rect.height);
    EXPECT_EQ(Mismatch(pixels, expected_, 0, 0, kScreenWidth, kScreenHeight), "")
        << (method == TScreenReadMethod::Automatic ? "shared memory" : "XGetImage");
  }
}

TEST_F(ScreenCaptureTest, SmallCaptureIsPackedTopRowFirst) {
  Show(100, 50, 10, 1, 0x112233);
  Show(100, 51, 10, 1, 0x445566);
  TPixelBuffer pixels = GrabScreenPixels(100, 50, 3, 2);
  ASSERT_TRUE(pixels);
  uint8_t bytes[24];
  std::memcpy(bytes, pixels.get(), 24);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(bytes[i * 4 + 0], 0x33);  // blue, green, red in memory
    EXPECT_EQ(bytes[i * 4 + 1], 0x22);
    EXPECT_EQ(bytes[i * 4 + 2], 0x11);
    EXPECT_EQ(bytes[12 + i * 4 + 2], 0x44);
  }
}

TEST_F(ScreenCaptureTest, PartsBeyondTheScreenAreBlack) {
  Show(0, 0, 50, 40, 0x0000FF);
  Show(600, 440, 40, 40, 0xFFFF00);
  struct Case {
    int x, y, w, h;
  };
  for (auto method : {TScreenReadMethod::Automatic, TScreenReadMethod::PlainGetImage}) {
    SetScreenReadMethod(method);
    for (Case c : {Case{-10, -5, 30, 20}, Case{620, 460, 40, 50}, Case{-20, -20, 700, 520},
                   Case{1000, 1000, 8, 8}, Case{-100, 0, 50, 10}}) {
      TPixelBuffer pixels = GrabScreenPixels(c.x, c.y, c.w, c.h);
      EXPECT_EQ(Mismatch(pixels, expected_, c.x, c.y, c.w, c.h), "")
          << c.x << "," << c.y << " " << c.w << "x" << c.h;
    }
  }
}

TEST_F(ScreenCaptureTest, EmptyOrNegativeSizesGiveNoPixels) {
  const TGdiObjectCounts before = GdiObjectCounts();
  EXPECT_FALSE(GrabScreenPixels(0, 0, 0, 10));
  EXPECT_FALSE(GrabScreenPixels(0, 0, 10, 0));
  EXPECT_FALSE(GrabScreenPixels(0, 0, -5, 10));
  EXPECT_EQ(GdiObjectCounts().total(), before.total());
}

TEST_F(ScreenCaptureTest, FocusedWindowIsTheForegroundWindowEvenPartlyOffScreen) {
  const Window window = Show(-50, -30, 200, 100, 0x336699);
  windows_.Focus(window);
  const TCaptureRect rect = SelectCaptureRect(true);
  EXPECT_EQ(rect.x, -50);
  EXPECT_EQ(rect.y, -30);
  EXPECT_EQ(rect.width, 200);
  EXPECT_EQ(rect.height, 100);
  TPixelBuffer pixels = GrabScreenPixels(rect.x, rect.y, rect.width, rect.height);
  EXPECT_EQ(Mismatch(pixels, expected_, rect.x, rect.y, rect.width, rect.height), "");
  EXPECT_EQ(Rgb(pixels[0]), 0u);                      // off-screen corner
  EXPECT_EQ(Rgb(pixels[99 * 200 + 199]), 0x336699u);  // on-screen corner
}

TEST_F(ScreenCaptureTest, WithoutAForegroundWindowTheWholeScreenIsTaken) {
  windows_.Focus(PointerRoot);
  TCaptureRect rect = SelectCaptureRect(true);
  EXPECT_EQ(rect.width, kScreenWidth);
  EXPECT_EQ(rect.height, kScreenHeight);

  // An active-window property naming a window that is gone.
  const Window gone = windows_.Show(5, 5, 20, 20, 0x808080);
  windows_.Destroy(gone);
  const Atom active = XInternAtom(windows_.display(), "_NET_ACTIVE_WINDOW", False);
  const long stale = static_cast<long>(gone);
  XChangeProperty(windows_.display(), DefaultRootWindow(windows_.display()), active, XA_WINDOW, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(&stale), 1);
  windows_.Sync();
  rect = SelectCaptureRect(true);
  EXPECT_EQ(rect.x, 0);
  EXPECT_EQ(rect.width, kScreenWidth);
  XDeleteProperty(windows_.display(), DefaultRootWindow(windows_.display()), active);
  windows_.Sync();
}

TEST_F(ScreenCaptureTest, FrameExtentsAreTakenOnlyWhenAFrameCouldHaveThem) {
  const Window window = Show(100, 50, 200, 100, 0x445566);
  windows_.Focus(window);
  SetFrameExtents(window, 4, 6, 20, 2);
  TCaptureRect rect = SelectCaptureRect(true);
  EXPECT_EQ(rect.x, 96);
  EXPECT_EQ(rect.y, 30);
  EXPECT_EQ(rect.width, 210);
  EXPECT_EQ(rect.height, 122);

  // Extents that overflow 32-bit arithmetic, that read as negative, or that
  // are wider than the screen leave the window's own rectangle.
  struct Extents {
    uint32_t left, right, top, bottom;
  };
  for (Extents e :
       {Extents{2147483647, 0, 0, 0}, Extents{0, 2147483647, 2147483647, 0},
        Extents{2147483647, 2147483647, 2147483647, 2147483647}, Extents{5000, 5000, 5000, 5000},
        Extents{30000, 30000, 30000, 30000}, Extents{0xFFFFFFFF, 0, 0, 0},
        Extents{0x80000000, 0x80000000, 0, 0}, Extents{641, 0, 0, 0}, Extents{0, 0, 0, 481}}) {
    SetFrameExtents(window, e.left, e.right, e.top, e.bottom);
    rect = SelectCaptureRect(true);
    EXPECT_EQ(rect.x, 100) << e.left << " " << e.right << " " << e.top << " " << e.bottom;
    EXPECT_EQ(rect.y, 50);
    EXPECT_EQ(rect.width, 200);
    EXPECT_EQ(rect.height, 100);
  }
}

TEST_F(ScreenCaptureTest, AForegroundRectangleFarBeyondTheScreenMeansTheWholeScreen) {
  // Four times the screen's area is still a window worth capturing.
  Window window = Show(-100, -100, 1100, 1100, 0x778899);
  windows_.Focus(window);
  TCaptureRect rect = SelectCaptureRect(true);
  EXPECT_EQ(rect.x, -100);
  EXPECT_EQ(rect.width, 1100);
  EXPECT_EQ(rect.height, 1100);

  // Plausible extents on a screen-sized window: nine screens in all.
  windows_.Destroy(window);
  shown_.pop_back();
  window = Show(0, 0, kScreenWidth, kScreenHeight, 0x778899);
  windows_.Focus(window);
  SetFrameExtents(window, kScreenWidth, kScreenWidth, kScreenHeight, kScreenHeight);
  rect = SelectCaptureRect(true);
  EXPECT_EQ(rect.x, 0);
  EXPECT_EQ(rect.y, 0);
  EXPECT_EQ(rect.width, kScreenWidth);
  EXPECT_EQ(rect.height, kScreenHeight);

  // The largest window X allows: 16 GiB of pixels.
  windows_.Destroy(window);
  shown_.pop_back();
  window = Show(0, 0, 65535, 65535, 0x778899);
  windows_.Focus(window);
  rect = SelectCaptureRect(true);
  EXPECT_EQ(rect.x, 0);
  EXPECT_EQ(rect.y, 0);
  EXPECT_EQ(rect.width, kScreenWidth);
  EXPECT_EQ(rect.height, kScreenHeight);
  TPixelBuffer pixels = GrabScreenPixels(rect.x, rect.y, rect.width, rect.height);
  EXPECT_EQ(Mismatch(pixels, expected_, 0, 0, kScreenWidth, kScreenHeight), "");
}

TEST_F(ScreenCaptureTest, AFailedSharedMemoryReadFallsBackAndIsNotTriedAgain) {
  Show(30, 40, 200, 100, 0x5A3C1E);
  ASSERT_EQ(Mismatch(GrabScreenPixels(0, 0, kScreenWidth, kScreenHeight), expected_, 0, 0,
                     kScreenWidth, kScreenHeight),
            "");
  ASSERT_EQ(GdiObjectCounts().sharedMemorySegments, 1) << "no shared memory on this server";

  // Detach the reader's segment on the server behind its back: the next
  // shared read fails with an X error (BadShmSeg).
  {
    XConnection& connection = XConnection::Instance();
    std::shared_ptr<XShmSegment> segment = connection.FreeSegment(1);
    ASSERT_TRUE(segment);
    XShmDetach(connection.Get(), segment->Info());
    XSync(connection.Get(), False);
  }

  for (int i = 0; i < 3; ++i) {
    TPixelBuffer pixels = GrabScreenPixels(0, 0, kScreenWidth, kScreenHeight);
    EXPECT_EQ(Mismatch(pixels, expected_, 0, 0, kScreenWidth, kScreenHeight), "") << "read " << i;
    EXPECT_EQ(Mismatch(GrabScreenPixels(20, 30, 50, 50), expected_, 20, 30, 50, 50), "");
    // The failed segment is gone and no new one was set up.
    EXPECT_EQ(GdiObjectCounts().sharedMemorySegments, 0);
  }
}

TEST_F(ScreenCaptureTest, AThousandCapturesLeaveNothingBehind) {
  Show(0, 0, 320, 240, 0x00AAFF);
  ASSERT_TRUE(GrabScreenPixels(0, 0, kScreenWidth, kScreenHeight));  // warm: the segment exists
  const TGdiObjectCounts before = GdiObjectCounts();
  EXPECT_EQ(before.deviceContexts, 0);
  EXPECT_EQ(before.bitmaps, 0);
  int captured = 0;
  for (int i = 0; i < 1000; ++i) {
    const bool whole = i % 2 == 0;
    TPixelBuffer pixels = whole ? GrabScreenPixels(0, 0, kScreenWidth, kScreenHeight)
                                : GrabScreenPixels(-10, 10, 100, 100);
    captured += pixels ? 1 : 0;
  }
  EXPECT_EQ(captured, 1000);
  const TGdiObjectCounts after = GdiObjectCounts();
  EXPECT_EQ(after.deviceContexts, before.deviceContexts);
  EXPECT_EQ(after.bitmaps, before.bitmaps);
  EXPECT_EQ(after.sharedMemorySegments, before.sharedMemorySegments);
}

TEST_F(ScreenCaptureTest, TheLayerRefusesMisuseInsteadOfCrashing) {
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 4, 4);
  ASSERT_NE(screen, nullptr);
  ASSERT_NE(bitmap, nullptr);
  HGDIOBJ stock = SelectObject(memory, bitmap);
  ASSERT_NE(stock, nullptr);

  EXPECT_FALSE(DeleteObject(bitmap));                                  // still selected
  EXPECT_FALSE(BitBlt(memory, 0, 0, 4, 4, screen, 0, 0, 0x00EE0086));  // not a copy
  EXPECT_FALSE(BitBlt(screen, 0, 0, 4, 4, memory, 0, 0, SRCCOPY));     // wrong way round

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = 4;
  info.bmiHeader.biHeight = -4;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;  // only 32-bit rows are provided
  info.bmiHeader.biCompression = BI_RGB;
  uint32_t bits[16];
  EXPECT_EQ(GetDIBits(memory, bitmap, 0, 4, bits, &info, DIB_RGB_COLORS), 0);
  info.bmiHeader.biBitCount = 32;
  // Never copied into: reads black.
  EXPECT_EQ(GetDIBits(memory, bitmap, 0, 4, bits, &info, DIB_RGB_COLORS), 4);
  EXPECT_EQ(bits[5], 0u);

  EXPECT_EQ(SelectObject(memory, stock), bitmap);
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_FALSE(DeleteObject(bitmap));  // already gone
  EXPECT_TRUE(DeleteDC(memory));
  EXPECT_FALSE(DeleteDC(memory));
  EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
  EXPECT_EQ(GdiObjectCounts().deviceContexts, 0);
  EXPECT_EQ(GdiObjectCounts().bitmaps, 0);
}

}  // namespace
