#pragma once

#include <X11/Xlib.h>

#include <memory>

class XShmSegment;

// The process's one connection to the X server, opened on first use.
//
// X failures never end the process: protocol errors are caught (see
// XErrorTrap) and a lost connection is noticed, closed and opened again on the
// next use. Owns the shared-memory segment that whole-screen reads reuse.
class XConnection {
 public:
  static XConnection& Instance();

  // The display, or nullptr when no X server can be reached.
  Display* Get();
  // Size of the root window, which is the whole virtual screen.
  bool RootSize(int* width, int* height);
  bool HasShm();
  // True when `display` is this connection (without opening it).
  bool Owns(const Display* display) const { return display != nullptr && display == display_; }

  // The connection's segment, at least `bytes` long and attached to the
  // server, when shared memory is available and no reading holds it now.
  // A holder keeps it alive even past a lost connection.
  std::shared_ptr<XShmSegment> FreeSegment(size_t bytes);

  // The server failed a shared-memory read: give the segment up and read
  // plainly until the connection is opened again.
  void StopUsingShm();

  // Forces plain XGetImage even where shared memory is available; enabling
  // it again also asks the server afresh, after StopUsingShm().
  void DisableShm(bool disabled);

  XConnection(const XConnection&) = delete;
  XConnection& operator=(const XConnection&) = delete;

 private:
  XConnection() = default;
  ~XConnection();
  void Close();
  static int OnIoError(Display* display);
  static void OnIoErrorExit(Display* display, void* connection);

  Display* display_ = nullptr;
  bool lost_ = false;
  bool shmChecked_ = false;
  bool shmAvailable_ = false;
  bool shmDisabled_ = false;
  std::shared_ptr<XShmSegment> segment_;
};

// Catches the X protocol errors raised on the connection while it lives,
// instead of Xlib's default handler, which ends the process. Nested traps are
// allowed; the innermost one records the error.
class XErrorTrap {
 public:
  explicit XErrorTrap(Display* display);
  ~XErrorTrap();
  // Waits for the server to answer everything sent so far, then tells
  // whether any of it failed.
  bool Failed();

  XErrorTrap(const XErrorTrap&) = delete;
  XErrorTrap& operator=(const XErrorTrap&) = delete;

 private:
  friend int OnXError(Display*, XErrorEvent*);
  Display* display_;
  XErrorTrap* outer_;
  int errorCode_ = 0;
};
