#include "tools/ShotCommand.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "imaging/PixelsToPng.h"
#include "imaging/PngWriter.h"
#include "imaging/ScreenCapture.h"
#include "platform/gdi/Gdi.h"
#include "streams/OFileStream.h"
#include "streams/SimpleString.h"

std::string CaptureFileName(std::time_t when) {
  char name[80];
  std::tm local{};
  localtime_r(&when, &local);
  const size_t length = std::strftime(name, sizeof name, "%b-%d-%y--%H-%M-%S.png", &local);
  return std::string(name, length);
}

namespace {

// Removes what a failed write left at `path`, so that no truncated image
// stands under the name. Only a regular file goes: the name may be a device
// (/dev/full) or a link, which were never ours to remove.
void RemovePartialFile(const std::string& path) {
  struct stat status {};
  if (lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode)) unlink(path.c_str());
}

}  // namespace

int RunShot(const TShotOptions& options, std::FILE* out, std::FILE* err) {
  HDC screen = GetDC(nullptr);
  if (screen == nullptr) {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || display[0] == '\0') {
      std::fprintf(err, "scrivlo-shot: no X display: DISPLAY is not set\n");
    } else {
      std::fprintf(err, "scrivlo-shot: cannot open the X display '%s'\n", display);
    }
    return kShotFailed;
  }
  ReleaseDC(nullptr, screen);

  const std::string path =
      options.outputPath.empty() ? CaptureFileName(std::time(nullptr)) : options.outputPath;

  const TCaptureRect rect = SelectCaptureRect(options.currentWindow);
  TPixelBuffer pixels = GrabScreenPixels(rect.x, rect.y, rect.width, rect.height);
  if (!pixels) {
    std::fprintf(err, "scrivlo-shot: could not read the screen (%dx%d at %d,%d)\n", rect.width,
                 rect.height, rect.x, rect.y);
    return kShotFailed;
  }

  const TSimpleString fileName(path.c_str());
  if (fileName.GetLength() == 1) {
    std::fprintf(err, "scrivlo-shot: the file name is empty or too long\n");
    return kShotFailed;
  }
  TOFileStream file(fileName);
  if (file.Failed()) {
    std::fprintf(err, "scrivlo-shot: cannot write '%s': %s\n", path.c_str(), std::strerror(errno));
    return kShotFailed;
  }
  const int32_t encoded = TryWritePngFromPixels(&file, pixels.get(), rect.width, rect.height);
  file.close();  // flushes: a full disk shows here
  if (file.Failed() || encoded != kPngOk) {
    RemovePartialFile(path);
    // libpng has said why on standard error already when it failed.
    std::fprintf(err, "scrivlo-shot: %s '%s' failed\n",
                 file.Failed() ? "writing" : "encoding the image into", path.c_str());
    return kShotFailed;
  }

  std::fprintf(out, "%s\n", path.c_str());
  return kShotOk;
}
