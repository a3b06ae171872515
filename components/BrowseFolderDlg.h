#pragma once

// TBrowseFolderDlg: a non-visual component that lets the user pick a folder
// in the shell's folder browser. Set WindowText (the browser's title) and,
// optionally, FolderName (the folder to start at), call Execute, and read
// the chosen folder's full path from FolderName. Cancelling changes nothing.

#include <string>

#include "framework/Component.h"

class TBrowseFolderDlg : public TComponent {
 public:
  explicit TBrowseFolderDlg(TComponent* AOwner);
  ~TBrowseFolderDlg() override;

  // In: the folder to preselect (may be empty); out: the chosen folder.
  const std::string& FolderName() const { return FFolderName; }
  void SetFolderName(const std::string& folderName) { FFolderName = folderName; }
  // The title shown on the browser.
  const std::string& WindowText() const { return FWindowText; }
  void SetWindowText(const std::string& windowText) { FWindowText = windowText; }

  // Shows the browser modally over `ownerWindow` (an HWND; null for the
  // application's window) and returns true when the user confirmed a folder,
  // which is then in FolderName. Blocks until the browser closes.
  bool Execute(void* ownerWindow = nullptr);
  // Run by the browser once its dialog exists: with a start folder, centres
  // the dialog on the screen and selects that folder; else nothing.
  void Initialise(void* dialogWindow);

 private:
  std::string FFolderName;
  std::string FWindowText;
};

namespace BrowseFolderDlg {
// Places TBrowseFolderDlg on the palette page "Corvane".
void Register();
}  // namespace BrowseFolderDlg
