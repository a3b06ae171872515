#include "tools/GalleryBrowseFolderDlgSection.h"

#include "components/BrowseFolderDlg.h"
#include "framework/Button.h"
#include "framework/Form.h"
#include "framework/Label.h"
#include "framework/SysUtils.h"

int AddBrowseFolderDlgSection(TForm* form, int top) {
  auto* heading = new TLabel(form);
  heading->SetParent(form);
  heading->Font()->SetStyle(TFontStyles{fsBold});
  heading->SetCaption(u"Folder browse dialog");
  heading->SetLeft(12);
  heading->SetTop(top);

  auto* dialog = new TBrowseFolderDlg(form);
  dialog->SetWindowText("Choose a folder");
  auto* button = new TButton(form);
  button->SetParent(form);
  button->SetBounds(150, top + 22, 110, 25);
  button->SetCaption(u"Choose &folder...");
  auto* chosen = new TLabel(form);
  chosen->SetParent(form);
  chosen->SetCaption(u"No folder chosen yet");
  chosen->SetLeft(270);
  chosen->SetTop(top + 27);
  // The last folder chosen is where the next choice starts.
  button->OnClick = [form, dialog, chosen](TObject*) {
    if (dialog->Execute(form->Handle())) chosen->SetCaption(AnsiToString(dialog->FolderName()));
  };
  return 56;
}
