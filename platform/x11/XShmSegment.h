#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <cstddef>
#include <memory>

// A System V shared-memory segment attached to the X server, through which
// XShmGetImage hands over pixels without a copy over the socket. The segment
// is marked for removal as soon as both sides are attached, so it cannot
// outlive the process.
class XShmSegment {
 public:
  // nullptr when the segment cannot be created or the server refuses it.
  static std::unique_ptr<XShmSegment> Create(Display* display, size_t bytes);
  ~XShmSegment();

  XShmSegmentInfo* Info() { return &info_; }
  char* Data() const { return info_.shmaddr; }
  size_t Size() const { return size_; }
  // Segments alive in this process.
  static int LiveCount() { return liveCount_; }
  // The connection died: detach locally only.
  void ForgetServer() { display_ = nullptr; }

  XShmSegment(const XShmSegment&) = delete;
  XShmSegment& operator=(const XShmSegment&) = delete;

 private:
  XShmSegment(Display* display, size_t bytes) : display_(display), size_(bytes) { ++liveCount_; }
  static inline int liveCount_ = 0;
  Display* display_;
  size_t size_;
  XShmSegmentInfo info_{};
  bool attachedToServer_ = false;
};
