#pragma once

#include <sys/types.h>

#include <string>

// An Xvfb of the test's own (never the user's display), optionally with the
// openbox window manager on it. Start() points DISPLAY at it.
class PrivateXServer {
 public:
  struct Options {
    int width = 640;
    int height = 480;
    int depth = 24;
    // The default visual's class (X's StaticGray 0 ... DirectColor 5), or -1
    // for the server's choice.
    int visualClass = -1;
    bool windowManager = false;
  };

  PrivateXServer() = default;
  ~PrivateXServer() { Stop(); }
  PrivateXServer(const PrivateXServer&) = delete;
  PrivateXServer& operator=(const PrivateXServer&) = delete;

  // False (with the reason in Error()) when Xvfb or openbox did not come up
  // within ten seconds.
  bool Start(const Options& options);
  void Stop();
  // Ends the server at once, leaving DISPLAY as it is (a lost connection).
  // Its display number stays taken until Stop(), so that a server another
  // test starts meanwhile cannot answer at the lost display.
  void Kill();
  const std::string& Name() const { return name_; }
  const std::string& Error() const { return error_; }

 private:
  std::string LaunchXvfb(const Options& options);
  bool WaitForWindowManager();
  void HoldDisplayNumber();
  pid_t server_ = -1;
  pid_t windowManager_ = -1;
  void* probe_ = nullptr;  // Display* of the window-manager probe
  std::string name_;
  std::string error_;
  int heldDisplay_ = -1;  // socket keeping the display number taken after Kill()
};
