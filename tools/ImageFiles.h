#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

enum class TPlaceResult { kWritten, kExists, kFailed };

// Writes `bytes` to `path` whole or not at all: into a temporary file in the
// same folder, synced, then renamed over `path`, so that a reader never sees
// half an image and a failure leaves nothing behind. With `replace` false an
// existing `path` is kept and kExists returned. A `path` that exists and is
// not a regular file (a device, a pipe) is written straight into.
TPlaceResult WriteFileAtomically(const std::string& path, const uint8_t* bytes, size_t count,
                                 bool replace, std::string* error);

// Writes the image into `directory` (empty: the current one) under the local
// time's capture name, or, when a file of that name exists already, the
// same name with "-1", "-2"... before ".png": an image never replaces
// another. Returns the path written, or empty with `error` set.
std::string SaveUnderTimeName(const std::string& directory, std::time_t when, const uint8_t* bytes,
                              size_t count, std::string* error);
