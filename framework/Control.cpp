#include <QPainter>
#include <QWidget>

#include "framework/ControlWidget.h"
#include "framework/Controls.h"
#include "framework/Menus.h"
#include "framework/QtBridge.h"
#include "platform/gdi/Drawing.h"
#include "platform/user/WidgetWindows.h"

namespace {

// The control holding the mouse capture, if any.
TControl* gCaptureControl = nullptr;

// Owns a drawing context for the length of a paint.
struct ContextDeleter {
  void operator()(HDC__* dc) const { DeleteDrawingDC(dc); }
};
using OwnedContext = std::unique_ptr<HDC__, ContextDeleter>;

}  // namespace

// A control's canvas: the paint's context during WM_PAINT, otherwise a
// context on the control's pixels that shows what is drawn at once.
class TControl::TControlCanvas : public TCanvas {
 public:
  explicit TControlCanvas(TControl* control) : FControl(control) {}
  ~TControlCanvas() override { FreeWindowContext(); }

  void BeginPaint(HDC dc) {
    FreeWindowContext();
    SetHandle(dc);
  }
  void EndPaint() { SetHandle(nullptr); }

 protected:
  void CreateHandle() override {
    FWindowContext = CreateDrawingDC(&FControl->Host()->Pixels());
    TDrawingState* state = DrawingState(FWindowContext);
    state->window = FControl->Widget();
    state->updateWindow = true;
    SetHandle(FWindowContext);
  }

 private:
  void FreeWindowContext() {
    if (FWindowContext == nullptr) return;
    if (CurrentHandle() == FWindowContext) SetHandle(nullptr);
    DeleteDrawingDC(FWindowContext);
    FWindowContext = nullptr;
  }

  TControl* FControl;
  HDC FWindowContext = nullptr;
};

TShiftState MouseShiftState(WPARAM keys) {
  TShiftState shift;
  if ((keys & MK_SHIFT) != 0) shift.Include(ssShift);
  if ((keys & MK_CONTROL) != 0) shift.Include(ssCtrl);
  if ((keys & MK_ALT) != 0) shift.Include(ssAlt);
  if ((keys & MK_LBUTTON) != 0) shift.Include(ssLeft);
  if ((keys & MK_RBUTTON) != 0) shift.Include(ssRight);
  if ((keys & MK_MBUTTON) != 0) shift.Include(ssMiddle);
  return shift;
}

TShiftState KeyboardShiftState() {
  TShiftState shift;
  if (GetKeyState(0x10) < 0) shift.Include(ssShift);
  if (GetKeyState(0x11) < 0) shift.Include(ssCtrl);
  if (GetKeyState(0x12) < 0) shift.Include(ssAlt);
  return shift;
}

TControl::TControl(TComponent* owner)
    : TControl(owner, NewControlWidget<QWidget>(TControlHost::Painting::Native)) {}

TControl::TControl(TComponent* owner, QWidget* widget) : TComponent(owner) {
  Construct(widget);
}

void TControl::Construct(QWidget* widget) {
  FWidget = widget;
  FHost = dynamic_cast<TControlHost*>(widget);
  FHost->Attach(this);
  FWidget->hide();
  FWidget->setMouseTracking(true);
  FFont = std::make_unique<TFont>();
  FFont->OnChange = [this](TObject*) {
    if (!FApplyingParentFont) FParentFont = false;
    Perform(CM_FONTCHANGED);
  };
  FWidget->setFont(QtFont(*FFont));
  if (PaintsItself()) FCanvas = std::make_unique<TControlCanvas>(this);
}

TControl::~TControl() {
  Destroying();
  if (gCaptureControl == this) {
    gCaptureControl = nullptr;
    ReleaseCapture();
  }
  if (FParent != nullptr) FParent->RemoveControl(this);
  FParent = nullptr;
  FCanvas.reset();
  FHost->ReleaseWidget();
}

TCanvas* TControl::ControlCanvas() const {
  return FCanvas.get();
}

bool TControl::PaintsItself() const {
  return FHost->PaintingKind() != TControlHost::Painting::Native;
}

void TControl::SetBounds(int left, int top, int width, int height) {
  width = std::max(0, width);
  height = std::max(0, height);
  if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
  const bool resized = width != FWidth || height != FHeight;
  FLeft = left;
  FTop = top;
  FWidth = width;
  FHeight = height;
  ApplyGeometry();
  if (resized) SizeChanged();
}

void TControl::SetClientSize(int width, int height) {
  SetBounds(FLeft, FTop, width + FWidth - ClientWidth(), height + FHeight - ClientHeight());
}

void TControl::SizeChanged() {
  if (PaintsItself()) FHost->ResizePixels(ClientWidth(), ClientHeight());
  Perform(WM_SIZE, SIZE_RESTORED,
          MakeLParam(static_cast<WORD>(ClientWidth()), static_cast<WORD>(ClientHeight())));
}

void TControl::ApplyGeometry() {
  FWidget->setGeometry(FLeft, FTop, FWidth, FHeight);
}

void TControl::WidgetResized(int width, int height) {
  if (width == FWidth && height == FHeight) return;
  FWidth = width;
  FHeight = height;
  SizeChanged();
}

void TControl::WidgetMoved(int left, int top) {
  FLeft = left;
  FTop = top;
}

TPoint TControl::ClientToScreen(const TPoint& point) const {
  const QPoint at = FWidget->mapToGlobal(QPoint(point.x, point.y));
  return TPoint{at.x(), at.y()};
}

TPoint TControl::ScreenToClient(const TPoint& point) const {
  const QPoint at = FWidget->mapFromGlobal(QPoint(point.x, point.y));
  return TPoint{at.x(), at.y()};
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == FParent) return;
  for (TControl* above = parent; above != nullptr; above = above->Parent()) {
    if (above == this) throw EInvalidOperation("A control cannot be its own parent");
  }
  if (FParent != nullptr) FParent->RemoveControl(this);
  FParent = parent;
  FWidget->setParent(parent != nullptr ? parent->ClientWidget() : nullptr);
  if (parent != nullptr) parent->InsertControl(this);
  ApplyGeometry();
  UpdateWidgetVisibility();
  if (parent != nullptr && FParentFont) ParentFontChanged();
}

void TControl::UpdateWidgetVisibility() {
  // A control without a parent is never shown: its widget would become a
  // window of its own.
  FWidget->setVisible(FVisible && FParent != nullptr);
}

void TControl::SetVisible(bool visible) {
  if (visible == FVisible) return;
  FVisible = visible;
  UpdateWidgetVisibility();
  Perform(CM_VISIBLECHANGED, visible ? 1 : 0);
}

bool TControl::Showing() const {
  return FWidget->isVisible();
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == FEnabled) return;
  FEnabled = enabled;
  FWidget->setEnabled(enabled);
  Perform(CM_ENABLEDCHANGED);
}

void TControl::SetColor(TColor color) {
  if (color == FColor) return;
  FColor = color;
  Perform(CM_COLORCHANGED);
}

void TControl::SetParentFont(bool parentFont) {
  if (parentFont == FParentFont) return;
  FParentFont = parentFont;
  if (parentFont && FParent != nullptr) ParentFontChanged();
}

void TControl::ParentFontChanged() {
  if (!FParentFont || FParent == nullptr) return;
  FApplyingParentFont = true;
  FFont->Assign(*FParent->Font());
  FApplyingParentFont = false;
}

void TControl::ApplyColors() {
  QPalette palette = FWidget->palette();
  SetEnabledColor(palette, FWidget->backgroundRole(), QtColor(FColor));
  SetEnabledColor(palette, FWidget->foregroundRole(), QtColor(FFont->Color()));
  FWidget->setPalette(palette);
}

void TControl::SetHint(const String& hint) {
  FHint = hint;
  ApplyHint();
}

void TControl::SetShowHint(bool showHint) {
  FShowHint = showHint;
  ApplyHint();
}

void TControl::ApplyHint() {
  FWidget->setToolTip(FShowHint ? QtString(FHint) : QString());
}

void TControl::SetPopupMenu(TPopupMenu* menu) {
  FPopupMenu = menu;
  FPopupMenuAlive = menu != nullptr ? menu->Alive() : std::weak_ptr<const void>();
}

TPopupMenu* TControl::PopupMenu() const {
  // The menu may have gone with its owner.
  return FPopupMenuAlive.expired() ? nullptr : FPopupMenu;
}

void TControl::SetControlStyle(TControlStyle style) {
  FControlStyle = style;
  if (PaintsItself()) {
    FHost->SetPainting(style.Contains(csOpaque) ? TControlHost::Painting::Opaque
                                                : TControlHost::Painting::Transparent);
  }
}

void TControl::SetText(const String& text) {
  if (text == FText) return;
  FText = text;
  Perform(CM_TEXTCHANGED);
}

void TControl::TextChanged() {
  Invalidate();
}

void TControl::Invalidate() {
  if (PaintsItself()) {
    FHost->InvalidateAll();
  } else {
    FWidget->update();
  }
}

void TControl::Update() {
  if (!PaintsItself()) {
    if (FWidget->isVisible()) FWidget->repaint();
    return;
  }
  FHost->ResizePixels(ClientWidth(), ClientHeight());
  if (FHost->InvalidRegion().isEmpty()) return;
  Perform(WM_PAINT);
  FWidget->update();
}

void TControl::Repaint() {
  Invalidate();
  Update();
}

bool TControl::MouseCapture() const {
  return gCaptureControl == this;
}

void TControl::SetMouseCapture(bool capture) {
  if (capture) {
    gCaptureControl = this;
    // The platform's capture belongs to a window: this one or its parent's.
    for (TControl* at = this; at != nullptr; at = at->Parent()) {
      auto* windowed = dynamic_cast<TWinControl*>(at);
      if (windowed != nullptr && windowed->HandleAllocated()) {
        ::SetCapture(windowed->Handle());
        break;
      }
    }
  } else if (gCaptureControl == this) {
    gCaptureControl = nullptr;
    ReleaseCapture();
  }
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
  TMessage message{msg, wParam, lParam, 0};
  WndProc(message);
  return message.Result;
}

void TControl::WndProc(TMessage& message) {
  Dispatch(message);
}

void TControl::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case WM_LBUTTONDOWN:
      WMButtonDown(message, mbLeft, false);
      break;
    case WM_RBUTTONDOWN:
      WMButtonDown(message, mbRight, false);
      break;
    case WM_MBUTTONDOWN:
      WMButtonDown(message, mbMiddle, false);
      break;
    case WM_LBUTTONDBLCLK:
      WMButtonDown(message, mbLeft, true);
      break;
    case WM_RBUTTONDBLCLK:
      WMButtonDown(message, mbRight, true);
      break;
    case WM_MBUTTONDBLCLK:
      WMButtonDown(message, mbMiddle, true);
      break;
    case WM_LBUTTONUP:
      WMButtonUp(message, mbLeft);
      break;
    case WM_RBUTTONUP:
      WMButtonUp(message, mbRight);
      break;
    case WM_MBUTTONUP:
      WMButtonUp(message, mbMiddle);
      break;
    case WM_MOUSEMOVE:
      WMMouseMove(message);
      break;
    case WM_CONTEXTMENU:
      WMContextMenu(message);
      break;
    case WM_SIZE:
      WMSize(message);
      break;
    case WM_PAINT:
      WMPaint(message);
      break;
    case WM_ERASEBKGND:
      WMEraseBkgnd(message);
      break;
    case CM_ENABLEDCHANGED:
      Invalidate();
      break;
    case CM_COLORCHANGED:
      ApplyColors();
      Invalidate();
      break;
    case CM_FONTCHANGED:
      FWidget->setFont(QtFont(*FFont));
      ApplyColors();
      Invalidate();
      break;
    case CM_PARENTFONTCHANGED:
      ParentFontChanged();
      break;
    case CM_TEXTCHANGED:
      TextChanged();
      break;
    case CM_MOUSEENTER:
      OnMouseEnter(this);
      break;
    case CM_MOUSELEAVE:
      OnMouseLeave(this);
      break;
    default:
      TComponent::Dispatch(message);
      break;
  }
}

void TControl::DefaultHandler(TMessage& message) {
  FHost->DefaultHandler(message);
}

void TControl::WMButtonDown(TMessage& message, TMouseButton button, bool doubleClick) {
  const auto alive = Alive();
  DefaultHandler(message);
  if (alive.expired()) return;
  if (FControlStyle.Contains(csCaptureMouse)) SetMouseCapture(true);
  if (button == mbLeft && FControlStyle.Contains(csClickEvents)) FClicked = true;
  TShiftState shift = MouseShiftState(message.WParam);
  if (doubleClick) {
    shift.Include(ssDouble);
    if (button == mbLeft && FControlStyle.Contains(csDoubleClicks)) {
      DblClick();
      if (alive.expired()) return;
    }
  }
  MouseDown(button, shift, LParamX(message.LParam), LParamY(message.LParam));
}

void TControl::WMButtonUp(TMessage& message, TMouseButton button) {
  const auto alive = Alive();
  DefaultHandler(message);
  if (alive.expired()) return;
  constexpr WPARAM kButtons = MK_LBUTTON | MK_RBUTTON | MK_MBUTTON;
  if ((message.WParam & kButtons) == 0 && FControlStyle.Contains(csCaptureMouse)) {
    SetMouseCapture(false);
  }
  const int x = LParamX(message.LParam), y = LParamY(message.LParam);
  if (button == mbLeft && FClicked) {
    FClicked = false;
    if (ClientRect().Contains(TPoint{x, y})) {
      Click();
      if (alive.expired()) return;
    }
  }
  MouseUp(button, MouseShiftState(message.WParam), x, y);
}

void TControl::WMMouseMove(TMessage& message) {
  const auto alive = Alive();
  DefaultHandler(message);
  if (alive.expired()) return;
  MouseMove(MouseShiftState(message.WParam), LParamX(message.LParam), LParamY(message.LParam));
}

void TControl::WMContextMenu(TMessage& message) {
  const auto alive = Alive();
  TPoint at{LParamX(message.LParam), LParamY(message.LParam)};
  if (at.x == -1 && at.y == -1) {
    at = ClientToScreen(TPoint{ClientWidth() / 2, ClientHeight() / 2});
  }
  bool handled = false;
  OnContextPopup(this, ScreenToClient(at), handled);
  if (alive.expired()) return;
  if (handled) {
    message.Result = 1;
    return;
  }
  if (TPopupMenu* menu = PopupMenu(); menu != nullptr && menu->AutoPopup()) {
    menu->SetPopupComponent(this);
    message.Result = 1;
    menu->Popup(at.x, at.y);
    return;
  }
  DefaultHandler(message);
}

void TControl::WMSize(TMessage&) {
  Resize();
}

void TControl::WMPaint(TMessage& message) {
  if (PaintsItself()) {
    PaintHandler();
  } else {
    DefaultHandler(message);
  }
}

void TControl::WMEraseBkgnd(TMessage& message) {
  if (!PaintsItself()) {
    DefaultHandler(message);
    return;
  }
  auto dc = reinterpret_cast<HDC>(message.WParam);
  TDCPainter painter(dc);
  if (painter.Active()) {
    const QRect area(0, 0, ClientWidth(), ClientHeight());
    if (FHost->PaintingKind() == TControlHost::Painting::Opaque) {
      painter->fillRect(area, QtColor(FColor));
    } else {
      painter->setCompositionMode(QPainter::CompositionMode_Source);
      painter->fillRect(area, Qt::transparent);
    }
  }
  message.Result = 1;
}

void TControl::PaintHandler() {
  FHost->ResizePixels(ClientWidth(), ClientHeight());
  if (FHost->InvalidRegion().isEmpty() || FHost->Pixels().isNull()) {
    FHost->Validate();
    return;
  }
  const QRegion region = FHost->InvalidRegion();
  // Valid from here on: what Paint invalidates again is painted next time.
  FHost->Validate();
  OwnedContext dc(CreateDrawingDC(&FHost->Pixels(), QPoint(), &region));
  DrawingState(dc.get())->font = QtFont(*FFont);
  const auto alive = Alive();
  Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc.get()));
  if (alive.expired()) return;
  // The canvas starts every paint with the control's font.
  FCanvas->Font()->Assign(*FFont);
  FCanvas->BeginPaint(dc.get());
  struct EndPaint {
    std::weak_ptr<const void> alive;
    TControlCanvas* canvas;
    ~EndPaint() {
      if (!alive.expired()) canvas->EndPaint();
    }
  } end{alive, FCanvas.get()};
  Paint();
}

void TControl::Click() {
  OnClick(this);
}

void TControl::DblClick() {
  OnDblClick(this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
  OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  OnMouseUp(this, button, shift, x, y);
}

void TControl::Resize() {
  OnResize(this);
}

TGraphicControl::TGraphicControl(TComponent* owner)
    : TControl(owner, NewControlWidget<QWidget>(TControlHost::Painting::Transparent)) {
  Widget()->setFocusPolicy(Qt::NoFocus);
}
