// The key paint box: focus taken by any click before OnMouseDown, keys (arrows
// and Tab too) typed into its window reaching its key events, a handler that
// destroys it on entry, and its look with and without an OnPaint handler.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTest>
#include <QWindow>
#include <string>
#include <vector>

#include "components/KeyPaintBox.h"
#include "framework/Edit.h"
#include "framework/Form.h"
#include "framework/Registration.h"
#include "platform/gdi/Drawing.h"
#include "platform/user/WidgetWindows.h"
#include "tests/support/Pixels.h"

using ::testing::ElementsAre;

namespace {

// An active form: an edit, the box, another edit, in that tab order.
struct BoxBetweenEdits {
  BoxBetweenEdits() : form(new TForm(nullptr)) {
    form->SetBounds(40, 30, 300, 200);
    before = AddEdit(10);
    box = new TKeyPaintBox(form);
    box->SetParent(form);
    box->SetBounds(10, 40, 80, 60);
    after = AddEdit(120);
    box->Handle();  // so that GetFocus can name it
    form->Show();
    form->BringToFront();
    EXPECT_TRUE(QTest::qWaitForWindowActive(form->Widget()));
  }
  ~BoxBetweenEdits() { TComponent::Free(form); }
  TEdit* AddEdit(int top) {
    auto* edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetBounds(10, top, 80, 21);
    return edit;
  }
  // As typed on the keyboard: the window system gives it to the focus.
  void Type(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(form->Widget()->windowHandle(), key, modifiers);
  }
  void Click(Qt::MouseButton button) {
    const QPoint at = box->Widget()->mapTo(form->Widget(), QPoint(20, 20));
    QTest::mouseClick(form->Widget()->windowHandle(), button, {}, at);
  }
  TForm* form;
  TEdit* before;
  TKeyPaintBox* box;
  TEdit* after;
};

TEST(KeyPaintBox, AnyClickFocusesItBeforeOnMouseDownAndItsKeysArrive) {
  std::vector<std::string> log;  // outlives the form, whose end the box hears
  BoxBetweenEdits f;
  f.box->OnEnter = [&](TObject*) { log.push_back("enter"); };
  f.box->OnExit = [&](TObject*) { log.push_back("exit"); };
  f.box->OnMouseDown = [&](TObject* sender, TMouseButton button, TShiftState, int x, int y) {
    EXPECT_EQ(sender, f.box);
    log.push_back("mouse " + std::to_string(button) + " at " + std::to_string(x) + "," +
                  std::to_string(y) + (f.box->Focused() ? " focused" : " unfocused") +
                  (GetFocus() == f.box->Handle() ? " with the window focus" : ""));
  };
  f.box->OnKeyDown = [&](TObject*, WORD& key, TShiftState) {
    log.push_back("down " + std::to_string(key));
  };
  f.box->OnKeyPress = [&](TObject*, WideChar& key) {
    log.push_back("press " + std::to_string(key));
  };
  f.box->OnKeyUp = [&](TObject*, WORD& key, TShiftState) {
    log.push_back("up " + std::to_string(key));
  };

  f.before->SetFocus();
  f.Click(Qt::RightButton);
  EXPECT_TRUE(f.box->Focused());
  f.Type(Qt::Key_Left);
  f.Type(Qt::Key_Up);
  f.Type(Qt::Key_Right);
  f.Type(Qt::Key_Down);
  f.Type(Qt::Key_X);
  f.Type(Qt::Key_Tab);  // reaches the box, then moves the focus on
  EXPECT_TRUE(f.after->Focused());
  // A tab stop: Shift+Tab comes back, and the keys' releases arrive there.
  f.Type(Qt::Key_Tab, Qt::ShiftModifier);
  EXPECT_TRUE(f.box->Focused());
  f.after->SetFocus();
  f.Click(Qt::LeftButton);
  EXPECT_THAT(
      log, ElementsAre("enter", "mouse 1 at 20,20 focused with the window focus", "down 37",
                       "up 37", "down 38", "up 38", "down 39", "up 39", "down 40", "up 40",
                       "down 88", "press 120", "up 88", "down 9", "exit", "enter", "up 9", "up 16",
                       "exit", "enter", "mouse 0 at 20,20 focused with the window focus"));
}

TEST(KeyPaintBox, AnEntryHandlerMayDestroyTheBoxItWasClickedOn) {
  BoxBetweenEdits f;
  bool mouseDown = false;
  f.box->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { mouseDown = true; };
  f.box->OnEnter = [&](TObject*) {
    TComponent::Free(f.box);
    f.box = nullptr;
  };
  f.before->SetFocus();
  f.Click(Qt::LeftButton);
  EXPECT_EQ(f.box, nullptr);
  EXPECT_FALSE(mouseDown);
  EXPECT_EQ(f.form->ControlCount(), 2);  // the edits are left
}

TEST(KeyPaintBox, ItsLookIsItsColourOrWhateverOnPaintDraws) {
  BoxBetweenEdits f;
  f.box->SetColor(clYellow);
  const QImage plain = f.box->Widget()->grab().toImage();
  ASSERT_EQ(plain.size(), QSize(80, 60));
  for (const QPoint at : {QPoint(0, 0), QPoint(40, 30), QPoint(79, 59)})
    EXPECT_EQ(RgbAt(plain, at.x(), at.y()), 0xFFFF00u);

  std::vector<TObject*> senders;
  f.box->OnPaint = [&](TObject* sender) {
    senders.push_back(sender);
    f.box->Canvas()->Brush()->SetColor(clBlue);
    f.box->Canvas()->FillRect(Rect(0, 0, 80, 60));
    f.box->Canvas()->Brush()->SetColor(clRed);
    f.box->Canvas()->FillRect(Rect(0, 0, 40, 60));
  };
  f.box->Repaint();
  const QImage drawn = f.box->Widget()->grab().toImage();
  EXPECT_THAT(senders, ::testing::Contains(f.box));
  // Nothing of the box's own painting lies over what the handler drew.
  EXPECT_EQ(RgbAt(drawn, 10, 30), 0xFF0000u);
  EXPECT_EQ(RgbAt(drawn, 60, 30), 0x0000FFu);
  EXPECT_EQ(RgbAt(drawn, 79, 59), 0x0000FFu);
}

TEST(KeyPaintBox, RegisteredOnTheCorvanePageAsATabStop) {
  KeyPaintBox::Register();
  TComponent owner(nullptr);
  auto* made = dynamic_cast<TKeyPaintBox*>(CreateRegisteredComponent("TKeyPaintBox", &owner));
  ASSERT_NE(made, nullptr);
  EXPECT_TRUE(made->TabStop());
  EXPECT_FALSE(made->OnPaint.Assigned());
  bool onCorvane = false;
  for (const auto& entry : RegisteredComponents())
    onCorvane |= entry.page == "Corvane" && entry.className == "TKeyPaintBox";
  EXPECT_TRUE(onCorvane);
}

}  // namespace
