#pragma once

// A private settings hive for the harnesses that use one: XDG_CONFIG_HOME
// points into a fresh folder in memory (/dev/shm when there is one), removed
// when the process ends, so that a run never touches the user's own hive and
// writes cost no disk.

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

class TFuzzHive {
 public:
  static TFuzzHive& Instance() {
    static TFuzzHive hive;
    return hive;
  }

  const std::string& Path() const { return FPath; }

  // No hive at all: the next call that writes creates a new one. The
  // process's connection to the old file goes at the next call.
  void Remove() const {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
      unlink((FPath + suffix).c_str());
  }

 private:
  TFuzzHive() {
    const bool shm = std::filesystem::is_directory("/dev/shm");
    std::string pattern = std::string(shm ? "/dev/shm" : "/tmp") + "/scrivlo-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) abort();
    FFolder = pattern;
    setenv("XDG_CONFIG_HOME", FFolder.c_str(), 1);
    std::filesystem::create_directories(FFolder + "/scrivlo");
    FPath = FFolder + "/scrivlo/registry.sqlite3";
  }
  ~TFuzzHive() {
    std::error_code ignored;
    std::filesystem::remove_all(FFolder, ignored);
  }

  std::string FFolder;
  std::string FPath;
};
