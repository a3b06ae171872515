// scrivlo-gallery: every control of the library on one window, to look at.
// With --screenshot FILE.png it renders the window off-screen in both looks
// (visual styles on and off) and writes both into one PNG.

#include <cstdio>
#include <cstring>
#include <string>

#include "framework/Application.h"
#include "tools/GalleryForm.h"
#include "tools/GalleryShot.h"

namespace {

const char kUsage[] =
    "usage: scrivlo-gallery [--screenshot FILE.png]\n"
    "  Shows every control of the library in its enabled, disabled and pressed\n"
    "  states. SCRIVLO_VISUAL_STYLES=off shows the classic look.\n"
    "  --screenshot FILE.png  render both looks off-screen into FILE.png\n";

}  // namespace

int main(int argc, char** argv) {
  std::string screenshot, render;
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    const bool takesFile = std::strcmp(argument, "--screenshot") == 0 ||
                           std::strcmp(argument, kRenderLookArgument) == 0;
    if (!takesFile || i + 1 >= argc) {
      std::fprintf(stderr, "scrivlo-gallery: %s '%s'\n%s",
                   takesFile ? "a file name must follow" : "unknown argument", argument, kUsage);
      return 2;
    }
    (std::strcmp(argument, "--screenshot") == 0 ? screenshot : render) = argv[++i];
  }
  Application->Initialize();
  if (!render.empty()) return RenderLookToFile(render);
  if (!screenshot.empty()) return WriteGalleryScreenshot(screenshot);
  TGalleryForm* form = nullptr;
  Application->CreateForm(form);
  Application->Run();
  return 0;
}
