#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// A private XDG_CONFIG_HOME for one test, so that no test touches the user's
// own hive; removed with everything in it afterwards.
class ScratchConfigHome {
 public:
  ScratchConfigHome();
  ~ScratchConfigHome();
  ScratchConfigHome(const ScratchConfigHome&) = delete;
  ScratchConfigHome& operator=(const ScratchConfigHome&) = delete;

  const std::string& Folder() const { return folder_; }  // the XDG_CONFIG_HOME
  std::string HiveFolder() const { return folder_ + "/scrivlo"; }
  std::string HivePath() const { return folder_ + "/scrivlo/registry.sqlite3"; }

 private:
  std::string top_;
  std::string folder_;
};

struct ProgramRun {
  int status = -1;  // exit status; -1 when it did not exit normally
  std::string out;
  std::string err;
};

// Runs `argv` to its end with `input` on its standard input; with
// `unprivileged`, as the user "nobody" when this process is root (so that
// file permissions apply to it).
ProgramRun RunProgram(const std::vector<std::string>& argv, const std::string& input = "",
                      bool unprivileged = false);

// Starts `argv` with its output thrown away; the caller waits for it.
pid_t StartProgram(const std::vector<std::string>& argv);

// Gives `path` and everything below it to the user that RunProgram's
// unprivileged runs use (nothing when this process is not root).
void GiveToUnprivileged(const std::string& path);

std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& content);
