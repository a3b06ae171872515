#include "components/themeControls.h"

#include "components/ButtonGlyph.h"
#include "components/ParentWindow.h"
#include "components/Themes.h"
#include "framework/Registration.h"
#include "platform/CodePage.h"
#include "platform/gdi/ClassicDrawing.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/Icons.h"
#include "platform/user/WidgetWindows.h"

namespace {

// A context on a window's own pixels (GetDC) with a font selected, released
// when it goes. The caption is drawn here rather than on the paint's canvas,
// so that it is never clipped to the part being repainted.
class TWindowTextContext {
 public:
  TWindowTextContext(HWND window, const TFont& font) : FWindow(window), FDC(GetDC(window)) {
    FCanvas.SetHandle(FDC);
    FCanvas.Font()->Assign(font);
    FCanvas.Handle();  // selects the font (and its colour) into the context
  }
  ~TWindowTextContext() {
    FCanvas.SetHandle(nullptr);
    if (FDC != nullptr) ReleaseDC(FWindow, FDC);
  }
  TWindowTextContext(const TWindowTextContext&) = delete;
  TWindowTextContext& operator=(const TWindowTextContext&) = delete;
  operator HDC() const { return FDC; }

 private:
  HWND FWindow;
  HDC FDC;
  TCanvas FCanvas;
};

LPCWSTR Wide(const String& text) {
  return reinterpret_cast<LPCWSTR>(text.c_str());
}

}  // namespace

// --- TXPCheckBox ---

TXPCheckBox::TXPCheckBox(TComponent* AOwner) : TCustomControl(AOwner) {
  SetBounds(Left(), Top(), 100, 18);
}

void TXPCheckBox::SetChecked(bool value) {
  if (value == GetChecked()) return;
  FState = value ? cbChecked : cbUnchecked;
  Repaint();
}

void TXPCheckBox::SetState(TCheckBoxState value) {
  if (value == FState) return;
  FState = value;
  Repaint();
}

String TXPCheckBox::Caption() const {
  return CodePageToUtf16(FCaption);
}

void TXPCheckBox::SetCaption(const String& value) {
  std::string caption = Utf16ToCodePage(value);
  if (caption == FCaption) return;
  FCaption = std::move(caption);
  Repaint();
}

void TXPCheckBox::Click() {
  SetChecked(!GetChecked());
  TCustomControl::Click();
}

void TXPCheckBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  const auto alive = Alive();
  TCustomControl::MouseDown(Button, Shift, X, Y);
  if (alive.expired()) return;
  FMouseDown = true;
  Repaint();
}

void TXPCheckBox::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  const auto alive = Alive();
  TCustomControl::MouseUp(Button, Shift, X, Y);
  if (alive.expired()) return;
  FMouseDown = false;
  Repaint();
}

void TXPCheckBox::MouseMove(TShiftState Shift, int X, int Y) {
  TCustomControl::MouseMove(Shift, X, Y);
}

void TXPCheckBox::Dispatch(TMessage& Message) {
  if (Message.Msg == CM_MOUSEENTER) {
    CMMouseEnter(Message);
  } else if (Message.Msg == CM_MOUSELEAVE) {
    CMMouseLeave(Message);
  }
  // The framework's handling too: OnMouseEnter and OnMouseLeave.
  TCustomControl::Dispatch(Message);
}

void TXPCheckBox::CMMouseEnter(TMessage&) {
  // While another window holds the capture the pointer only passes over.
  if (FMouseInside || !Enabled() || GetCapture() != nullptr) return;
  FMouseInside = true;
  Repaint();
}

void TXPCheckBox::CMMouseLeave(TMessage&) {
  // Also while disabled: a box left then would show hot once enabled again.
  if (!FMouseInside) return;
  FMouseInside = false;
  Repaint();
}

void TXPCheckBox::Paint() {
  const HWND parentWindow = ParentWindow(*this);
  if (parentWindow == nullptr) {
    TCustomControl::Paint();
    return;
  }
  TThemeHelper* themes = ThemeHelper();
  HTHEME theme = themes->OpenThemeData(parentWindow, u"BUTTON");
  if (theme == nullptr) {
    PaintClassic();
    return;
  }
  PaintThemed(theme);
  themes->CloseThemeData(theme);
}

void TXPCheckBox::PaintClassic() {
  RECT box{0, 0, 16, 16};
  UINT state = FState == cbGrayed    ? DFCS_BUTTON3STATE | DFCS_CHECKED
               : FState == cbChecked ? DFCS_CHECKED
                                     : 0;
  if (!Enabled()) state |= DFCS_INACTIVE;
  DrawFrameControl(Canvas()->Handle(), &box, DFC_BUTTON, state);
  RECT text{18, 0, Width(), 20};
  TWindowTextContext dc(Handle(), *Font());
  SetBkMode(dc, TRANSPARENT);
  DrawTextA(dc, FCaption.c_str(), static_cast<int>(FCaption.size()), &text, DT_SINGLELINE);
}

void TXPCheckBox::PaintThemed(HTHEME theme) {
  TThemeHelper* themes = ThemeHelper();
  HDC canvas = Canvas()->Handle();
  const RECT client = ClientRect().ToRECT();
  themes->DrawThemeParentBackground(Handle(), canvas, &client);

  int state = FState == cbChecked  ? CBS_CHECKEDNORMAL
              : FState == cbGrayed ? CBS_MIXEDNORMAL
                                   : CBS_UNCHECKEDNORMAL;
  if (!Enabled()) {
    state += 3;
  } else if (FMouseInside) {
    state += 1;
  } else if (FMouseDown) {
    state += 2;
  }
  const int margin = (Height() - 16) / 2;
  const RECT box{0, margin, 16, Height() - margin};
  themes->DrawThemeBackground(theme, canvas, BP_CHECKBOX, state, &box, nullptr);

  RECT text = box;
  text.left = 18;
  text.right = Width();
  constexpr DWORD kFlags = DT_SINGLELINE | DT_VCENTER;
  const DWORD flags2 = Enabled() ? 0 : DTT_GRAYED;
  const String caption = Caption();
  const int length = static_cast<int>(caption.size());
  TWindowTextContext dc(Handle(), *Font());
  RECT extent{};
  themes->GetThemeTextExtent(theme, dc, BP_CHECKBOX, state, Wide(caption), length, kFlags, &text,
                             &extent);
  // Centred in the whole height, whatever the box's margin.
  const int above = (Height() - (extent.bottom - extent.top)) / 2;
  extent.top = above;
  extent.bottom = Height() - above;
  themes->DrawThemeText(theme, dc, BP_CHECKBOX, state, Wide(caption), length, kFlags, flags2,
                        &extent);
}

// --- TXPThemeSpeedButton ---

TXPThemeSpeedButton::TXPThemeSpeedButton(TComponent* AOwner) : TSpeedButton(AOwner) {}

void TXPThemeSpeedButton::Dispatch(TMessage& Message) {
  if (Message.Msg == CM_MOUSEENTER || Message.Msg == CM_MOUSELEAVE) {
    const bool hot = Message.Msg == CM_MOUSEENTER;
    if (hot != FHot) {
      FHot = hot;
      Invalidate();
    }
  }
  TSpeedButton::Dispatch(Message);
}

void TXPThemeSpeedButton::Paint() {
  TThemeHelper* themes = ThemeHelper();
  HTHEME theme = nullptr;
  if (Parent() != nullptr && !ComponentState().Has(csDesigning)) {
    if (const HWND parentWindow = ParentWindow(*this); parentWindow != nullptr) {
      theme = themes->OpenThemeData(parentWindow, u"Button");
    }
  }
  if (theme == nullptr) {
    TSpeedButton::Paint();
    return;
  }

  // The later rule wins: pressed over hot, disabled over both.
  int state = FHot ? PBS_HOT : PBS_NORMAL;
  TButtonState glyphState = bsUp;
  if (Down() || State() == bsDown || State() == bsExclusive) {
    state = PBS_PRESSED;
    glyphState = bsDown;
  }
  if (!Enabled()) {
    state = PBS_DISABLED;
    glyphState = bsDisabled;
  }

  HDC canvas = Canvas()->Handle();
  const RECT client = ClientRect().ToRECT();
  RECT face = client;
  if (Flat()) face = RECT{face.left - 1, face.top - 1, face.right + 1, face.bottom + 1};
  themes->DrawThemeBackground(theme, canvas, BP_PUSHBUTTON, state, &face, &client);

  const String& caption = Caption();
  const int length = static_cast<int>(caption.size());
  UINT flags = DT_SINGLELINE;
  RECT text = client;
  if (!Glyph()->Empty()) {
    RECT content = client;
    themes->GetThemeBackgroundContentRect(theme, canvas, BP_PUSHBUTTON, state, &client, &content);
    RECT extent{};
    themes->GetThemeTextExtent(theme, canvas, BP_PUSHBUTTON, state, Wide(caption), length,
                               DT_SINGLELINE, &content, &extent);
    const int w = Glyph()->Width() / NumGlyphs(), h = Glyph()->Height();
    const int cw = content.right - content.left, ch = content.bottom - content.top;
    const int tw = extent.right - extent.left, th = extent.bottom - extent.top;
    const int s = Spacing();
    const int mx = (cw - tw - w - s) / 2, my = (ch - th - h - s) / 2;
    int glyphLeft = content.left + (cw - w) / 2;
    int glyphTop = content.top + (ch - h) / 2;
    if (!caption.empty()) {
      switch (Layout()) {
        case blGlyphLeft:
          glyphLeft = content.left + mx;
          content.left += w + s;
          break;
        case blGlyphRight:
          glyphLeft = content.left + mx + tw + s;
          content.right -= w + s;
          break;
        case blGlyphTop:
          glyphTop = content.top + my;
          content.top += h + s;
          break;
        case blGlyphBottom:
          glyphTop = content.top + my + th + s;
          content.bottom -= h + s;
          break;
      }
    }
    PaintGlyph(theme, state, glyphState, Bounds(glyphLeft, glyphTop, w, h));
    text = content;
  }
  flags |= DT_CENTER | DT_VCENTER;
  themes->DrawThemeText(theme, canvas, BP_PUSHBUTTON, state, Wide(caption), length, flags, 0,
                        &text);
  themes->CloseThemeData(theme);
}

void TXPThemeSpeedButton::PaintGlyph(HTHEME theme, int state, TButtonState glyphState,
                                     const TRect& glyphRect) {
  const TGlyphPicture picture = ButtonGlyphPicture(*Glyph(), NumGlyphs(), glyphState);
  if (picture.image.isNull()) return;
  HIMAGELIST images = ImageList_Create(picture.image.width(), picture.image.height(), 0, 1, 0);
  const int index = ImageList_AddImage(images, picture.image, picture.mask);
  const RECT rect = glyphRect.ToRECT();
  if (index >= 0) {
    ThemeHelper()->DrawThemeIcon(theme, Canvas()->Handle(), BP_PUSHBUTTON, state, &rect, images,
                                 index);
  }
  ImageList_Destroy(images);
}

namespace themeControls {

void Register() {
  RegisterComponent("Corvane", "TXPCheckBox",
                    [](TComponent* owner) { return new TXPCheckBox(owner); });
  RegisterComponent("Corvane", "TXPThemeSpeedButton",
                    [](TComponent* owner) { return new TXPThemeSpeedButton(owner); });
}

}  // namespace themeControls
