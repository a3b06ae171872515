#include "platform/kernel/SystemVersion.h"

#include <cstring>

namespace {

struct ReportedVersion {
  DWORD major;
  DWORD minor;
  DWORD platformId;
};

constexpr ReportedVersion kOwnVersion{10, 0, VER_PLATFORM_WIN32_NT};
ReportedVersion gReported = kOwnVersion;

}  // namespace

BOOL GetVersionExA(OSVERSIONINFOA* info) {
  if (info == nullptr || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) return 0;
  info->dwMajorVersion = gReported.major;
  info->dwMinorVersion = gReported.minor;
  info->dwBuildNumber = 0;
  info->dwPlatformId = gReported.platformId;
  std::memset(info->szCSDVersion, 0, sizeof(info->szCSDVersion));
  return 1;
}

void OverrideSystemVersion(DWORD major, DWORD minor, DWORD platformId) {
  gReported = ReportedVersion{major, minor, platformId};
}

void RestoreSystemVersion() {
  gReported = kOwnVersion;
}
