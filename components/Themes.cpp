#include "components/Themes.h"

#include "platform/kernel/SystemVersion.h"

namespace {

// Visual styles came with Windows NT 5.1.
bool VersionHasVisualStyles() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof(info);
  if (!GetVersionExA(&info)) return false;
  return (info.dwPlatformId == VER_PLATFORM_WIN32_NT && info.dwMajorVersion == 5 &&
          info.dwMinorVersion >= 1) ||
         info.dwMajorVersion > 5;
}

}  // namespace

TThemeHelper::TThemeHelper(const std::string& library) {
  if (!VersionHasVisualStyles()) return;
  FLibrary = LoadLibraryA(library.c_str());
  if (FLibrary == nullptr) return;
  FIsThemeActive = Lookup<IsThemeActiveFn>("IsThemeActive");
  FIsAppThemed = Lookup<IsAppThemedFn>("IsAppThemed");
  FOpenThemeData = Lookup<OpenThemeDataFn>("OpenThemeData");
  FCloseThemeData = Lookup<CloseThemeDataFn>("CloseThemeData");
  FDrawThemeBackground = Lookup<DrawThemeBackgroundFn>("DrawThemeBackground");
  FDrawThemeParentBackground = Lookup<DrawThemeParentBackgroundFn>("DrawThemeParentBackground");
  FDrawThemeText = Lookup<DrawThemeTextFn>("DrawThemeText");
  FGetThemeBackgroundContentRect =
      Lookup<GetThemeBackgroundContentRectFn>("GetThemeBackgroundContentRect");
  FGetThemeTextExtent = Lookup<GetThemeTextExtentFn>("GetThemeTextExtent");
  FDrawThemeIcon = Lookup<DrawThemeIconFn>("DrawThemeIcon");
  if (FIsThemeActive != nullptr && FIsAppThemed != nullptr) {
    FThemesActive = FIsThemeActive() != 0 && FIsAppThemed() != 0;
  }
}

TThemeHelper::~TThemeHelper() {
  FreeLibrary(FLibrary);
}

HTHEME TThemeHelper::OpenThemeData(HWND window, LPCWSTR classList) const {
  return FOpenThemeData != nullptr ? FOpenThemeData(window, classList) : nullptr;
}

void TThemeHelper::CloseThemeData(HTHEME theme) const {
  if (FCloseThemeData != nullptr) FCloseThemeData(theme);
}

bool TThemeHelper::DrawThemeBackground(HTHEME theme, HDC dc, int part, int state, const RECT* rect,
                                       const RECT* clip) const {
  return FDrawThemeBackground != nullptr &&
         FDrawThemeBackground(theme, dc, part, state, rect, clip) == S_OK;
}

bool TThemeHelper::DrawThemeParentBackground(HWND window, HDC dc, const RECT* rect) const {
  return FDrawThemeParentBackground != nullptr &&
         FDrawThemeParentBackground(window, dc, rect) == S_OK;
}

bool TThemeHelper::DrawThemeText(HTHEME theme, HDC dc, int part, int state, LPCWSTR text, int count,
                                 DWORD flags, DWORD flags2, const RECT* rect) const {
  return FDrawThemeText != nullptr &&
         FDrawThemeText(theme, dc, part, state, text, count, flags, flags2, rect) == S_OK;
}

bool TThemeHelper::GetThemeBackgroundContentRect(HTHEME theme, HDC dc, int part, int state,
                                                 const RECT* bounding, RECT* content) const {
  return FGetThemeBackgroundContentRect != nullptr &&
         FGetThemeBackgroundContentRect(theme, dc, part, state, bounding, content) == S_OK;
}

bool TThemeHelper::GetThemeTextExtent(HTHEME theme, HDC dc, int part, int state, LPCWSTR text,
                                      int count, DWORD flags, const RECT* bounding,
                                      RECT* extent) const {
  return FGetThemeTextExtent != nullptr &&
         FGetThemeTextExtent(theme, dc, part, state, text, count, flags, bounding, extent) == S_OK;
}

bool TThemeHelper::DrawThemeIcon(HTHEME theme, HDC dc, int part, int state, const RECT* rect,
                                 HIMAGELIST images, int index) const {
  return FDrawThemeIcon != nullptr &&
         FDrawThemeIcon(theme, dc, part, state, rect, images, index) == S_OK;
}

TThemeHelper* ThemeHelper() {
  // Kept to the process's end, the library with it.
  static TThemeHelper* const helper = new TThemeHelper();
  return helper;
}
