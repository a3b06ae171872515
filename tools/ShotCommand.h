#pragma once

#include <cstdio>
#include <ctime>
#include <string>

#include "tools/ShotOptions.h"

// Exit statuses of scrivlo-shot.
enum : int { kShotOk = 0, kShotFailed = 1, kShotUsage = 2 };

// The capture file name for a local time: "%b-%d-%y--%H-%M-%S.png".
std::string CaptureFileName(std::time_t when);

// Captures and writes one PNG as `options` say; prints the file's name on
// `out`, or a reason on `err`. A file that could not be written whole is
// removed. Returns the exit status.
int RunShot(const TShotOptions& options, std::FILE* out, std::FILE* err);
