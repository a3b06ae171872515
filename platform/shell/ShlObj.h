#pragma once

// The shell's folder browser, with the platform's names and contracts: a
// modal dialog in which the user picks a folder, returned as an item list
// that the caller turns into a path and frees with the shell's allocator.
//
// The dialog is Qt's own folder chooser (never the desktop's native one, so
// that it can be placed, preselected and answered like any of our windows).
// It behaves as the platform's does with BIF_RETURNONLYFSDIRS, BIF_VALIDATE
// and BIF_NEWDIALOGSTYLE whatever the flags say: only an existing folder of
// the file system can be confirmed, a folder name can be typed, the dialog
// can be resized. Everything runs on the user-interface thread.

#include <cstddef>

#include "platform/WindowsTypes.h"
#include "platform/user/Messages.h"

using ULONG = uint32_t;
using LPSTR = char*;

// The longest path the platform's buffers take, its terminating zero included.
constexpr int MAX_PATH = 260;

// An item of the shell namespace: here a folder of the file system, held in a
// block from the shell's allocator. Opaque; free it with SHGetMalloc's Free.
struct ITEMIDLIST;
using LPITEMIDLIST = ITEMIDLIST*;
using LPCITEMIDLIST = const ITEMIDLIST*;

// The browser calls this with BFFM_INITIALIZED once its dialog exists, before
// the dialog is shown; `data` is BROWSEINFOA's lParam. The result is ignored.
using BFFCALLBACK = int (*)(HWND dialog, UINT msg, LPARAM param, LPARAM data);

constexpr UINT BIF_RETURNONLYFSDIRS = 0x0001;
constexpr UINT BIF_VALIDATE = 0x0020;
constexpr UINT BIF_NEWDIALOGSTYLE = 0x0040;
constexpr UINT BIF_UAHINT = 0x0100;

// Notification to the callback.
constexpr UINT BFFM_INITIALIZED = 1;
// Sent to the dialog: selects a folder, given by its path (WParam true, LParam
// a zero-terminated path) or by an item list (WParam false). A folder that
// does not exist selects nothing.
constexpr UINT BFFM_SETSELECTIONA = WM_USER + 102;

struct BROWSEINFOA {
  HWND hwndOwner;  // the window the dialog belongs to and is placed over
  // Where the tree starts: null for the whole namespace, the only start
  // supported (with any other the browser opens nothing and returns null).
  LPCITEMIDLIST pidlRoot;
  LPSTR pszDisplayName;   // null, or MAX_PATH bytes for the chosen folder's name
  const char* lpszTitle;  // the text shown as the dialog's title
  UINT ulFlags;
  BFFCALLBACK lpfn;  // may be null
  LPARAM lParam;
  int iImage;
};

// Shows the browser modally and runs its loop until the user confirms a
// folder (its item list) or cancels (null). Null as well when `info` is null
// or has a root, or when the owner window went away while the dialog was open.
LPITEMIDLIST SHBrowseForFolderA(BROWSEINFOA* info);

// Writes the item's full path into `path` (MAX_PATH bytes) and returns true;
// false, with `path` empty, when the item is null or its path does not fit.
BOOL SHGetPathFromIDListA(LPCITEMIDLIST item, LPSTR path);

// The shell's allocator, process-wide; item lists are freed with its Free.
class IMalloc {
 public:
  virtual void* Alloc(size_t size) = 0;
  virtual void Free(void* block) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  ~IMalloc() = default;
};

// Hands out the allocator with one more reference; Release it when done.
HRESULT SHGetMalloc(IMalloc** allocator);

// Blocks from the shell's allocator not freed yet, for leak checks.
int ShellBlocksInUse();
