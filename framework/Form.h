#pragma once

// A form: a top-level window that paints itself (in Color, then OnPaint),
// holds controls and closes through Close.
//
// Left, Top, Width and Height are the window's outer rectangle, frame
// included; children are placed in its client area (ClientWidth x
// ClientHeight). A form starts hidden. A form's layout is a function of its
// class: the constructor creates the children and sets their properties in
// the stored order (TComponentLoading), then does its own set-up; OnCreate
// follows in AfterConstruction, which TApplication::CreateForm calls (call
// it yourself for a form made with `new`). OnDestroy runs in
// BeforeDestruction, while the whole form still exists: destroy forms with
// Free() or through their owner.
//
// Close asks CloseQuery (OnCloseQuery), then raises OnClose with the
// action caHide; the action then decides: caNone keeps the form, caHide
// hides it, caMinimize minimises it, caFree destroys it soon after (Release).
// Closing the application's main form ends the application's loop instead.
// The window's close box does the same as Close.

#include "framework/Controls.h"

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = TSet<TBorderIcon>;
enum TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;
constexpr TModalResult mrClose = 8;

using TCloseEvent = TEvent<TObject*, TCloseAction&>;
using TCloseQueryEvent = TEvent<TObject*, bool&>;

class TForm : public TWinControl {
 public:
  explicit TForm(TComponent* owner);
  ~TForm() override;

  virtual void AfterConstruction();
  void BeforeDestruction() override;

  const String& Caption() const { return Text(); }
  void SetCaption(const String& caption) { SetText(caption); }
  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle style);
  TBorderIcons BorderIcons() const { return FBorderIcons; }
  void SetBorderIcons(TBorderIcons icons);
  TPosition Position() const { return FPosition; }
  void SetPosition(TPosition position) { FPosition = position; }
  TWindowState WindowState() const;
  void SetWindowState(TWindowState state);

  int ClientWidth() const override;
  int ClientHeight() const override;
  TCanvas* Canvas() const { return ControlCanvas(); }

  void SetVisible(bool visible) override;
  void Close();
  // Shows the form and runs the event loop until ModalResult is set (or the
  // form is closed); returns ModalResult.
  TModalResult ShowModal();
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult result) { FModalResult = result; }
  bool Modal() const { return FModal; }
  // Destroys the form once the current message is handled.
  void Release();
  // Brings the form to the front and makes it the active window.
  void BringToFront();
  bool Active() const;
  TWinControl* ActiveControl() const;
  void SetActiveControl(TWinControl* control);

  void Dispatch(TMessage& message) override;

  TNotifyEvent OnCreate;
  TNotifyEvent OnDestroy;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TNotifyEvent OnPaint;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

 protected:
  bool IsTopLevel() const override { return true; }
  void Paint() override;
  void TextChanged() override;
  virtual bool CloseQuery();
  virtual void DoClose(TCloseAction& action);
  virtual void DoShow();
  virtual void DoHide();

  void ApplyGeometry() override;
  void UpdateWidgetVisibility() override;
  void WidgetResized(int width, int height) override;
  void WidgetMoved(int left, int top) override;

 private:
  void ApplyWindowFlags();
  void PlaceOnFirstShow();
  bool Sizeable() const;
  // Frame thickness: outer minus client size (0 until the window is framed).
  int FrameWidth() const;
  int FrameHeight() const;
  // The frame's thickness when the window last moved.
  int FKnownFrameWidth = 0;
  int FKnownFrameHeight = 0;

  TFormBorderStyle FBorderStyle = bsSizeable;
  TBorderIcons FBorderIcons{biSystemMenu, biMinimize, biMaximize};
  TPosition FPosition = poDesigned;
  TWindowState FWindowState = wsNormal;
  TModalResult FModalResult = mrNone;
  bool FModal = false;
  bool FShownOnce = false;
  bool FCreated = false;
  bool FDestroyed = false;
  bool FReleasing = false;
};

// The form `control` lies on; null when it lies on none.
TForm* GetParentForm(TControl* control);
