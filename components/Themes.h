#pragma once

// The theme helper: the controls' access to the visual-styles library
// (platform/uxtheme/UxTheme.h) without linking it. The library is loaded by
// name at run time, only on a system new enough for visual styles, and every
// drawing call goes through a forwarding operation that does nothing and
// reports failure when the library or that one entry point is missing. A
// control that gets no theme handle, or sees ThemesActive false, draws its
// classic look.
//
// One helper serves the process (ThemeHelper()); it is made on first use and
// kept, with the library loaded, until the process ends. Whether themes are
// active is decided then, once. User-interface thread only.

#include <string>

#include "platform/WindowsTypes.h"
#include "platform/gdi/Gdi.h"
#include "platform/kernel/Modules.h"
#include "platform/uxtheme/UxTheme.h"

class TThemeHelper {
 public:
  // Loads `library` (a file name looked for next to the program, or a path)
  // if the system's version allows visual styles.
  explicit TThemeHelper(const std::string& library = kVisualStylesLibrary);
  ~TThemeHelper();
  TThemeHelper(const TThemeHelper&) = delete;
  TThemeHelper& operator=(const TThemeHelper&) = delete;

  // Visual styles are on for this application: the library was loaded and
  // both IsThemeActive and IsAppThemed said so when the helper was made.
  bool ThemesActive() const { return FThemesActive; }

  // The theme handle, or null when missing or failed.
  HTHEME OpenThemeData(HWND window, LPCWSTR classList) const;
  void CloseThemeData(HTHEME theme) const;
  // The rest: true only when the entry point exists and returned S_OK.
  bool DrawThemeBackground(HTHEME theme, HDC dc, int part, int state, const RECT* rect,
                           const RECT* clip) const;
  bool DrawThemeParentBackground(HWND window, HDC dc, const RECT* rect) const;
  bool DrawThemeText(HTHEME theme, HDC dc, int part, int state, LPCWSTR text, int count,
                     DWORD flags, DWORD flags2, const RECT* rect) const;
  bool GetThemeBackgroundContentRect(HTHEME theme, HDC dc, int part, int state,
                                     const RECT* bounding, RECT* content) const;
  bool GetThemeTextExtent(HTHEME theme, HDC dc, int part, int state, LPCWSTR text, int count,
                          DWORD flags, const RECT* bounding, RECT* extent) const;
  bool DrawThemeIcon(HTHEME theme, HDC dc, int part, int state, const RECT* rect, HIMAGELIST images,
                     int index) const;

 private:
  using IsThemeActiveFn = BOOL (*)();
  using IsAppThemedFn = BOOL (*)();
  using OpenThemeDataFn = HTHEME (*)(HWND, LPCWSTR);
  using CloseThemeDataFn = HRESULT (*)(HTHEME);
  using DrawThemeBackgroundFn = HRESULT (*)(HTHEME, HDC, int, int, const RECT*, const RECT*);
  using DrawThemeParentBackgroundFn = HRESULT (*)(HWND, HDC, const RECT*);
  using DrawThemeTextFn = HRESULT (*)(HTHEME, HDC, int, int, LPCWSTR, int, DWORD, DWORD,
                                      const RECT*);
  using GetThemeBackgroundContentRectFn = HRESULT (*)(HTHEME, HDC, int, int, const RECT*, RECT*);
  using GetThemeTextExtentFn = HRESULT (*)(HTHEME, HDC, int, int, LPCWSTR, int, DWORD, const RECT*,
                                           RECT*);
  using DrawThemeIconFn = HRESULT (*)(HTHEME, HDC, int, int, const RECT*, HIMAGELIST, int);

  template <typename Fn>
  Fn Lookup(const char* name) const {
    return reinterpret_cast<Fn>(GetProcAddress(FLibrary, name));
  }

  HMODULE FLibrary = nullptr;
  IsThemeActiveFn FIsThemeActive = nullptr;
  IsAppThemedFn FIsAppThemed = nullptr;
  OpenThemeDataFn FOpenThemeData = nullptr;
  CloseThemeDataFn FCloseThemeData = nullptr;
  DrawThemeBackgroundFn FDrawThemeBackground = nullptr;
  DrawThemeParentBackgroundFn FDrawThemeParentBackground = nullptr;
  DrawThemeTextFn FDrawThemeText = nullptr;
  GetThemeBackgroundContentRectFn FGetThemeBackgroundContentRect = nullptr;
  GetThemeTextExtentFn FGetThemeTextExtent = nullptr;
  DrawThemeIconFn FDrawThemeIcon = nullptr;
  bool FThemesActive = false;
};

// The process's helper, made on the first call.
TThemeHelper* ThemeHelper();
