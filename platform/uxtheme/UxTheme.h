#pragma once

// The visual-styles library's interface: the entry points it exports with C
// linkage (the library is loaded by name at run time, see components/Themes.h),
// the theme handle, and the classes, parts and states it draws. The library
// draws with the application's current Qt style. Device contexts, windows
// and image lists are handles both sides read the same way (see
// platform/gdi/DeviceContext.h, platform/user/WidgetWindows.h).
//
// Setting the environment variable SCRIVLO_VISUAL_STYLES to "off" (or "0",
// "no", "false") switches visual styles off for the process: IsThemeActive
// returns 0 and OpenThemeData opens nothing, so controls draw their classic
// look; the window layer then gives Qt's own widgets the classic Windows
// style too.

#include <strings.h>

#include <cstdlib>
#include <initializer_list>

#include "platform/WindowsTypes.h"
#include "platform/gdi/Gdi.h"

struct HTHEME__;
using HTHEME = HTHEME__*;
struct HIMAGELIST__;  // platform/gdi/Icons.h
using HIMAGELIST = HIMAGELIST__*;

// The file name of the library, found next to the program.
inline constexpr const char* kVisualStylesLibrary = "libscrivlo-uxtheme.so";
inline constexpr const char* kVisualStylesSwitch = "SCRIVLO_VISUAL_STYLES";

// Whether the user switched visual styles off for this run.
inline bool VisualStylesSwitchedOff() {
  const char* value = std::getenv(kVisualStylesSwitch);
  if (value == nullptr) return false;
  for (const char* off : {"off", "0", "no", "false"}) {
    if (strcasecmp(value, off) == 0) return true;
  }
  return false;
}

// "BUTTON" parts and states.
constexpr int BP_PUSHBUTTON = 1;
constexpr int BP_RADIOBUTTON = 2;
constexpr int BP_CHECKBOX = 3;
constexpr int BP_GROUPBOX = 4;
constexpr int PBS_NORMAL = 1;
constexpr int PBS_HOT = 2;
constexpr int PBS_PRESSED = 3;
constexpr int PBS_DISABLED = 4;
constexpr int PBS_DEFAULTED = 5;
// Check boxes: 1-4 unchecked, 5-8 checked, 9-12 mixed; radio buttons: 1-4
// unchecked, 5-8 checked; each as normal, hot, pressed, disabled.
constexpr int CBS_UNCHECKEDNORMAL = 1;
constexpr int CBS_CHECKEDNORMAL = 5;
constexpr int CBS_MIXEDNORMAL = 9;
constexpr int RBS_UNCHECKEDNORMAL = 1;
constexpr int RBS_CHECKEDNORMAL = 5;

// "SCROLLBAR": the arrow buttons, four directions of four states each.
constexpr int SBP_ARROWBTN = 1;
constexpr int ABS_UPNORMAL = 1;
constexpr int ABS_UPHOT = 2;
constexpr int ABS_UPPRESSED = 3;
constexpr int ABS_UPDISABLED = 4;
constexpr int ABS_DOWNNORMAL = 5;
constexpr int ABS_DOWNHOT = 6;
constexpr int ABS_DOWNPRESSED = 7;
constexpr int ABS_DOWNDISABLED = 8;
constexpr int ABS_LEFTNORMAL = 9;
constexpr int ABS_RIGHTNORMAL = 13;

// "TOOLBAR" buttons.
constexpr int TP_BUTTON = 1;
constexpr int TS_NORMAL = 1;
constexpr int TS_HOT = 2;
constexpr int TS_PRESSED = 3;
constexpr int TS_DISABLED = 4;
constexpr int TS_CHECKED = 5;
constexpr int TS_HOTCHECKED = 6;

// "EDIT" text boxes.
constexpr int EP_EDITTEXT = 1;
constexpr int ETS_NORMAL = 1;
constexpr int ETS_HOT = 2;
constexpr int ETS_SELECTED = 3;
constexpr int ETS_DISABLED = 4;
constexpr int ETS_FOCUSED = 5;
constexpr int ETS_READONLY = 6;

// "SPIN" buttons: up and down, states normal, hot, pressed, disabled.
constexpr int SPNP_UP = 1;
constexpr int SPNP_DOWN = 2;

// DrawThemeText's second flags.
constexpr DWORD DTT_GRAYED = 0x1;

extern "C" {
BOOL IsThemeActive();
BOOL IsAppThemed();
HTHEME OpenThemeData(HWND window, LPCWSTR classList);
HRESULT CloseThemeData(HTHEME theme);
HRESULT DrawThemeBackground(HTHEME theme, HDC dc, int part, int state, const RECT* rect,
                            const RECT* clip);
HRESULT DrawThemeParentBackground(HWND window, HDC dc, const RECT* rect);
HRESULT DrawThemeText(HTHEME theme, HDC dc, int part, int state, LPCWSTR text, int count,
                      DWORD flags, DWORD flags2, const RECT* rect);
HRESULT GetThemeBackgroundContentRect(HTHEME theme, HDC dc, int part, int state,
                                      const RECT* bounding, RECT* content);
HRESULT GetThemeTextExtent(HTHEME theme, HDC dc, int part, int state, LPCWSTR text, int count,
                           DWORD flags, const RECT* bounding, RECT* extent);
HRESULT DrawThemeIcon(HTHEME theme, HDC dc, int part, int state, const RECT* rect,
                      HIMAGELIST images, int index);
}
