#include "platform/x11/XConnection.h"

#include <X11/extensions/XShm.h>

#include "platform/x11/XShmSegment.h"

namespace {

XErrorTrap* gInnermostTrap = nullptr;
XErrorHandler gPreviousErrorHandler = nullptr;
XIOErrorHandler gPreviousIoErrorHandler = nullptr;
bool gHandlersInstalled = false;

}  // namespace

// Errors on our connection go to the innermost trap, or are dropped; errors
// on any other connection of the process go to whoever handled them before.
int OnXError(Display* display, XErrorEvent* event) {
  XConnection& connection = XConnection::Instance();
  if (gInnermostTrap != nullptr && gInnermostTrap->display_ == display) {
    if (gInnermostTrap->errorCode_ == 0) gInnermostTrap->errorCode_ = event->error_code;
    return 0;
  }
  if (connection.Owns(display)) return 0;
  return gPreviousErrorHandler != nullptr ? gPreviousErrorHandler(display, event) : 0;
}

XErrorTrap::XErrorTrap(Display* display) : display_(display), outer_(gInnermostTrap) {
  gInnermostTrap = this;
}

XErrorTrap::~XErrorTrap() {
  gInnermostTrap = outer_;
}

bool XErrorTrap::Failed() {
  XSync(display_, False);
  return errorCode_ != 0;
}

XConnection& XConnection::Instance() {
  static XConnection* connection = new XConnection();  // lives until exit, never destroyed
  return *connection;
}

XConnection::~XConnection() {
  Close();
}

int XConnection::OnIoError(Display* display) {
  // Our connection died: say nothing here; the exit handler marks it lost.
  if (display == Instance().display_) return 0;
  return gPreviousIoErrorHandler != nullptr ? gPreviousIoErrorHandler(display) : 0;
}

void XConnection::OnIoErrorExit(Display*, void* connection) {
  // Returning instead of exiting leaves the display marked as dead: every
  // further Xlib call on it returns at once. Get() then closes it.
  static_cast<XConnection*>(connection)->lost_ = true;
}

Display* XConnection::Get() {
  if (display_ != nullptr && lost_) Close();
  if (display_ != nullptr) return display_;

  display_ = XOpenDisplay(nullptr);
  if (display_ == nullptr) return nullptr;
  if (!gHandlersInstalled) {
    gPreviousErrorHandler = XSetErrorHandler(&OnXError);
    gPreviousIoErrorHandler = XSetIOErrorHandler(&XConnection::OnIoError);
    gHandlersInstalled = true;
  }
  XSetIOErrorExitHandler(display_, &XConnection::OnIoErrorExit, this);
  return display_;
}

void XConnection::Close() {
  if (display_ == nullptr) return;
  // A dead server, or a reading still holding the segment: detach locally only.
  if (segment_ && (lost_ || segment_.use_count() > 1)) segment_->ForgetServer();
  segment_.reset();
  XCloseDisplay(display_);
  display_ = nullptr;
  lost_ = false;
  shmChecked_ = false;
  shmAvailable_ = false;
}

bool XConnection::RootSize(int* width, int* height) {
  Display* display = Get();
  if (display == nullptr) return false;
  // Asked each time rather than taken from the connection's start-up data,
  // so that a screen resized since then is seen at its new size.
  Window root = 0;
  int x = 0, y = 0;
  unsigned int w = 0, h = 0, border = 0, depth = 0;
  XErrorTrap trap(display);
  if (!XGetGeometry(display, DefaultRootWindow(display), &root, &x, &y, &w, &h, &border, &depth) ||
      trap.Failed()) {
    return false;
  }
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
  return true;
}

bool XConnection::HasShm() {
  Display* display = Get();
  if (display == nullptr || shmDisabled_) return false;
  if (!shmChecked_) {
    shmAvailable_ = XShmQueryExtension(display);
    shmChecked_ = true;
  }
  return shmAvailable_;
}

void XConnection::StopUsingShm() {
  shmAvailable_ = false;
  // A reading may hold the segment still; it detaches when the last holder lets go.
  segment_.reset();
}

void XConnection::DisableShm(bool disabled) {
  shmDisabled_ = disabled;
  if (!disabled) shmChecked_ = false;
}

std::shared_ptr<XShmSegment> XConnection::FreeSegment(size_t bytes) {
  if (!HasShm()) return nullptr;
  if (segment_ && segment_.use_count() > 1) return nullptr;  // lent out
  if (segment_ && segment_->Size() >= bytes) return segment_;
  segment_.reset();
  segment_ = XShmSegment::Create(display_, bytes);
  // A server that refuses the segment (a remote display) will refuse the next
  // one too: fall back to plain reads for the rest of this connection.
  if (!segment_) shmAvailable_ = false;
  return segment_;
}
