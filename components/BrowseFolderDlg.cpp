#include "components/BrowseFolderDlg.h"

#include <algorithm>
#include <cstring>

#include "framework/Application.h"
#include "framework/Registration.h"
#include "framework/Screen.h"
#include "platform/gdi/Gdi.h"
#include "platform/shell/ShlObj.h"
#include "platform/user/Messages.h"
#include "platform/user/WidgetWindows.h"

namespace {

int BrowseCallback(HWND dialog, UINT msg, LPARAM, LPARAM data) {
  if (msg == BFFM_INITIALIZED) reinterpret_cast<TBrowseFolderDlg*>(data)->Initialise(dialog);
  return 0;
}

// Frees an item list with the shell's allocator.
void FreeItemList(LPITEMIDLIST item) {
  IMalloc* allocator = nullptr;
  if (SHGetMalloc(&allocator) != S_OK) return;
  allocator->Free(item);
  allocator->Release();
}

}  // namespace

TBrowseFolderDlg::TBrowseFolderDlg(TComponent* AOwner) : TComponent(AOwner) {}

TBrowseFolderDlg::~TBrowseFolderDlg() = default;

bool TBrowseFolderDlg::Execute(void* ownerWindow) {
  char displayName[MAX_PATH] = {};
  BROWSEINFOA info{};
  info.hwndOwner = ownerWindow != nullptr ? static_cast<HWND>(ownerWindow) : Application->Handle();
  info.pidlRoot = nullptr;
  info.pszDisplayName = displayName;
  info.lpszTitle = FWindowText.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_VALIDATE | BIF_NEWDIALOGSTYLE | BIF_UAHINT;
  info.lpfn = &BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(this);
  info.iImage = 0;

  const auto alive = Alive();
  LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
  if (chosen == nullptr) return false;
  char path[MAX_PATH];
  const bool found = SHGetPathFromIDListA(chosen, path) != 0;
  FreeItemList(chosen);
  // A handler run by the browser's loop may have destroyed this component;
  // a folder whose path does not fit the buffer is not reported as chosen.
  if (alive.expired() || !found) return false;
  FFolderName = path;
  return true;
}

void TBrowseFolderDlg::Initialise(void* dialogWindow) {
  if (FFolderName.empty()) return;
  auto* dialog = static_cast<HWND>(dialogWindow);
  RECT bounds{};
  if (GetWindowRect(dialog, &bounds)) {
    const int w = bounds.right - bounds.left;
    const int h = bounds.bottom - bounds.top;
    const int x = static_cast<int>(Screen->Width() * 0.5 - w * 0.5);
    const int y = static_cast<int>(Screen->Height() * 0.5 - h * 0.5);
    MoveWindow(dialog, x, y, w, h, 1);
  }
  // A longer name is cut to what the buffer holds rather than overflowing it.
  char buffer[MAX_PATH];
  const size_t length = std::min(FFolderName.size(), static_cast<size_t>(MAX_PATH - 1));
  std::memcpy(buffer, FFolderName.data(), length);
  buffer[length] = '\0';
  SendMessage(dialog, BFFM_SETSELECTIONA, 1, reinterpret_cast<LPARAM>(buffer));
}

namespace BrowseFolderDlg {

void Register() {
  RegisterComponent("Corvane", "TBrowseFolderDlg",
                    [](TComponent* owner) { return new TBrowseFolderDlg(owner); });
}

}  // namespace BrowseFolderDlg
