#include "tests/support/ScratchHive.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace {

constexpr uid_t kNobody = 65534;

void Exec(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& arg : argv)
    args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  execv(args[0], args.data());
  _exit(127);
}

}  // namespace

ScratchConfigHome::ScratchConfigHome() {
  char pattern[] = "/tmp/scrivlo-hive-XXXXXX";
  if (mkdtemp(pattern) == nullptr) std::abort();
  top_ = pattern;
  chmod(top_.c_str(), 0755);  // so that an unprivileged child can reach it
  folder_ = top_ + "/config";
  setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
}

ScratchConfigHome::~ScratchConfigHome() {
  std::system(("chmod -R u+rwx '" + top_ + "' 2>/dev/null; rm -rf '" + top_ + "'").c_str());
}

ProgramRun RunProgram(const std::vector<std::string>& argv, const std::string& input,
                      bool unprivileged) {
  char pattern[] = "/tmp/scrivlo-run-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return {};
  const std::string scratch = pattern;
  const std::string inPath = scratch + "/in", outPath = scratch + "/out",
                    errPath = scratch + "/err";
  WriteWholeFile(inPath, input);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(open(inPath.c_str(), O_RDONLY), STDIN_FILENO);
    dup2(open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666), STDOUT_FILENO);
    dup2(open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666), STDERR_FILENO);
    if (unprivileged && geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) {
      _exit(126);
    }
    Exec(argv);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ProgramRun run;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = ReadWholeFile(outPath);
  run.err = ReadWholeFile(errPath);
  std::system(("rm -rf '" + scratch + "'").c_str());
  return run;
}

pid_t StartProgram(const std::vector<std::string>& argv) {
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_RDWR);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    Exec(argv);
  }
  return pid;
}

void GiveToUnprivileged(const std::string& path) {
  if (geteuid() != 0) return;
  std::system(
      ("chown -R " + std::to_string(kNobody) + ":" + std::to_string(kNobody) + " '" + path + "'")
          .c_str());
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream content;
  content << file.rdbuf();
  return content.str();
}

void WriteWholeFile(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}
