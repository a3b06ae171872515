#include "tools/ImageFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "tools/ShotCommand.h"

namespace {

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string Reason(const std::string& what, const std::string& path) {
  return what + " '" + path + "': " + std::strerror(errno);
}

bool WriteAll(int fd, const uint8_t* bytes, size_t count) {
  while (count > 0) {
    const ssize_t n = write(fd, bytes, count);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes += n;
    count -= static_cast<size_t>(n);
  }
  return true;
}

TPlaceResult WriteStraight(const std::string& path, const uint8_t* bytes, size_t count,
                           std::string* error) {
  const int fd = open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) {
    *error = Reason("cannot write", path);
    return TPlaceResult::kFailed;
  }
  const bool written = WriteAll(fd, bytes, count);
  if (!written) *error = Reason("cannot write", path);
  close(fd);
  return written ? TPlaceResult::kWritten : TPlaceResult::kFailed;
}

// Moves the finished temporary file to `path` without replacing a file
// there. A hard link does it in one step; on file systems without links,
// look first and rename.
TPlaceResult PlaceWithoutReplacing(const std::string& temporary, const std::string& path,
                                   std::string* error) {
  if (link(temporary.c_str(), path.c_str()) == 0) {
    unlink(temporary.c_str());
    return TPlaceResult::kWritten;
  }
  if (errno == EEXIST) return TPlaceResult::kExists;
  if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS && errno != EMLINK) {
    *error = Reason("cannot write", path);
    return TPlaceResult::kFailed;
  }
  struct stat existing;
  if (lstat(path.c_str(), &existing) == 0) return TPlaceResult::kExists;
  if (rename(temporary.c_str(), path.c_str()) != 0) {
    *error = Reason("cannot write", path);
    return TPlaceResult::kFailed;
  }
  return TPlaceResult::kWritten;
}

// Writes the bytes into a new temporary file in `folder`, synced; returns
// its path, or empty with `error` set and nothing left behind.
std::string WriteTemporary(const std::string& folder, const std::string& path, const uint8_t* bytes,
                           size_t count, std::string* error) {
  std::string temporary = folder + "/.scrivlo-grab-XXXXXX";
  const int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) {
    *error = Reason("cannot write", path);
    return std::string();
  }
  // mkostemp makes the file private; the image gets the usual permissions.
  const mode_t mask = umask(0);
  umask(mask);
  bool ok = fchmod(fd, 0666 & ~mask) == 0 && WriteAll(fd, bytes, count) && fsync(fd) == 0;
  if (!ok) *error = Reason("cannot write", path);
  if (close(fd) != 0 && ok) {
    ok = false;
    *error = Reason("cannot write", path);
  }
  if (ok) return temporary;
  unlink(temporary.c_str());
  return std::string();
}

}  // namespace

TPlaceResult WriteFileAtomically(const std::string& path, const uint8_t* bytes, size_t count,
                                 bool replace, std::string* error) {
  struct stat target;
  if (stat(path.c_str(), &target) == 0 && !S_ISREG(target.st_mode)) {
    if (S_ISDIR(target.st_mode)) {
      *error = "cannot write '" + path + "': it is a folder";
      return TPlaceResult::kFailed;
    }
    if (!replace) return TPlaceResult::kExists;
    // Never rename over a device or a pipe: it gets the bytes instead.
    return WriteStraight(path, bytes, count, error);
  }

  const std::string temporary = WriteTemporary(FolderOf(path), path, bytes, count, error);
  if (temporary.empty()) return TPlaceResult::kFailed;
  TPlaceResult result = TPlaceResult::kWritten;
  if (!replace) {
    result = PlaceWithoutReplacing(temporary, path, error);
  } else if (rename(temporary.c_str(), path.c_str()) != 0) {
    *error = Reason("cannot write", path);
    result = TPlaceResult::kFailed;
  }
  if (result != TPlaceResult::kWritten) unlink(temporary.c_str());
  return result;
}

std::string SaveUnderTimeName(const std::string& directory, std::time_t when, const uint8_t* bytes,
                              size_t count, std::string* error) {
  const std::string name = CaptureFileName(when);
  const std::string folder = directory.empty() ? "." : directory;
  const std::string stem =
      (directory.empty() ? "" : directory + (directory.back() == '/' ? "" : "/")) +
      name.substr(0, name.size() - 4);
  const std::string temporary = WriteTemporary(folder, stem + ".png", bytes, count, error);
  if (temporary.empty()) return std::string();
  // Bounded: past this many images in one second something else is wrong.
  constexpr int kMaxSuffix = 10000;
  TPlaceResult result = TPlaceResult::kExists;
  for (int suffix = 0; suffix <= kMaxSuffix && result == TPlaceResult::kExists; ++suffix) {
    const std::string path =
        stem + (suffix == 0 ? std::string() : "-" + std::to_string(suffix)) + ".png";
    result = PlaceWithoutReplacing(temporary, path, error);
    if (result == TPlaceResult::kWritten) return path;
  }
  if (result == TPlaceResult::kExists) *error = "no free file name for '" + stem + ".png'";
  unlink(temporary.c_str());
  return std::string();
}
