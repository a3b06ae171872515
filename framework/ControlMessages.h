#pragma once

// The framework's own control messages (numbered from CM_BASE, above the
// platform's), sent to a control through its Dispatch like any other.

#include "platform/user/Messages.h"

constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_VISIBLECHANGED = CM_BASE + 11;  // WParam: 1 shown, 0 hidden
constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 12;
constexpr UINT CM_COLORCHANGED = CM_BASE + 13;
constexpr UINT CM_FONTCHANGED = CM_BASE + 14;
constexpr UINT CM_TEXTCHANGED = CM_BASE + 18;
constexpr UINT CM_MOUSEENTER = CM_BASE + 19;
constexpr UINT CM_MOUSELEAVE = CM_BASE + 20;
constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 8;
// Posted by a form to itself: destroy me (Release).
constexpr UINT CM_RELEASE = CM_BASE + 33;
