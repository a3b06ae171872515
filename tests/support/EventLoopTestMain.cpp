// main() for test programs that need the framework's event loop: Qt's
// offscreen platform (no display needed), a private runtime folder, and the
// application object initialised before the first test.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "framework/Application.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  if (getenv("XDG_RUNTIME_DIR") == nullptr) {
    char folder[] = "/tmp/scrivlo-runtime-XXXXXX";
    if (mkdtemp(folder) != nullptr) setenv("XDG_RUNTIME_DIR", folder, 1);
  }
  Application->Initialize();
  return RUN_ALL_TESTS();
}
