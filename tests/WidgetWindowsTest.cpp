// Windows shown by widgets, as the platform's window calls see them, and the
// keys a Qt key event becomes.

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QTest>

#include "framework/Button.h"
#include "framework/Form.h"
#include "framework/KeyMapping.h"
#include "framework/Panel.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/VirtualKeys.h"
#include "platform/user/WidgetWindows.h"

namespace {

TEST(WidgetWindows, AHandleFindsItsWidgetUntilTheControlIsGone) {
  auto* form = new TForm(nullptr);
  form->SetBounds(20, 30, 200, 150);
  auto* panel = new TPanel(form);
  panel->SetParent(form);
  panel->SetBounds(10, 20, 50, 40);
  auto* button = new TButton(form);
  button->SetParent(panel);
  form->Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form->Widget()));

  HWND window = panel->Handle();
  EXPECT_EQ(WindowWidget(window), panel->Widget());
  EXPECT_EQ(WidgetWindow(panel->Widget()), window);
  EXPECT_EQ(GetParent(button->Handle()), window);
  EXPECT_EQ(GetParent(window), form->Handle());
  EXPECT_TRUE(IsWindowVisible(window));
  RECT client{};
  ASSERT_TRUE(GetClientRect(window, &client));
  EXPECT_EQ(client.right, 50);
  EXPECT_EQ(client.bottom, 40);
  POINT corner{0, 0};
  ASSERT_TRUE(ClientToScreen(window, &corner));
  POINT back = corner;
  ASSERT_TRUE(ScreenToClient(form->Handle(), &back));
  EXPECT_EQ(back.x, 10);
  EXPECT_EQ(back.y, 20);

  // A window that paints itself gives a context on its pixels; Qt's own
  // button does not.
  HDC dc = GetDC(window);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(ReleaseDC(window, dc), 1);
  EXPECT_EQ(GetDC(button->Handle()), nullptr);

  EXPECT_EQ(SetCapture(window), nullptr);
  EXPECT_EQ(GetCapture(), window);
  EXPECT_EQ(SetCapture(form->Handle()), window);
  ReleaseCapture();
  EXPECT_EQ(GetCapture(), nullptr);

  SetCapture(window);
  TComponent::Free(form);  // the capture and the handles go with it
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(WindowWidget(window), nullptr);
  EXPECT_EQ(GetDC(window), nullptr);
  EXPECT_FALSE(IsWindowVisible(window));
}

TEST(WidgetWindows, MoveWindowPlacesAndGetWindowRectReadsTheOuterRectangle) {
  auto* form = new TForm(nullptr);
  form->SetBounds(20, 30, 200, 150);
  auto* panel = new TPanel(form);
  panel->SetParent(form);
  form->Show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form->Widget()));

  // A child: in its parent's client coordinates; read back on the screen.
  ASSERT_TRUE(MoveWindow(panel->Handle(), 15, 25, 60, 30, 1));
  POINT origin{0, 0};
  ClientToScreen(form->Handle(), &origin);
  RECT outer{};
  ASSERT_TRUE(GetWindowRect(panel->Handle(), &outer));
  EXPECT_EQ(outer.left, origin.x + 15);
  EXPECT_EQ(outer.top, origin.y + 25);
  EXPECT_EQ(outer.right - outer.left, 60);
  EXPECT_EQ(outer.bottom - outer.top, 30);

  // A window: by its frame, which the size includes.
  ASSERT_TRUE(MoveWindow(form->Handle(), 50, 60, 240, 180, 1));
  ASSERT_TRUE(GetWindowRect(form->Handle(), &outer));
  EXPECT_EQ(outer.left, 50);
  EXPECT_EQ(outer.top, 60);
  EXPECT_EQ(outer.right, 290);
  EXPECT_EQ(outer.bottom, 240);
  const QRect frame = form->Widget()->frameGeometry();
  EXPECT_EQ(frame, QRect(50, 60, 240, 180));

  HWND gone = panel->Handle();
  TComponent::Free(form);
  EXPECT_FALSE(MoveWindow(gone, 0, 0, 10, 10, 0));
  EXPECT_FALSE(GetWindowRect(gone, &outer));
}

TEST(KeyMapping, KeysBecomeThePlatformsCodesAndCharacters) {
  auto down = [](int key, Qt::KeyboardModifiers modifiers, const QString& text) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers, text);
    return std::make_pair(VirtualKeyFromQt(key, modifiers), CharCodeFromQt(event));
  };
  EXPECT_EQ(down(Qt::Key_A, Qt::NoModifier, "a"), std::make_pair(WORD{'A'}, WideChar{'a'}));
  EXPECT_EQ(down(Qt::Key_A, Qt::ControlModifier, "a"), std::make_pair(WORD{'A'}, WideChar{1}));
  EXPECT_EQ(down(Qt::Key_Backspace, Qt::NoModifier, "\b"), std::make_pair(VK_BACK, WideChar{8}));
  EXPECT_EQ(down(Qt::Key_Delete, Qt::NoModifier, "\x7f"), std::make_pair(VK_DELETE, WideChar{0}));
  EXPECT_EQ(down(Qt::Key_Enter, Qt::KeypadModifier, "\r"), std::make_pair(VK_RETURN, WideChar{13}));
  EXPECT_EQ(down(Qt::Key_5, Qt::KeypadModifier, "5"),
            std::make_pair(WORD(VK_NUMPAD0 + 5), WideChar{'5'}));
  EXPECT_EQ(down(Qt::Key_Tab, Qt::NoModifier, "\t"), std::make_pair(VK_TAB, WideChar{0}));
  EXPECT_EQ(down(Qt::Key_X, Qt::AltModifier, "x"), std::make_pair(WORD{'X'}, WideChar{0}));
  EXPECT_EQ(down(Qt::Key_F5, Qt::NoModifier, ""), std::make_pair(WORD(VK_F1 + 4), WideChar{0}));
  EXPECT_EQ(down(Qt::Key_Adiaeresis, Qt::NoModifier, u8"\u00e4"),
            std::make_pair(WORD{0}, WideChar{0xE4}));
  // Back from codes, for keys sent by code.
  EXPECT_EQ(QtKeyFromVirtualKey(VK_LEFT), Qt::Key_Left);
  EXPECT_EQ(QtKeyFromVirtualKey('Q'), Qt::Key_Q);
  const QKeyEvent typed = KeyEventForChar(u'x', Qt::NoModifier);
  EXPECT_EQ(typed.text(), "x");
  EXPECT_EQ(KeyEventForChar(8, Qt::NoModifier).key(), Qt::Key_Backspace);
  EXPECT_EQ(KeyEventForChar(3, Qt::NoModifier).modifiers(), Qt::ControlModifier);
}

}  // namespace
