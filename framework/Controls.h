#pragma once

// The control hierarchy. Every control is shown by a QWidget of its own;
// what happens to that widget (mouse, keyboard, focus, paint, size, close)
// reaches the control as a window message through one path:
//
//   WndProc(message) -> Dispatch(message) -> the class's handler for it
//                                         -> DefaultHandler (Qt's own handling)
//
// A class that wants a message overrides Dispatch, handles what it wants and
// passes everything on to the inherited Dispatch; a handler that does not
// call the inherited one keeps Qt's handling from happening (an edit that
// swallows a key). Perform sends a message down the same path at once. A
// disabled control (or one in a disabled parent) gets no mouse presses or
// moves: they go to its parent, as on the platform.
//
//   TControl         position, size, visibility, enabling, colour, font,
//                    hint, mouse events, painting requests
//   TGraphicControl  windowless: no window handle, never focused, paints on
//                    pixels of its own (transparent unless csOpaque)
//   TWinControl      a window: a handle (message window), children, the
//                    keyboard focus and keyboard events, tab order
//   TCustomControl   a window that paints itself: Canvas and Paint()
//
// Positions are relative to the parent's client area. Controls that paint
// themselves keep their pixels: Paint() draws into them through Canvas,
// whether Qt asked for a paint (WM_PAINT, after WM_ERASEBKGND has filled the
// background in Color) or the control calls Paint() itself; Invalidate
// marks them for repainting later, Update/Repaint/Refresh repaint now.
//
// A control is owned by its owner (TComponent) and shown by its parent; the
// parent never destroys it. Handlers may destroy the control that raised
// them: the framework checks Alive() after raising an event.

#include <memory>
#include <vector>

#include "framework/Canvas.h"
#include "framework/Colors.h"
#include "framework/Component.h"
#include "framework/ControlMessages.h"
#include "framework/DrawingTools.h"
#include "framework/Events.h"
#include "framework/Exceptions.h"
#include "framework/Messages.h"
#include "framework/Sets.h"
#include "framework/Types.h"

class QWidget;
class TControlHost;
class TPopupMenu;
class TWinControl;

enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftStateFlag { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateFlag>;
enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// What the framework does for a control by default.
enum TControlStyleFlag {
  csCaptureMouse,  // takes the mouse capture while a button is held on it
  csClickEvents,   // a left press and release on it is a Click
  csDoubleClicks,  // a double click is a DblClick
  csOpaque,        // paints every pixel: erased in Color, not see-through
};
using TControlStyle = TSet<TControlStyleFlag>;

using TMouseEvent = TEvent<TObject*, TMouseButton, TShiftState, int, int>;
using TMouseMoveEvent = TEvent<TObject*, TShiftState, int, int>;
using TKeyEvent = TEvent<TObject*, WORD&, TShiftState>;
using TKeyPressEvent = TEvent<TObject*, WideChar&>;
// Before a control's PopupMenu opens: set Handled to open none.
using TContextPopupEvent = TEvent<TObject*, TPoint, bool&>;

class EInvalidOperation : public Exception {
 public:
  using Exception::Exception;
};

class TControl : public TComponent {
 public:
  // A control with a plain widget that paints nothing.
  explicit TControl(TComponent* owner);
  ~TControl() override;

  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetLeft(int left) { SetBounds(left, FTop, FWidth, FHeight); }
  void SetTop(int top) { SetBounds(FLeft, top, FWidth, FHeight); }
  void SetWidth(int width) { SetBounds(FLeft, FTop, width, FHeight); }
  void SetHeight(int height) { SetBounds(FLeft, FTop, FWidth, height); }
  // Moves and sizes the control; a size change sends WM_SIZE (and so
  // Resize) before returning.
  virtual void SetBounds(int left, int top, int width, int height);
  TRect BoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
  void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
  // The area children and painting use; a form's excludes its frame.
  virtual int ClientWidth() const { return FWidth; }
  virtual int ClientHeight() const { return FHeight; }
  void SetClientWidth(int width) { SetClientSize(width, ClientHeight()); }
  void SetClientHeight(int height) { SetClientSize(ClientWidth(), height); }
  virtual void SetClientSize(int width, int height);
  TRect ClientRect() const { return Rect(0, 0, ClientWidth(), ClientHeight()); }
  TPoint ClientToScreen(const TPoint& point) const;
  TPoint ScreenToClient(const TPoint& point) const;

  TWinControl* Parent() const { return FParent; }
  virtual void SetParent(TWinControl* parent);

  bool Visible() const { return FVisible; }
  virtual void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible, and so are all its parents up to a shown window.
  bool Showing() const;

  bool Enabled() const { return FEnabled; }
  // Sends CM_ENABLEDCHANGED, which repaints the control later.
  virtual void SetEnabled(bool enabled);

  TColor Color() const { return FColor; }
  void SetColor(TColor color);
  // Changes reach the control (CM_FONTCHANGED). A control follows its
  // parent's font until its own is changed (ParentFont).
  TFont* Font() const { return FFont.get(); }
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool parentFont);

  // Shown as a tooltip while ShowHint is on.
  const String& Hint() const { return FHint; }
  void SetHint(const String& hint);
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool showHint);

  // Opened by a right click on the control (not owned).
  TPopupMenu* PopupMenu() const;
  void SetPopupMenu(TPopupMenu* menu);

  TControlStyle ControlStyle() const { return FControlStyle; }
  void SetControlStyle(TControlStyle style);

  // Repaints later, when the event loop next runs.
  void Invalidate();
  // Repaints now what is waiting to be repainted.
  virtual void Update();
  void Repaint();
  void Refresh() { Repaint(); }

  // While on, mouse input goes to this control wherever the pointer is.
  bool MouseCapture() const;
  void SetMouseCapture(bool capture);

  // Sends a message to the control at once; returns its Result.
  LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
  virtual void WndProc(TMessage& message);
  void Dispatch(TMessage& message) override;
  // Qt's own handling of the message, where it has one.
  void DefaultHandler(TMessage& message) override;

  // The widget that shows the control.
  QWidget* Widget() const { return FWidget; }

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TNotifyEvent OnResize;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  TContextPopupEvent OnContextPopup;

 protected:
  // For the classes that bring a widget of their own (a TControlWidget<Q>,
  // see ControlWidget.h); the control owns it.
  TControl(TComponent* owner, QWidget* widget);

  virtual void Click();
  virtual void DblClick();
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  // Called on every size change, after the new size is in place.
  virtual void Resize();
  // Controls that paint themselves draw here with their canvas.
  virtual void Paint() {}
  // The control's text changed (CM_TEXTCHANGED); repaints by default.
  virtual void TextChanged();
  // The widget's colours follow Color and Font (CM_COLORCHANGED and
  // CM_FONTCHANGED call this).
  virtual void ApplyColors();

  // The text a control shows (a caption, an edit's text).
  const String& Text() const { return FText; }
  void SetText(const String& text);

  // The canvas of a control that paints itself (null for others): draws on
  // the control's pixels, during WM_PAINT with the paint's context.
  TCanvas* ControlCanvas() const;
  // Whether the control keeps pixels of its own and paints them.
  bool PaintsItself() const;
  // Erases (WM_ERASEBKGND) and paints the part waiting to be repainted.
  void PaintHandler();

  void WMButtonDown(TMessage& message, TMouseButton button, bool doubleClick);
  void WMButtonUp(TMessage& message, TMouseButton button);
  void WMMouseMove(TMessage& message);
  void WMContextMenu(TMessage& message);
  void WMSize(TMessage& message);
  void WMPaint(TMessage& message);
  void WMEraseBkgnd(TMessage& message);

  // Applies the control's geometry to its widget.
  virtual void ApplyGeometry();
  // The control's parent area, for its children: the widget by default.
  virtual QWidget* ClientWidget() const { return FWidget; }
  // Shows or hides the widget as Visible and the parent allow.
  virtual void UpdateWidgetVisibility();
  // Keeps the fields in step with a size the window system gave the widget.
  virtual void WidgetResized(int width, int height);
  virtual void WidgetMoved(int left, int top);
  TControlHost* Host() const { return FHost; }

 private:
  friend class TControlHost;
  friend class TWinControl;
  class TControlCanvas;

  void Construct(QWidget* widget);
  void ParentFontChanged();
  void ApplyHint();
  void SizeChanged();

  QWidget* FWidget = nullptr;
  TControlHost* FHost = nullptr;
  TWinControl* FParent = nullptr;
  int FLeft = 0;
  int FTop = 0;
  int FWidth = 0;
  int FHeight = 0;
  bool FVisible = true;
  bool FEnabled = true;
  bool FParentFont = true;
  bool FApplyingParentFont = false;
  bool FShowHint = false;
  bool FClicked = false;
  TColor FColor = clBtnFace;
  std::unique_ptr<TFont> FFont;
  String FHint;
  String FText;
  TPopupMenu* FPopupMenu = nullptr;
  std::weak_ptr<const void> FPopupMenuAlive;
  TControlStyle FControlStyle{csCaptureMouse, csClickEvents, csDoubleClicks};
  std::unique_ptr<TControlCanvas> FCanvas;
};

// A control without a window of its own: it has no handle and never takes
// the keyboard focus. Paints itself with Canvas; see-through unless
// csOpaque is in its ControlStyle.
class TGraphicControl : public TControl {
 public:
  explicit TGraphicControl(TComponent* owner);
  TCanvas* Canvas() const { return ControlCanvas(); }
};

class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  // The window handle (a message window that dispatches to this control),
  // made on first use; throws EInvalidOperation while the control has no
  // parent window and is no top-level window itself.
  HWND Handle();
  bool HandleAllocated() const { return FHandle != nullptr; }

  // The controls this one is parent of, in the order they came.
  int ControlCount() const { return static_cast<int>(FControls.size()); }
  TControl* Controls(int index) const { return FControls.at(static_cast<size_t>(index)); }

  // Focus: CanFocus when showing and enabled (and its parents are).
  virtual void SetFocus();
  bool Focused() const;
  bool CanFocus() const;
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool tabStop);
  // The position in the parent's tab order (0 first); -1 without parent.
  int TabOrder() const;
  void SetTabOrder(int order);

  void Dispatch(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;

  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;

 protected:
  TWinControl(TComponent* owner, QWidget* widget);

  // Top-level windows (forms, popups) have a window without a parent.
  virtual bool IsTopLevel() const { return false; }
  void DestroyHandle();

  // Key is the virtual-key code; set it to 0 to keep the control from
  // seeing the key.
  virtual void KeyDown(WORD& key, TShiftState shift);
  virtual void KeyUp(WORD& key, TShiftState shift);
  // Key is the character; set it to 0 to swallow it.
  virtual void KeyPress(WideChar& key);
  virtual void DoEnter();
  virtual void DoExit();

  void WMKeyDown(TMessage& message);
  void WMKeyUp(TMessage& message);
  void WMChar(TMessage& message);
  void WMSetFocus(TMessage& message);
  void WMKillFocus(TMessage& message);

  // Focus policy from TabStop: whether a click focuses the control.
  virtual bool FocusOnClick() const { return true; }
  void ApplyFocusPolicy();

 private:
  friend class TControl;
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  void UpdateTabChain();

  std::vector<TControl*> FControls;  // children, in the order they came
  std::vector<TWinControl*> FTabList;
  HWND FHandle = nullptr;
  bool FTabStop = false;
};

// A window that paints itself: Paint() with Canvas. A click does not focus
// it (call SetFocus); TabStop lets the Tab key reach it.
class TCustomControl : public TWinControl {
 public:
  explicit TCustomControl(TComponent* owner);
  TCanvas* Canvas() const { return ControlCanvas(); }

 protected:
  TCustomControl(TComponent* owner, QWidget* widget);
  bool FocusOnClick() const override { return false; }
};

// The shift state of the keys and buttons a mouse message carries.
TShiftState MouseShiftState(WPARAM keys);
// The shift state of the keyboard now.
TShiftState KeyboardShiftState();
