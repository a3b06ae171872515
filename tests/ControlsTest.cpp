// The control framework on Qt's offscreen platform: geometry, the message
// path for mouse, keys, paint, enabling and size, capture, focus-free key
// handling, menus, radio groups, forms and the application's main form.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/Button.h"
#include "framework/CheckBox.h"
#include "framework/ComponentLoading.h"
#include "framework/Edit.h"
#include "framework/Form.h"
#include "framework/GroupBox.h"
#include "framework/Image.h"
#include "framework/Label.h"
#include "framework/Menus.h"
#include "framework/PageControl.h"
#include "framework/PaintBox.h"
#include "framework/Panel.h"
#include "framework/Screen.h"
#include "framework/SpeedButton.h"
#include "framework/SysUtils.h"
#include "framework/UpDown.h"
#include "platform/gdi/Drawing.h"
#include "platform/user/VirtualKeys.h"
#include "platform/user/WidgetWindows.h"
#include "tests/support/EventPump.h"
#include "tests/support/ModalBox.h"
#include "tests/support/Pixels.h"

using ::testing::ElementsAre;
using namespace std::chrono_literals;

namespace {

// A form shown on the offscreen screen, destroyed with the test.
struct ShownForm {
  ShownForm() : form(new TForm(nullptr)) {
    form->SetBounds(40, 30, 300, 200);
    form->Show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form->Widget()));
  }
  ~ShownForm() { TComponent::Free(form); }
  TForm* form;
};

// A custom control that records what reaches it.
class Recorder : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  std::vector<std::string> log;

 protected:
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override {
    log.push_back("down " + std::to_string(button) + " " + std::to_string(x) + "," +
                  std::to_string(y) + (MouseCapture() ? " captured" : ""));
    TCustomControl::MouseDown(button, shift, x, y);
  }
  void MouseMove(TShiftState shift, int x, int y) override {
    if (shift.Contains(ssLeft))
      log.push_back("move " + std::to_string(x) + "," + std::to_string(y));
    TCustomControl::MouseMove(shift, x, y);
  }
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override {
    log.push_back("up " + std::to_string(x) + "," + std::to_string(y));
    TCustomControl::MouseUp(button, shift, x, y);
  }
  void Click() override {
    log.push_back("click");
    TCustomControl::Click();
  }
  void Resize() override {
    log.push_back("resize " + std::to_string(Width()) + "x" + std::to_string(Height()));
    TCustomControl::Resize();
  }
  void Paint() override {
    log.push_back("paint");
    Canvas()->Brush()->SetColor(clRed);
    Canvas()->FillRect(Rect(2, 2, 6, 6));
  }
};

TEST(Controls, AChildSitsInItsParentsClientAreaInPixelsToo) {
  ShownForm shown;
  auto* panel = new TPanel(shown.form);
  panel->SetParent(shown.form);
  panel->SetBounds(10, 20, 100, 60);
  panel->SetBevelOuter(bvNone);
  panel->SetColor(clWhite);
  auto* box = new TPaintBox(shown.form);
  box->SetParent(panel);
  box->SetBounds(5, 6, 8, 4);
  box->OnPaint = [&](TObject*) {
    box->Canvas()->Brush()->SetColor(clBlue);
    box->Canvas()->FillRect(box->ClientRect());
  };
  EXPECT_EQ(box->Widget()->mapTo(shown.form->Widget(), QPoint(0, 0)), QPoint(15, 26));
  const TPoint screen = box->ClientToScreen(TPoint{0, 0});
  const TPoint form = shown.form->ClientToScreen(TPoint{15, 26});
  EXPECT_EQ(screen, form);

  const QImage pixels = shown.form->Widget()->grab().toImage();
  EXPECT_EQ(RgbAt(pixels, 15, 26), 0x0000FF);  // the box's corner
  EXPECT_EQ(RgbAt(pixels, 22, 29), 0x0000FF);  // and its far corner
  EXPECT_EQ(RgbAt(pixels, 23, 26), 0xFFFFFF);  // the panel beside it
  EXPECT_EQ(RgbAt(pixels, 14, 26), 0xFFFFFF);
}

TEST(Controls, OnKeyPressCanSwallowOrReplaceACharacter) {
  ShownForm shown;
  auto* edit = new TEdit(shown.form);
  edit->SetParent(shown.form);
  std::vector<WORD> downs;
  int changes = 0;
  edit->OnKeyDown = [&](TObject*, WORD& key, TShiftState) { downs.push_back(key); };
  edit->OnKeyPress = [&](TObject* sender, WideChar& key) {
    EXPECT_EQ(sender, edit);
    if (key == u'x') key = 0;
    if (key == u'a') key = u'b';
  };
  edit->OnChange = [&](TObject*) { ++changes; };
  QTest::keyClicks(edit->Widget(), "axc");
  EXPECT_EQ(edit->Text(), u"bc");
  EXPECT_EQ(changes, 2);
  EXPECT_THAT(downs, ElementsAre('A', 'X', 'C'));

  // Keys that type nothing still reach the edit: the caret moves left and
  // Backspace, a character of its own, deletes.
  QTest::keyClick(edit->Widget(), Qt::Key_Left);
  QTest::keyClick(edit->Widget(), Qt::Key_Backspace);
  EXPECT_EQ(edit->Text(), u"c");
  EXPECT_EQ(edit->SelStart(), 0);

  // A character sent as a message types like a key.
  edit->Perform(WM_CHAR, u'z');
  EXPECT_EQ(edit->Text(), u"zc");
  SendMessage(edit->Handle(), WM_CHAR, 8, 0);
  EXPECT_EQ(edit->Text(), u"c");
}

TEST(Controls, TheCaptureDeliversMovesOutsideTheControlUntilTheRelease) {
  ShownForm shown;
  auto* control = new Recorder(shown.form);
  control->SetParent(shown.form);
  control->SetBounds(100, 50, 40, 20);
  control->log.clear();
  QWidget* widget = control->Widget();
  QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseMove(widget, QPoint(-30, 5));
  QTest::mouseMove(widget, QPoint(90, 15));
  EXPECT_TRUE(control->MouseCapture());
  QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(90, 15));
  EXPECT_FALSE(control->MouseCapture());
  // Released outside: no click. Inside: a click, before the release.
  QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_THAT(control->log, ElementsAre("down 0 5,5 captured", "move -30,5", "move 90,15",
                                        "up 90,15", "down 0 3,3 captured", "click", "up 3,3"));
}

TEST(Controls, SizePaintAndEnablingTakeTheMessagePath) {
  ShownForm shown;
  auto* control = new Recorder(shown.form);
  control->SetParent(shown.form);
  std::vector<UINT> seen;
  control->SetBounds(0, 0, 30, 10);
  EXPECT_THAT(control->log, ElementsAre("resize 30x10"));
  control->SetBounds(5, 5, 30, 10);  // a move alone is no resize
  control->SetWidth(31);
  EXPECT_EQ(control->log.back(), "resize 31x10");
  control->log.clear();

  // Invalidate waits for the event loop; Repaint paints at once.
  control->Invalidate();
  EXPECT_TRUE(control->log.empty());
  control->Repaint();
  ASSERT_THAT(control->log, ElementsAre("paint"));
  HDC dc = GetDC(control->Handle());
  EXPECT_EQ(GetPixel(dc, 3, 3), RGB(255, 0, 0));
  // Erased in Color before painting.
  EXPECT_EQ(GetPixel(dc, 20, 5), ColorToRGB(clBtnFace));
  ReleaseDC(control->Handle(), dc);
  control->Update();  // nothing waiting: no paint
  EXPECT_THAT(control->log, ElementsAre("paint"));

  // Enabling is a message the class can see.
  class EnableWatch : public Recorder {
   public:
    using Recorder::Recorder;
    int changes = 0;
    void Dispatch(TMessage& message) override {
      if (message.Msg == CM_ENABLEDCHANGED) ++changes;
      Recorder::Dispatch(message);
    }
  };
  EnableWatch watched(nullptr);
  watched.SetEnabled(false);
  watched.SetEnabled(false);
  EXPECT_EQ(watched.changes, 1);
}

TEST(Controls, AClassThatSwallowsAMessageKeepsItFromHandlersAndQt) {
  ShownForm shown;
  class NoLeftButton : public Recorder {
   public:
    using Recorder::Recorder;
    void Dispatch(TMessage& message) override {
      if (message.Msg == WM_LBUTTONDOWN) return;
      Recorder::Dispatch(message);
    }
  };
  auto* control = new NoLeftButton(shown.form);
  control->SetParent(shown.form);
  control->SetBounds(0, 0, 40, 40);
  control->log.clear();
  QTest::mousePress(control->Widget(), Qt::LeftButton, {}, QPoint(4, 4));
  QTest::mouseRelease(control->Widget(), Qt::LeftButton, {}, QPoint(4, 4));
  QTest::mousePress(control->Widget(), Qt::RightButton, {}, QPoint(6, 6));
  QTest::mouseRelease(control->Widget(), Qt::RightButton, {}, QPoint(6, 6));
  // No down, so no click; the right button still arrives.
  EXPECT_THAT(control->log, ElementsAre("up 4,4", "down 1 6,6 captured", "up 6,6"));
}

TEST(Controls, AHandlerMayDestroyTheControlThatRaisedIt) {
  ShownForm shown;
  auto* control = new Recorder(shown.form);
  control->SetParent(shown.form);
  control->SetBounds(0, 0, 40, 40);
  control->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { delete control; };
  QTest::mousePress(control->Widget(), Qt::LeftButton, {}, QPoint(4, 4));
  EXPECT_EQ(shown.form->ControlCount(), 0);

  auto* button = new TButton(shown.form);
  button->SetParent(shown.form);
  int clicks = 0;
  button->OnClick = [&](TObject*) {
    ++clicks;
    delete button;
  };
  QTest::mouseClick(button->Widget(), Qt::LeftButton);
  PumpFor(20ms);  // the widget goes once its event is over
  EXPECT_EQ(clicks, 1);

  auto* edit = new TEdit(shown.form);
  edit->SetParent(shown.form);
  edit->OnKeyPress = [&](TObject*, WideChar&) { delete edit; };
  QTest::keyClick(edit->Widget(), Qt::Key_A);
  PumpFor(20ms);
  EXPECT_EQ(shown.form->ControlCount(), 0);

  // From a program's own call, not the user's: Qt is still inside setText
  // when the change handler runs.
  auto* changed = new TEdit(shown.form);
  changed->SetParent(shown.form);
  int changes = 0;
  changed->OnChange = [&](TObject*) {
    ++changes;
    delete changed;
  };
  changed->SetText(u"gone");
  PumpFor(20ms);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(shown.form->ControlCount(), 0);

  auto* pages = new TPageControl(shown.form);
  pages->SetParent(shown.form);
  for (int i = 0; i < 2; ++i) {
    auto* sheet = new TTabSheet(pages);
    sheet->SetPageControl(pages);
  }
  pages->SetBounds(0, 0, 200, 100);
  pages->OnChange = [&](TObject*) { delete pages; };
  auto* tabs = pages->Widget()->findChild<QTabBar*>();
  ASSERT_NE(tabs, nullptr);
  QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
  PumpFor(20ms);
  EXPECT_EQ(shown.form->ControlCount(), 0);
}

TEST(Controls, RadioButtonsAreExclusiveWithinTheirParentAndReportClicks) {
  ShownForm shown;
  auto* group = new TGroupBox(shown.form);
  group->SetParent(shown.form);
  auto* a = new TRadioButton(shown.form);
  auto* b = new TRadioButton(shown.form);
  auto* elsewhere = new TRadioButton(shown.form);
  a->SetParent(group);
  b->SetParent(group);
  elsewhere->SetParent(shown.form);
  std::vector<TObject*> clicked;
  for (TRadioButton* r : {a, b, elsewhere})
    r->OnClick = [&](TObject* s) { clicked.push_back(s); };

  elsewhere->SetChecked(true);
  a->SetChecked(true);
  QTest::mouseClick(b->Widget(), Qt::LeftButton, {}, QPoint(6, 8));
  EXPECT_FALSE(a->Checked());
  EXPECT_TRUE(b->Checked());
  EXPECT_TRUE(elsewhere->Checked());  // another parent, another group
  // A click on the checked one changes nothing.
  QTest::mouseClick(b->Widget(), Qt::LeftButton, {}, QPoint(6, 8));
  EXPECT_TRUE(b->Checked());
  b->SetChecked(false);  // code may leave none checked
  EXPECT_FALSE(a->Checked() || b->Checked());
  EXPECT_THAT(clicked, ElementsAre(elsewhere, a, b));

  // A check box: clicks and code both raise OnClick, a loading form does not.
  TForm form(nullptr);
  TCheckBox* box = nullptr;
  int boxClicks = 0;
  {
    TComponentLoading loading(&form);
    box = loading.Create<TCheckBox>(&form, "UseFixedIP");
    box->SetParent(&form);
    box->OnClick = [&](TObject*) { ++boxClicks; };
    box->SetChecked(true);
    loading.Finish();
  }
  EXPECT_EQ(boxClicks, 0);
  box->SetChecked(false);
  EXPECT_EQ(boxClicks, 1);
}

TEST(Controls, ARightClickOpensThePopupMenuForTheControl) {
  ShownForm shown;
  auto* label = new TLabel(shown.form);
  label->SetParent(shown.form);
  label->SetCaption(u"&Port:");
  label->SetBounds(10, 10, 60, 20);
  TPopupMenu menu(nullptr);
  std::vector<std::string> chosen;
  menu.AddItem(u"&Properties", [&](TObject*) { chosen.push_back("properties"); });
  menu.AddItem(u"&Shutdown", [&](TObject*) {
    chosen.push_back("shutdown " + std::string(menu.PopupComponent() == shown.form ? "form" : "?"));
  });
  shown.form->SetPopupMenu(&menu);
  // The label has no menu: the request goes on to its parent, the form.
  QTimer::singleShot(0, [] {
    auto* open = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(open, nullptr);
    ASSERT_EQ(open->actions().size(), 2);
    QAction* shutdown = open->actions()[1];
    EXPECT_EQ(shutdown->text(), "&Shutdown");
    QTest::mouseClick(open, Qt::LeftButton, {}, open->actionGeometry(shutdown).center());
  });
  QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(5, 5),
                            label->Widget()->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(label->Widget(), &request);
  EXPECT_THAT(chosen, ElementsAre("shutdown form"));
  EXPECT_FALSE(menu.IsOpen());
}

TEST(Controls, ACustomControlTakesTheFocusOnlyWhenAskedAndThenHearsKeys) {
  ShownForm shown;
  shown.form->BringToFront();
  ASSERT_TRUE(QTest::qWaitForWindowActive(shown.form->Widget()));
  auto* box = new TCustomControl(shown.form);
  box->SetParent(shown.form);
  box->SetBounds(10, 10, 50, 50);
  auto* edit = new TEdit(shown.form);
  edit->SetParent(shown.form);
  edit->SetTop(80);
  std::vector<std::string> log;
  box->OnEnter = [&](TObject*) { log.push_back("enter box"); };
  box->OnExit = [&](TObject*) { log.push_back("exit box"); };
  edit->OnEnter = [&](TObject*) { log.push_back("enter edit"); };
  box->OnKeyDown = [&](TObject*, WORD& key, TShiftState shift) {
    log.push_back("down " + std::to_string(key) + (shift.Contains(ssShift) ? " shift" : ""));
  };
  box->OnKeyPress = [&](TObject*, WideChar& key) { log.push_back("press " + std::to_string(key)); };

  QTest::mouseClick(box->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_FALSE(box->Focused());  // a click does not focus a custom control
  box->SetFocus();
  EXPECT_TRUE(box->Focused());
  EXPECT_EQ(GetFocus(), box->Handle());
  QTest::keyClick(box->Widget(), 'A');
  QTest::keyClick(box->Widget(), Qt::Key_Left, Qt::ShiftModifier);  // types nothing
  QTest::keyClick(box->Widget(), Qt::Key_Return);
  edit->SetFocus();
  EXPECT_THAT(log, ElementsAre("enter box", "down 65", "press 65", "down 16", "down 37 shift",
                               "down 13", "press 13", "exit box", "enter edit"));
}

TEST(Controls, SpeedButtonsOfAGroupAreExclusiveAndClickOnlyWhenReleasedOnThem) {
  ShownForm shown;
  std::vector<TSpeedButton*> buttons;
  std::vector<std::string> clicks;
  for (int i = 0; i < 3; ++i) {
    auto* button = new TSpeedButton(shown.form);
    button->SetParent(shown.form);
    button->SetBounds(10 + 30 * i, 10, 25, 22);
    button->SetGroupIndex(i < 2 ? 1 : 2);  // the third is in a group of its own
    button->OnClick = [&clicks, button, i](TObject*) {
      clicks.push_back(std::to_string(i) + (button->Down() ? " down" : " up"));
    };
    buttons.push_back(button);
  }
  buttons[2]->SetDown(true);
  QTest::mouseClick(buttons[0]->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseClick(buttons[1]->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_FALSE(buttons[0]->Down());
  EXPECT_TRUE(buttons[1]->Down());
  EXPECT_TRUE(buttons[2]->Down());  // another group
  // The down one stays down unless AllowAllUp; with it, a click raises it.
  QTest::mouseClick(buttons[1]->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_TRUE(buttons[1]->Down());
  buttons[1]->SetAllowAllUp(true);
  QTest::mouseClick(buttons[1]->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_FALSE(buttons[1]->Down());
  // Pressed, then released outside: no click, no change.
  QTest::mousePress(buttons[0]->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseRelease(buttons[0]->Widget(), Qt::LeftButton, {}, QPoint(60, 5));
  EXPECT_FALSE(buttons[0]->Down());
  EXPECT_THAT(clicks, ElementsAre("0 down", "1 down", "1 down", "1 up"));

  // A plain button draws itself pushed while held, and up again after.
  auto* plain = new TSpeedButton(shown.form);
  plain->SetParent(shown.form);
  plain->SetBounds(10, 40, 25, 22);
  const QImage up = plain->Widget()->grab().toImage();
  QTest::mousePress(plain->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_NE(plain->Widget()->grab().toImage(), up);
  QTest::mouseRelease(plain->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(plain->Widget()->grab().toImage(), up);
}

TEST(Controls, LabelsFitTheirCaptionAndChildrenFollowTheParentsFont) {
  ShownForm shown;
  auto* plain = new TLabel(shown.form);
  auto* accel = new TLabel(shown.form);
  plain->SetParent(shown.form);
  accel->SetParent(shown.form);
  plain->SetCaption(u"Hide");
  accel->SetCaption(u"&Hide");
  EXPECT_EQ(accel->Width(), plain->Width());  // the '&' takes no room
  EXPECT_GT(plain->Width(), 10);
  accel->SetShowAccelChar(false);
  EXPECT_GT(accel->Width(), plain->Width());
  // Right-justified, it grows to the left.
  plain->SetAlignment(taRightJustify);
  plain->SetLeft(100);
  const int right = plain->Left() + plain->Width();
  plain->SetCaption(u"Hide it all");
  EXPECT_EQ(plain->Left() + plain->Width(), right);

  // A bigger form font reaches the label, not one with its own font.
  const int before = accel->Height();
  accel->Font()->SetStyle(TFontStyles{fsBold});  // its own font now
  shown.form->Font()->SetHeight(-24);
  EXPECT_GT(plain->Height(), before);
  EXPECT_EQ(plain->Font()->Height(), -24);
  EXPECT_TRUE(plain->ParentFont());
  EXPECT_FALSE(accel->ParentFont());
  EXPECT_EQ(accel->Font()->Height(), -11);
}

TEST(Controls, TabOrderIsThePositionAmongTheParentsWindowedChildren) {
  ShownForm shown;
  std::vector<TEdit*> edits;
  for (int i = 0; i < 3; ++i) {
    edits.push_back(new TEdit(shown.form));
    edits.back()->SetParent(shown.form);
  }
  EXPECT_EQ(edits[2]->TabOrder(), 2);
  edits[2]->SetTabOrder(0);
  EXPECT_EQ(edits[2]->TabOrder(), 0);
  EXPECT_EQ(edits[0]->TabOrder(), 1);
  EXPECT_EQ(edits[1]->TabOrder(), 2);
  edits[1]->SetTabOrder(99);  // past the end: last
  EXPECT_EQ(edits[1]->TabOrder(), 2);
  EXPECT_EQ(edits[2]->Widget()->nextInFocusChain(), edits[0]->Widget());
  EXPECT_EQ(edits[0]->Widget()->nextInFocusChain(), edits[1]->Widget());
  TEdit orphan(nullptr);
  EXPECT_EQ(orphan.TabOrder(), -1);
}

TEST(Controls, AnExceptionFromAHandlerIsReportedWithItsControlAndTheLoopGoesOn) {
  ShownForm shown;
  std::vector<std::string> reported;
  Application->OnException = [&](TObject* sender, const Exception& e) {
    reported.push_back(e.Message() + (sender != nullptr
                                          ? " from " + dynamic_cast<TComponent*>(sender)->Name()
                                          : ""));
  };
  auto* button = new TButton(shown.form);
  button->SetParent(shown.form);
  button->SetName("Button1");
  button->OnClick = [](TObject*) { throw Exception("no port"); };
  auto* edit = new TEdit(shown.form);
  edit->SetParent(shown.form);
  edit->SetName("IpAddress");
  edit->OnKeyPress = [](TObject*, WideChar&) { throw EConvertError("bad key"); };
  QTest::mouseClick(button->Widget(), Qt::LeftButton);
  QTest::keyClick(edit->Widget(), Qt::Key_1);
  EXPECT_EQ(edit->Text(), u"");  // the handler failed: the key went nowhere
  // A form hears messages posted to its window through its Dispatch.
  class Listening : public TForm {
   public:
    using TForm::TForm;
    std::vector<LPARAM> heard;
    void Dispatch(TMessage& message) override {
      if (message.Msg == WM_APP + 100) heard.push_back(message.LParam);
      TForm::Dispatch(message);
    }
  };
  Listening form(nullptr);
  PostMessage(form.Handle(), WM_APP + 100, 1006, 0x205);
  ASSERT_TRUE(PumpUntil([&] { return !form.heard.empty(); }));
  EXPECT_EQ(form.heard[0], 0x205);
  EXPECT_THAT(reported, ElementsAre("no port from Button1", "bad key from IpAddress"));
  Application->OnException.Clear();
}

TEST(Controls, AnEditsSelectionReadOnlyAndLengthBehaveAsTheWordsSay) {
  ShownForm shown;
  auto* edit = new TEdit(shown.form);
  edit->SetParent(shown.form);
  std::vector<String> changes;
  edit->OnChange = [&](TObject*) { changes.push_back(edit->Text()); };
  edit->SetText(u"192.0.2.20");  // code changes the text too
  edit->SetSelStart(2);
  edit->SetSelLength(3);
  EXPECT_EQ(edit->SelText(), u"2.0");
  EXPECT_EQ(edit->SelStart(), 2);
  edit->SetSelText(u"8");
  EXPECT_EQ(edit->Text(), u"198.2.20");
  EXPECT_EQ(edit->SelLength(), 0);
  edit->SetReadOnly(true);
  QTest::keyClicks(edit->Widget(), "99");
  EXPECT_EQ(edit->Text(), u"198.2.20");
  edit->SetReadOnly(false);
  edit->SetMaxLength(9);
  edit->SetSelStart(8);
  QTest::keyClicks(edit->Widget(), "99");
  EXPECT_EQ(edit->Text(), u"198.2.209");
  EXPECT_EQ(changes.size(), 3u);
  EXPECT_EQ(ColorToRGB(edit->Color()), ColorToRGB(clWindow));
}

TEST(Controls, AGrayedCheckBoxStepsAsThePlatformsDoes) {
  ShownForm shown;
  auto* box = new TCheckBox(shown.form);
  box->SetParent(shown.form);
  box->SetAllowGrayed(true);
  std::vector<TCheckBoxState> states;
  box->OnClick = [&](TObject*) { states.push_back(box->State()); };
  for (int i = 0; i < 3; ++i)
    QTest::mouseClick(box->Widget(), Qt::LeftButton, {}, QPoint(6, 8));
  EXPECT_THAT(states, ElementsAre(cbChecked, cbGrayed, cbUnchecked));
}

TEST(Controls, ALabelLoadedFromAStoredFormFitsItsCaptionOnceLoaded) {
  TForm form(nullptr);
  TLabel* label = nullptr;
  {
    TComponentLoading loading(&form);
    label = loading.Create<TLabel>(&form, "Label1");
    label->SetParent(&form);
    label->SetBounds(8, 76, 24, 13);  // as stored, before the caption
    label->SetCaption(u"IP Address of the beacon");
    EXPECT_EQ(label->Width(), 24);  // nothing is fitted while loading
    loading.Finish();
  }
  EXPECT_GT(label->Width(), 24);
  EXPECT_EQ(label->Left(), 8);
}

TEST(Controls, AnImageDrawsItsPictureCentredOrStretchedAndLetsTheParentShowAround) {
  ShownForm shown;
  shown.form->SetColor(clWhite);
  auto* image = new TImage(shown.form);
  image->SetParent(shown.form);
  image->SetBounds(10, 10, 40, 20);
  TBitmap* bitmap = image->Picture()->Bitmap();
  bitmap->SetSize(10, 10);
  bitmap->Canvas()->Brush()->SetColor(clRed);
  bitmap->Canvas()->FillRect(Rect(0, 0, 10, 10));
  auto at = [&](int x, int y) { return RgbAt(shown.form->Widget()->grab().toImage(), x, y); };
  EXPECT_EQ(at(10, 10), 0xFF0000u);  // top left by default
  EXPECT_EQ(at(25, 10), 0xFFFFFFu);  // the form shows beside it
  image->SetCenter(true);
  EXPECT_EQ(at(10, 10), 0xFFFFFFu);
  EXPECT_EQ(at(25, 15), 0xFF0000u);  // 10 x 10 in the middle of 40 x 20
  image->SetStretch(true);
  EXPECT_EQ(at(10, 10), 0xFF0000u);
  EXPECT_EQ(at(49, 29), 0xFF0000u);
  image->SetProportional(true);  // 20 x 20, centred
  EXPECT_EQ(at(19, 15), 0xFFFFFFu);
  EXPECT_EQ(at(21, 15), 0xFF0000u);
}

TEST(Controls, UpDownReportsADirectionPerClickAndRepeatsWhileHeld) {
  ShownForm shown;
  TUpDown updown(nullptr);
  updown.SetParent(shown.form);
  updown.SetBounds(10, 10, 12, 20);
  updown.SetMin(-1);
  updown.SetMax(1);
  std::vector<std::pair<short, TUpDownDirection>> proposals;
  updown.OnChangingEx = [&](TObject*, bool& allow, short value, TUpDownDirection direction) {
    proposals.emplace_back(value, direction);
    allow = false;
  };
  QTest::mouseClick(updown.Widget(), Qt::LeftButton, {}, QPoint(6, 3));
  QTest::mouseClick(updown.Widget(), Qt::LeftButton, {}, QPoint(6, 16));
  EXPECT_EQ(updown.Position(), 0);  // every move refused
  ASSERT_EQ(proposals.size(), 2u);
  EXPECT_EQ(proposals[0], std::make_pair(short{1}, updUp));
  EXPECT_EQ(proposals[1], std::make_pair(short{-1}, updDown));

  // Held: it repeats after a delay.
  proposals.clear();
  QTest::mousePress(updown.Widget(), Qt::LeftButton, {}, QPoint(6, 3));
  EXPECT_TRUE(PumpUntil([&] { return proposals.size() >= 3; }));
  QTest::mouseRelease(updown.Widget(), Qt::LeftButton, {}, QPoint(6, 3));
  const size_t held = proposals.size();
  PumpFor(std::chrono::milliseconds(TUpDown::kRepeatDelay + 50));
  EXPECT_EQ(proposals.size(), held);

  // Allowed, the position moves and stops at the end of the range.
  updown.OnChangingEx.Clear();
  std::vector<TUDBtnType> buttons;
  updown.OnClick = [&](TObject*, TUDBtnType button) { buttons.push_back(button); };
  for (int i = 0; i < 3; ++i)
    QTest::mouseClick(updown.Widget(), Qt::LeftButton, {}, QPoint(6, 3));
  EXPECT_EQ(updown.Position(), 1);
  EXPECT_EQ(buttons.size(), 3u);
}

TEST(Controls, UpDownStopsRepeatingWhenAModalWindowTookTheRelease) {
  ShownForm shown;
  TUpDown updown(nullptr);
  updown.SetParent(shown.form);
  updown.SetBounds(10, 10, 12, 20);
  int proposals = 0;
  updown.OnChangingEx = [&](TObject*, bool&, short, TUpDownDirection) {
    if (++proposals > 1) return;
    ShowModalBoxTheUserClicks();  // a message box, say
  };
  QTest::mousePress(updown.Widget(), Qt::LeftButton, {}, QPoint(6, 3));
  PumpFor(std::chrono::milliseconds(2 * TUpDown::kRepeatDelay));
  EXPECT_EQ(proposals, 1);
}

}  // namespace

namespace {

TEST(Forms, ShowModalRunsUntilAButtonGivesItsResult) {
  TForm dialog(nullptr);
  auto* ok = new TButton(&dialog);
  ok->SetParent(&dialog);
  ok->SetCaption(u"OK");
  ok->SetModalResult(mrOk);
  int closes = 0;
  dialog.OnClose = [&](TObject*, TCloseAction&) { ++closes; };
  QTimer::singleShot(0, [&] {
    EXPECT_TRUE(dialog.Visible());
    EXPECT_TRUE(dialog.Modal());
    QTest::mouseClick(ok->Widget(), Qt::LeftButton);
  });
  EXPECT_EQ(dialog.ShowModal(), mrOk);
  EXPECT_FALSE(dialog.Visible());
  EXPECT_EQ(closes, 1);

  // Closing a modal form cancels it; a visible form cannot become modal.
  QTimer::singleShot(0, [&] { dialog.Close(); });
  EXPECT_EQ(dialog.ShowModal(), mrCancel);
  dialog.Show();
  EXPECT_THROW(dialog.ShowModal(), EInvalidOperation);
}

}  // namespace

namespace {

TEST(Forms, CloseQueryCanKeepAFormAndCaFreeDestroysItAfterTheMessage) {
  auto* form = new TForm(nullptr);
  bool mayClose = false;
  std::vector<std::string> events;
  form->OnCloseQuery = [&](TObject*, bool& canClose) { canClose = mayClose; };
  form->OnClose = [&](TObject*, TCloseAction& action) {
    events.push_back("close");
    action = caFree;
  };
  form->OnDestroy = [&](TObject*) { events.push_back("destroy"); };
  form->OnShow = [&](TObject*) {
    events.push_back(form->Widget()->isVisible() ? "shown" : "show");
  };
  form->Show();
  form->Close();
  EXPECT_TRUE(form->Visible());
  mayClose = true;
  form->Close();
  EXPECT_THAT(events, ElementsAre("show", "close"));  // OnShow comes before the window shows
  ASSERT_TRUE(PumpUntil([&] { return events.size() == 3; }));
  EXPECT_EQ(events.back(), "destroy");
  EXPECT_EQ(Screen->FormCount(), 0);
}

TEST(Forms, TheNormalRectangleOutlivesMaximising) {
  ShownForm shown;
  shown.form->BringToFront();
  const int width = shown.form->Width();
  shown.form->SetWindowState(wsMaximized);
  ASSERT_TRUE(PumpUntil([&] { return shown.form->Widget()->width() > width; }));
  EXPECT_EQ(shown.form->WindowState(), wsMaximized);
  WINDOWPLACEMENT placement{};
  placement.length = sizeof(placement);
  ASSERT_TRUE(GetWindowPlacement(shown.form->Handle(), &placement));
  EXPECT_EQ(placement.showCmd, SW_SHOWMAXIMIZED);
  EXPECT_EQ(placement.rcNormalPosition.right - placement.rcNormalPosition.left, width);
  placement.length = 40;
  EXPECT_FALSE(GetWindowPlacement(shown.form->Handle(), &placement));
}

// Last in this file: once the loop has ended, the application stays terminated.
TEST(Forms, CloseHidesAFormAndEndsTheLoopForTheMainForm) {
  TForm* dialog = nullptr;
  std::vector<std::string> events;
  class MainForm : public TForm {
   public:
    explicit MainForm(TComponent* owner) : TForm(owner) {
      SetCaption(u"Scrivlo Image Server");
      SetBorderStyle(bsSingle);
      SetBorderIcons(TBorderIcons{biSystemMenu});
      SetPosition(poScreenCenter);
      SetClientWidth(288);
      SetClientHeight(179);
    }
  };
  MainForm* main = nullptr;
  Application->CreateForm(main);
  main->OnClose = [&](TObject*, TCloseAction&) { events.push_back("close main"); };
  main->OnDestroy = [&](TObject*) { events.push_back("destroy main"); };
  Application->CreateForm(dialog);
  EXPECT_EQ(Application->MainForm(), main);
  dialog->OnClose = [&](TObject*, TCloseAction& action) {
    events.push_back("close dialog");
    action = caHide;
  };
  dialog->OnDestroy = [&](TObject*) { events.push_back("destroy dialog"); };

  QTimer::singleShot(0, [&] {
    EXPECT_TRUE(main->Visible());  // Run shows the main form
    // Centred on the screen (give or take the frame, unknown before the
    // first show), client area as set.
    EXPECT_EQ(main->ClientWidth(), 288);
    EXPECT_NEAR(main->Left(), (Screen->Width() - main->Width()) / 2, main->Width() - 288);
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    ASSERT_TRUE(GetWindowPlacement(main->Handle(), &placement));
    EXPECT_EQ(placement.rcNormalPosition.left, main->Left());
    EXPECT_EQ(placement.rcNormalPosition.right - placement.rcNormalPosition.left, main->Width());
    dialog->Show();
    dialog->Close();
    EXPECT_FALSE(dialog->Visible());
    // The close box does what Close does.
    main->Widget()->close();
  });
  Application->Run();
  EXPECT_THAT(events, ElementsAre("close dialog", "close main", "destroy dialog", "destroy main"));
  EXPECT_EQ(Application->ComponentCount(), 0);
}

}  // namespace
