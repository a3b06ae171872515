#include "tools/GalleryKeyPaintBoxSection.h"

#include <memory>
#include <string>

#include "components/KeyPaintBox.h"
#include "framework/Form.h"
#include "framework/Label.h"
#include "platform/user/VirtualKeys.h"

namespace {

// What the box has heard, the latest last.
struct Echo {
  std::u16string keys;
  void Add(const std::u16string& key) {
    keys += (keys.empty() ? u"" : u" ") + key;
    constexpr size_t kShown = 34;
    if (keys.size() > kShown) keys.erase(0, keys.size() - kShown);
  }
};

// Keys that type nothing, by name; the others are echoed as typed.
const char16_t* KeyName(WORD key) {
  switch (key) {
    case VK_LEFT:
      return u"Left";
    case VK_RIGHT:
      return u"Right";
    case VK_UP:
      return u"Up";
    case VK_DOWN:
      return u"Down";
    case VK_TAB:
      return u"Tab";
    case VK_HOME:
      return u"Home";
    case VK_END:
      return u"End";
    case VK_DELETE:
      return u"Del";
    default:
      return nullptr;
  }
}

}  // namespace

int AddKeyPaintBoxSection(TForm* form, int top) {
  auto* heading = new TLabel(form);
  heading->SetParent(form);
  heading->Font()->SetStyle(TFontStyles{fsBold});
  heading->SetCaption(u"Key paint box");
  heading->SetLeft(12);
  heading->SetTop(top);
  auto* hint = new TLabel(form);
  hint->SetParent(form);
  hint->SetCaption(u"Click it, then type");
  hint->SetLeft(12);
  hint->SetTop(top + 30);

  auto* box = new TKeyPaintBox(form);
  box->SetParent(form);
  box->SetBounds(150, top + 22, 340, 32);
  auto echo = std::make_shared<Echo>();
  box->OnPaint = [box, echo](TObject*) {
    TCanvas* canvas = box->Canvas();
    canvas->Brush()->SetColor(clWindow);
    canvas->FillRect(box->ClientRect());
    canvas->Brush()->SetColor(box->Focused() ? clHighlight : clBtnShadow);
    canvas->FrameRect(box->ClientRect());
    canvas->Brush()->SetColor(clWindow);
    canvas->Font()->SetColor(echo->keys.empty() ? clGrayText : clWindowText);
    canvas->TextOut(8, 8, echo->keys.empty() ? u"The keys it receives show here" : echo->keys);
  };
  box->OnKeyDown = [box, echo](TObject*, WORD& key, TShiftState) {
    if (const char16_t* name = KeyName(key)) {
      echo->Add(name);
      box->Invalidate();
    }
  };
  box->OnKeyPress = [box, echo](TObject*, WideChar& key) {
    echo->Add(key == u'\r' ? u"Enter" : key == u' ' ? u"Space" : std::u16string(1, key));
    box->Invalidate();
  };
  box->OnEnter = [box](TObject*) { box->Invalidate(); };
  box->OnExit = [box](TObject*) { box->Invalidate(); };
  return 64;
}
