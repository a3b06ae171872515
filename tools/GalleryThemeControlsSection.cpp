#include "tools/GalleryThemeControlsSection.h"

#include "components/themeControls.h"
#include "framework/Form.h"
#include "framework/Label.h"

namespace {

constexpr int kNameColumn = 12;
constexpr int kStateColumns[] = {150, 270, 390, 510};
enum class Look { Normal, Hot, Pressed, Disabled };
constexpr Look kLooks[] = {Look::Normal, Look::Hot, Look::Pressed, Look::Disabled};

void AddLabel(TForm* form, int left, int top, const String& caption, bool bold = false) {
  auto* label = new TLabel(form);
  label->SetParent(form);
  if (bold) label->Font()->SetStyle(TFontStyles{fsBold});
  label->SetCaption(caption);
  label->SetLeft(left);
  label->SetTop(top);
}

void AddStateHeadings(TForm* form, int top) {
  static const char16_t* const kNames[] = {u"Normal", u"Hot", u"Pressed", u"Disabled"};
  for (int i = 0; i < 4; ++i)
    AddLabel(form, kStateColumns[i], top, kNames[i]);
}

// Shows the look as the user brings it about: the pointer over the control,
// or the left button held on it (the capture let go again, so that the
// window does not keep the mouse).
void ShowLook(TControl* control, Look look) {
  switch (look) {
    case Look::Normal:
      break;
    case Look::Hot:
      control->Perform(CM_MOUSEENTER);
      break;
    case Look::Pressed:
      control->Perform(WM_LBUTTONDOWN, MK_LBUTTON, PointToLParam(4, 4));
      control->SetMouseCapture(false);
      break;
    case Look::Disabled:
      control->SetEnabled(false);
      break;
  }
}

// A 16 x 16 glyph: a folder in yellow and dark gray on a transparent
// (fuchsia, the bottom-left pixel) ground.
void DrawFolderGlyph(TBitmap* glyph) {
  glyph->SetSize(16, 16);
  TCanvas* canvas = glyph->Canvas();
  canvas->Brush()->SetColor(clFuchsia);
  canvas->FillRect(Rect(0, 0, 16, 16));
  canvas->Pen()->SetColor(clGray);
  canvas->Brush()->SetColor(clYellow);
  canvas->Rectangle(1, 5, 15, 14);
  canvas->Rectangle(1, 3, 7, 6);
}

TXPThemeSpeedButton* AddSpeedButton(TForm* form, int left, int top, int width,
                                    const String& caption) {
  auto* button = new TXPThemeSpeedButton(form);
  button->SetParent(form);
  button->SetBounds(left, top, width, 24);
  button->SetCaption(caption);
  return button;
}

}  // namespace

int AddThemeControlsSection(TForm* form, int top) {
  AddLabel(form, kNameColumn, top, u"Themed check box", true);
  AddStateHeadings(form, top + 22);
  static const struct {
    const char16_t* name;
    TCheckBoxState state;
  } kBoxes[] = {{u"Unchecked", cbUnchecked}, {u"Checked", cbChecked}, {u"Grayed", cbGrayed}};
  int y = top + 44;
  for (const auto& row : kBoxes) {
    AddLabel(form, kNameColumn, y + 2, row.name);
    for (int i = 0; i < 4; ++i) {
      auto* box = new TXPCheckBox(form);
      box->SetParent(form);
      box->SetLeft(kStateColumns[i]);
      box->SetTop(y);
      box->SetState(row.state);
      ShowLook(box, kLooks[i]);
    }
    y += 24;
  }

  y += 14;
  AddLabel(form, kNameColumn, y, u"Themed speed button", true);
  AddStateHeadings(form, y + 22);
  y += 44;
  AddLabel(form, kNameColumn, y + 5, u"Glyph and caption");
  for (int i = 0; i < 4; ++i) {
    auto* button = AddSpeedButton(form, kStateColumns[i], y, 80, u"Open");
    DrawFolderGlyph(button->Glyph());
    ShowLook(button, kLooks[i]);
  }
  y += 32;
  AddLabel(form, kNameColumn, y + 5, u"Caption");
  for (int i = 0; i < 4; ++i)
    ShowLook(AddSpeedButton(form, kStateColumns[i], y, 60, u"Speed"), kLooks[i]);
  y += 32;
  // Two flat buttons of one group, as the convert edit shows its units: "g"
  // stays down; the look shown is that of "m".
  AddLabel(form, kNameColumn, y + 5, u"Group, \"g\" down");
  for (int i = 0; i < 4; ++i) {
    auto* first = AddSpeedButton(form, kStateColumns[i], y, 20, u"g");
    auto* second = AddSpeedButton(form, kStateColumns[i] + 21, y, 20, u"m");
    for (TXPThemeSpeedButton* button : {first, second}) {
      button->SetFlat(true);
      button->SetGroupIndex(10 + i);
    }
    first->SetDown(true);
    if (kLooks[i] == Look::Disabled) first->SetEnabled(false);
    ShowLook(second, kLooks[i]);
  }
  y += 32;
  return y - top;
}
