#pragma once

// The system version query. This platform reports itself as a current
// Windows NT (10.0), so code that asks for a minimum version finds it; a
// test can make it report another version (Windows 2000 is 5.0).

#include "platform/WindowsTypes.h"

struct OSVERSIONINFOA {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  char szCSDVersion[128];
};
static_assert(sizeof(OSVERSIONINFOA) == 148);

constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

// Fills `info` whose dwOSVersionInfoSize is 148; FALSE otherwise.
BOOL GetVersionExA(OSVERSIONINFOA* info);

// What GetVersionExA reports from now on, until RestoreSystemVersion.
void OverrideSystemVersion(DWORD major, DWORD minor, DWORD platformId = VER_PLATFORM_WIN32_NT);
void RestoreSystemVersion();
