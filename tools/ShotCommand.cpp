#include "tools/ShotCommand.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "imaging/PixelsToPng.h"
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
  WritePngFromPixels(&file, pixels.get(), rect.width, rect.height);
  file.close();  // flushes: a full disk shows here
  if (file.Failed()) {
    std::fprintf(err, "scrivlo-shot: writing '%s' failed\n", path.c_str());
    return kShotFailed;
  }

  std::fprintf(out, "%s\n", path.c_str());
  return kShotOk;
}
