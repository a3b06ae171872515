#pragma once

// A stand-in for the user of the folder browser, for tests: while one is
// set, every browser calls it once from inside its own modal loop, after the
// dialog is shown, and it answers through the dialog's own controls as a
// person would. A browser the answerer leaves open is cancelled, so that an
// answerer that gives up cannot leave a test waiting for a person.

#include <functional>
#include <string>

#include "platform/WindowsTypes.h"

// The open dialog, as the answerer sees and works it.
class TFolderBrowserView {
 public:
  virtual ~TFolderBrowserView() = default;

  // The dialog's title.
  virtual std::string Title() const = 0;
  // The folder that confirming now would give: full path, or empty.
  virtual std::string SelectedFolder() const = 0;
  // The dialog's outer rectangle, in screen coordinates.
  virtual RECT WindowRect() const = 0;
  // The window the browser was opened for (BROWSEINFOA's hwndOwner).
  virtual HWND Owner() const = 0;
  // Whether the dialog keeps input from the program's other windows.
  virtual bool Modal() const = 0;

  // Types `folder` into the dialog's name field and presses its confirm
  // button; true when that closed the dialog with the folder chosen.
  virtual bool Choose(const std::string& folder) = 0;
  // Presses the dialog's cancel button.
  virtual void Cancel() = 0;
};

using TFolderBrowserAnswerer = std::function<void(TFolderBrowserView& view)>;

// Sets the answerer for the browsers opened from now on; an empty one leaves
// them to the user again.
void SetFolderBrowserAnswerer(TFolderBrowserAnswerer answerer);
