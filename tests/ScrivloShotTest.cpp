// The screenshot tool as a user runs it: exit statuses, messages, the file.

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/CompressorFault.h"
#include "tests/support/PngDecode.h"
#include "tests/support/PrivateXServer.h"
#include "tests/support/TestWindows.h"
#include "tools/ShotCommand.h"
#include "tools/ShotOptions.h"

using ::testing::HasSubstr;
using ::testing::MatchesRegex;

namespace {

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};

std::string Slurp(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// Runs scrivlo-shot in `directory` with `arguments`; an empty `display`
// removes DISPLAY from its environment.
RunResult RunShotTool(const std::vector<std::string>& arguments, const std::string& display,
                      const std::string& directory) {
  const std::string outPath = directory + "/stdout.txt";
  const std::string errPath = directory + "/stderr.txt";
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(directory.c_str()) != 0) _exit(126);
    dup2(open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDOUT_FILENO);
    dup2(open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDERR_FILENO);
    if (display.empty()) {
      unsetenv("DISPLAY");
    } else {
      setenv("DISPLAY", display.c_str(), 1);
    }
    std::vector<char*> argv{const_cast<char*>(SCRIVLO_SHOT_PATH)};
    for (const std::string& argument : arguments)
      argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(SCRIVLO_SHOT_PATH, argv.data());
    _exit(127);
  }
  RunResult result;
  int status = 0;
  waitpid(pid, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = Slurp(outPath);
  result.err = Slurp(errPath);
  return result;
}

// Everything written to `file` so far.
std::string Contents(std::FILE* file) {
  std::fflush(file);
  std::rewind(file);
  std::string text;
  for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file))
    text += static_cast<char>(c);
  return text;
}

bool Exists(const std::string& path) {
  struct stat status {};
  return lstat(path.c_str(), &status) == 0;
}

class ScrivloShotTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new PrivateXServer();
    ASSERT_TRUE(server_->Start({})) << server_->Error();
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }
  void SetUp() override {
    char pattern[] = "/tmp/scrivlo-shot-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    directory_ = pattern;
  }
  void TearDown() override { std::system(("rm -rf '" + directory_ + "'").c_str()); }

  static PrivateXServer* server_;
  std::string directory_;
};

PrivateXServer* ScrivloShotTest::server_ = nullptr;

TEST(CaptureFileName, IsTheLocalTimeInTheAgreedForm) {
  setenv("TZ", "UTC", 1);
  tzset();
  EXPECT_EQ(CaptureFileName(1709647439), "Mar-05-24--14-03-59.png");
}

TEST(ShotOptions, ParsesWhatTheToolTakes) {
  TShotOptions options;
  std::string error;
  const char* good[] = {"scrivlo-shot", "--window", "-o", "x.png"};
  ASSERT_TRUE(ParseShotOptions(4, good, &options, &error));
  EXPECT_TRUE(options.currentWindow);
  EXPECT_EQ(options.outputPath, "x.png");

  const char* dangling[] = {"scrivlo-shot", "-o"};
  EXPECT_FALSE(ParseShotOptions(2, dangling, &options, &error));
  EXPECT_EQ(error, "-o needs a file name");
}

TEST_F(ScrivloShotTest, WritesTheScreenUnderATimeStampedName) {
  TestWindows windows;
  ASSERT_TRUE(windows.Ok());
  windows.Show(10, 10, 100, 100, 0xC0FFEE);

  const RunResult run = RunShotTool({}, server_->Name(), directory_);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_THAT(run.out, MatchesRegex("[A-Z][a-z][a-z]-[0-9][0-9]-[0-9][0-9]--"
                                    "[0-9][0-9]-[0-9][0-9]-[0-9][0-9]\\.png\n"));
  const TDecodedPng png = DecodePngFile(directory_ + "/" + run.out.substr(0, run.out.size() - 1));
  ASSERT_TRUE(png.ok) << png.error;
  EXPECT_EQ(png.width, 640u);
  EXPECT_EQ(png.height, 480u);
  EXPECT_EQ(png.colorType, 6);
  const uint8_t* inside = &png.rgba[(50 * 640 + 50) * 4];
  EXPECT_EQ(inside[0], 0xC0);
  EXPECT_EQ(inside[1], 0xFF);
  EXPECT_EQ(inside[2], 0xEE);
  EXPECT_EQ(inside[3], 0xFF);
  EXPECT_EQ(png.rgba[0], 0);  // the black root
}

TEST_F(ScrivloShotTest, TheWindowOptionTakesTheFocusedWindow) {
  TestWindows windows;
  ASSERT_TRUE(windows.Ok());
  windows.Focus(windows.Show(30, 40, 123, 45, 0x102030));
  const RunResult run = RunShotTool({"--window", "-o", "window.png"}, server_->Name(), directory_);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "window.png\n");
  const TDecodedPng png = DecodePngFile(directory_ + "/window.png");
  ASSERT_TRUE(png.ok);
  EXPECT_EQ(png.width, 123u);
  EXPECT_EQ(png.height, 45u);
  EXPECT_EQ(png.rgba[0], 0x10);
}

TEST_F(ScrivloShotTest, FailuresHaveClearMessagesAndStatuses) {
  RunResult run = RunShotTool({"--bogus"}, server_->Name(), directory_);
  EXPECT_EQ(run.status, 2);
  EXPECT_THAT(run.err, HasSubstr("unknown option '--bogus'"));
  EXPECT_THAT(run.err, HasSubstr("usage:"));

  run = RunShotTool({"-o"}, server_->Name(), directory_);
  EXPECT_EQ(run.status, 2);

  run = RunShotTool({"--help"}, "", directory_);
  EXPECT_EQ(run.status, 0);
  EXPECT_THAT(run.out, HasSubstr("usage: scrivlo-shot"));

  run = RunShotTool({}, "", directory_);
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.err, HasSubstr("DISPLAY is not set"));
  EXPECT_EQ(run.out, "");

  run = RunShotTool({}, ":4321", directory_);
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.err, HasSubstr("cannot open the X display ':4321'"));

  run = RunShotTool({"-o", directory_ + "/missing/dir/x.png"}, server_->Name(), directory_);
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.err, HasSubstr("cannot write"));
  EXPECT_EQ(run.out, "");

  run = RunShotTool({"-o", "/dev/full"}, server_->Name(), directory_);
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.err, HasSubstr("writing '/dev/full' failed"));
  EXPECT_TRUE(Exists("/dev/full")) << "a failed write removes only a file of its own";
}

TEST_F(ScrivloShotTest, ALibpngFailurePartwayRemovesThePartialFileAndFails) {
  TShotOptions options;
  options.outputPath = directory_ + "/partial.png";
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  ASSERT_NE(out, nullptr);
  ASSERT_NE(err, nullptr);

  int status = -1;
  std::string libpngErrors;
  {
    CompressorFault fault;
    ::testing::internal::CaptureStderr();
    status = RunShot(options, out, err);
    libpngErrors = ::testing::internal::GetCapturedStderr();
    ASSERT_EQ(fault.Refused(), 1) << "libpng never started compressing";
  }
  EXPECT_EQ(status, 1);
  EXPECT_EQ(Contents(out), "");
  EXPECT_THAT(libpngErrors, HasSubstr("writepng libpng error: "));
  EXPECT_EQ(Contents(err),
            "scrivlo-shot: encoding the image into '" + options.outputPath + "' failed\n");
  EXPECT_FALSE(Exists(options.outputPath));

  // With zlib working again the same run writes the whole image.
  std::FILE* nextOut = std::tmpfile();
  ASSERT_EQ(RunShot(options, nextOut, err), 0);
  EXPECT_EQ(Contents(nextOut), options.outputPath + "\n");
  EXPECT_TRUE(DecodePngFile(options.outputPath).ok);
  std::fclose(nextOut);
  std::fclose(out);
  std::fclose(err);
}

}  // namespace
