// Icons in the notification area, on a private X server whose tray host is
// Debian's trayer, clicked with xdotool the way a person clicks them.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QToolTip>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/shell/ShellApi.h"
#include "platform/user/EventLoop.h"
#include "platform/user/Messages.h"
#include "platform/user/Resources.h"
#include "tests/support/EventPump.h"
#include "tests/support/PrivateXServer.h"

extern char** environ;

namespace {

constexpr UINT kCallback = 0x8064;
constexpr UINT kIconId = 1006;
constexpr int kScreenWidth = 1024;
constexpr uint32_t kScreenBlue = 0x2e86de;  // the server icon's screen

PrivateXServer gDisplay;

// The X server and the application on it, started only when tests run.
class TrayDisplay : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(gDisplay.Start({kScreenWidth, 768, 24, -1, false})) << gDisplay.Error();
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    // The XEmbed tray, whatever session bus the machine may have.
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
    char folder[] = "/tmp/scrivlo-runtime-XXXXXX";
    if (mkdtemp(folder) != nullptr) setenv("XDG_RUNTIME_DIR", folder, 1);
    EnsureEventLoop();
  }
};

pid_t Spawn(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

bool Xdotool(const std::string& arguments) {
  return std::system(("xdotool " + arguments + " >/dev/null 2>&1").c_str()) == 0;
}

NOTIFYICONDATAW Record(HWND window, UINT flags, HICON icon, const char16_t* tip) {
  NOTIFYICONDATAW data{};
  data.cbSize = 508;
  data.hWnd = window;
  data.uID = kIconId;
  data.uFlags = flags;
  data.uCallbackMessage = kCallback;
  data.hIcon = icon;
  std::char_traits<char16_t>::copy(data.szTip, tip, std::char_traits<char16_t>::length(tip));
  return data;
}

QRect IconPlace(HWND window) {
  NOTIFYICONIDENTIFIER identifier{sizeof(NOTIFYICONIDENTIFIER), window, kIconId, {}};
  RECT place{};
  if (Shell_NotifyIconGetRect(&identifier, &place) != S_OK) return {};
  return QRect(place.left, place.top, place.right - place.left, place.bottom - place.top);
}

// The icon's own X window, to aim xdotool at: the visible top-level widget
// that covers exactly the icon's place.
WId IconWindow(const QRect& place) {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->isVisible() && QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size()) == place) {
      return widget->winId();
    }
  }
  return 0;
}

// Moves the pointer onto the icon from elsewhere, as a person does, and
// clicks `button` there; false when the icon's window is gone.
bool ClickIcon(WId icon, int button) {
  return Xdotool("mousemove 500 500 mousemove --window " + std::to_string(icon) + " 6 6 click " +
                 std::to_string(button));
}

int PixelsOf(const QRect& place, uint32_t rgb) {
  const QImage shot = QGuiApplication::primaryScreen()
                          ->grabWindow(0, place.x(), place.y(), place.width(), place.height())
                          .toImage();
  int count = 0;
  for (int y = 0; y < shot.height(); ++y) {
    for (int x = 0; x < shot.width(); ++x)
      count += (shot.pixel(x, y) & 0xFFFFFF) == rgb ? 1 : 0;
  }
  return count;
}

// Mouse messages the recorder got as the icon's callback, in order.
std::vector<LPARAM> Clicks(const MessageRecorder& recorder) {
  std::vector<LPARAM> clicks;
  for (const TMessage& message : recorder.messages) {
    EXPECT_EQ(message.Msg, kCallback);
    EXPECT_EQ(message.WParam, kIconId);
    clicks.push_back(message.LParam);
  }
  return clicks;
}

// Defined first: within one process, no tray host has run yet.
TEST(NotifyIconWithoutTrayTest, AddingFailsAndNothingIsLeftBehind) {
  ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
  MessageRecorder window;
  NOTIFYICONDATAW data = Record(window.Handle(), NIF_MESSAGE | NIF_ICON | NIF_TIP, nullptr, u"");
  EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &data));
  EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &data));
  EXPECT_FALSE(Shell_NotifyIconW(NIM_DELETE, &data));
  EXPECT_TRUE(IconPlace(window.Handle()).isNull());
  // A record that says it is short is read no further (the sanitizer run
  // catches a read past it), even with a tip that runs to its very end.
  auto shortRecord = std::make_unique<unsigned char[]>(NOTIFYICONDATAW_V1_SIZE);
  std::memcpy(shortRecord.get(), &data, offsetof(NOTIFYICONDATAW, szTip));
  auto* cut = reinterpret_cast<NOTIFYICONDATAW*>(shortRecord.get());
  cut->cbSize = NOTIFYICONDATAW_V1_SIZE;
  std::fill(cut->szTip, cut->szTip + 64, u'x');
  EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, cut));
}

class NotifyIconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tray_ = Spawn({"trayer", "--edge", "top", "--align", "right", "--widthtype", "request",
                   "--height", "24"});
    ASSERT_GT(tray_, 0) << "trayer could not be started (is it installed?)";
    ASSERT_TRUE(PumpUntil([] { return QSystemTrayIcon::isSystemTrayAvailable(); },
                          std::chrono::seconds(10)))
        << "trayer did not take the notification area";
    icon_ = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCE(1), IMAGE_ICON,
                                          32, 32, LR_DEFAULTCOLOR));
    ASSERT_NE(icon_, nullptr);
  }
  void TearDown() override {
    DestroyIcon(icon_);
    // Seen here: a tray host ended right after an icon left it leaves the
    // icons of the next host in this process deaf to clicks. Let it settle.
    PumpFor(std::chrono::milliseconds(500));
    if (tray_ > 0) {
      kill(tray_, SIGTERM);
      waitpid(tray_, nullptr, 0);
    }
  }

  // Adds the icon as the server does (first bare, then with picture and
  // tip) and waits until it shows in trayer's area at the top right.
  QRect AddIcon(HWND window, const char16_t* tip) {
    NOTIFYICONDATAW bare = Record(window, NIF_MESSAGE | NIF_ICON | NIF_TIP, nullptr, u"");
    EXPECT_TRUE(Shell_NotifyIconW(NIM_ADD, &bare));
    NOTIFYICONDATAW full = Record(window, NIF_MESSAGE | NIF_ICON | NIF_TIP, icon_, tip);
    EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &full));
    QRect place;
    EXPECT_TRUE(PumpUntil(
        [&] {
          place = IconPlace(window);
          // Shown where it stays: trayer moves it while making room for it.
          // The picture given with NIM_MODIFY is what the tray shows.
          return !place.isEmpty() && place.left() > kScreenWidth / 2 && place.top() >= 0 &&
                 place.top() < 24 && IconWindow(place) != 0 && PixelsOf(place, kScreenBlue) >= 20;
        },
        std::chrono::seconds(10)));
    return place;
  }

  pid_t tray_ = -1;
  HICON icon_ = nullptr;
};

TEST_F(NotifyIconTest, ClicksOnTheIconReachItsWindowAsTheCallbackMessage) {
  MessageRecorder window;
  const QRect place = AddIcon(window.Handle(), u"Scrivlo Image Server");
  ASSERT_FALSE(place.isEmpty());
  const WId icon = IconWindow(place);
  ASSERT_TRUE(ClickIcon(icon, 3));
  ASSERT_TRUE(PumpUntil([&] { return window.messages.size() >= 1; }));
  ASSERT_TRUE(ClickIcon(icon, 1));
  ASSERT_TRUE(PumpUntil([&] { return window.messages.size() >= 2; }));
  PumpFor(std::chrono::milliseconds(300));
  EXPECT_EQ(Clicks(window), (std::vector<LPARAM>{WM_RBUTTONUP, WM_LBUTTONUP}));

  // The same icon cannot be added twice; a record too short to hold even
  // the smallest tip, or an icon for no window, is refused.
  NOTIFYICONDATAW again = Record(window.Handle(), NIF_MESSAGE, nullptr, u"");
  EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &again));
  again.cbSize = NOTIFYICONDATAW_V1_SIZE - 1;
  EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &again));
  again.cbSize = 508;
  again.hWnd = reinterpret_cast<HWND>(uintptr_t{0x7fff0000});
  EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, &again));
  EXPECT_FALSE(Shell_NotifyIconW(NIM_ADD, nullptr));
  EXPECT_FALSE(Shell_NotifyIconW(3, &again));
}

TEST_F(NotifyIconTest, ModifyChangesTheTipAndDeleteRemovesTheIcon) {
  MessageRecorder window;
  const QRect place = AddIcon(window.Handle(), u"before");
  ASSERT_FALSE(place.isEmpty());
  const WId iconWindow = IconWindow(place);
  NOTIFYICONDATAW tip = Record(window.Handle(), NIF_TIP, nullptr, u"Scrivlo Image Server");
  ASSERT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &tip));
  // Resting the pointer on the icon shows the new tip.
  ASSERT_TRUE(
      Xdotool("mousemove 500 500 mousemove --window " + std::to_string(iconWindow) + " 5 5"));
  EXPECT_TRUE(
      PumpUntil([] { return QToolTip::isVisible() && QToolTip::text() == "Scrivlo Image Server"; },
                std::chrono::seconds(10)))
      << "tip shown: " << QToolTip::text().toStdString();

  NOTIFYICONDATAW gone = Record(window.Handle(), 0, nullptr, u"");
  ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &gone));
  EXPECT_TRUE(IconPlace(window.Handle()).isNull());
  EXPECT_TRUE(PumpUntil([&] { return PixelsOf(place, kScreenBlue) == 0; }));
  EXPECT_FALSE(Shell_NotifyIconW(NIM_DELETE, &gone));
  EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &tip));
  // Where the icon was, a click reaches nobody.
  Xdotool("mousemove " + std::to_string(place.center().x()) + " " +
          std::to_string(place.center().y()) + " click 3");
  PumpFor(std::chrono::milliseconds(500));
  EXPECT_TRUE(window.messages.empty());
  // The id is free again.
  EXPECT_FALSE(AddIcon(window.Handle(), u"again").isEmpty());
}

TEST_F(NotifyIconTest, AnIconGoesFromItsOwnClickOrWithItsWindow) {
  // A window that removes its icon while handling the icon's click.
  std::vector<LPARAM> clicks;
  HWND handle = nullptr;
  handle = AllocateHWnd([&](TMessage& message) {
    clicks.push_back(message.LParam);
    NOTIFYICONDATAW gone = Record(handle, 0, nullptr, u"");
    Shell_NotifyIconW(NIM_DELETE, &gone);
  });
  QRect place = AddIcon(handle, u"Scrivlo Image Server");
  ASSERT_FALSE(place.isEmpty());
  const WId first = IconWindow(place);
  ASSERT_TRUE(ClickIcon(first, 3));
  ASSERT_TRUE(PumpUntil([&] { return !clicks.empty(); }));
  ClickIcon(first, 3);
  PumpFor(std::chrono::milliseconds(500));
  EXPECT_EQ(clicks, std::vector<LPARAM>{WM_RBUTTONUP});
  EXPECT_TRUE(IconPlace(handle).isNull());

  // An icon that outlives its window goes at the next click on it.
  place = AddIcon(handle, u"Scrivlo Image Server");
  ASSERT_FALSE(place.isEmpty());
  const WId second = IconWindow(place);
  DeallocateHWnd(handle);
  ASSERT_TRUE(ClickIcon(second, 3));
  EXPECT_TRUE(PumpUntil([&] { return PixelsOf(place, kScreenBlue) == 0; }));
  EXPECT_TRUE(IconPlace(handle).isNull());
  EXPECT_EQ(clicks.size(), 1u);
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new TrayDisplay);
  return RUN_ALL_TESTS();
}
