#include "tools/GalleryBrowseFolderDlgSection.h"

#include "components/BrowseFolderDlg.h"
#include "framework/Button.h"
#include "framework/Form.h"
#include "framework/Label.h"
#include "framework/SysUtils.h"
#include "tools/GalleryLabel.h"

int AddBrowseFolderDlgSection(TForm* form, int top) {
  AddLabel(form, 12, top, u"Folder browse dialog", true);

  auto* dialog = new TBrowseFolderDlg(form);
  dialog->SetWindowText("Choose a folder");
  auto* button = new TButton(form);
  button->SetParent(form);
  button->SetBounds(150, top + 22, 110, 25);
  button->SetCaption(u"Choose &folder...");
  TLabel* chosen = AddLabel(form, 270, top + 27, u"No folder chosen yet");
  // The last folder chosen is where the next choice starts.
  button->OnClick = [form, dialog, chosen](TObject*) {
    if (dialog->Execute(form->Handle())) chosen->SetCaption(AnsiToString(dialog->FolderName()));
  };
  return 56;
}
