#include "platform/x11/XShmSegment.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include "platform/x11/XConnection.h"

std::unique_ptr<XShmSegment> XShmSegment::Create(Display* display, size_t bytes) {
  std::unique_ptr<XShmSegment> segment(new XShmSegment(display, bytes));
  segment->info_.shmid = -1;
  segment->info_.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  if (segment->info_.shmid < 0) return nullptr;
  void* address = shmat(segment->info_.shmid, nullptr, 0);
  if (address == reinterpret_cast<void*>(-1)) {
    shmctl(segment->info_.shmid, IPC_RMID, nullptr);
    segment->info_.shmid = -1;
    return nullptr;
  }
  segment->info_.shmaddr = static_cast<char*>(address);
  segment->info_.readOnly = False;

  XErrorTrap trap(display);
  const bool attached = XShmAttach(display, &segment->info_) && !trap.Failed();
  // Both sides hold the segment now (or never will): removal waits for them.
  shmctl(segment->info_.shmid, IPC_RMID, nullptr);
  if (!attached) return nullptr;
  segment->attachedToServer_ = true;
  return segment;
}

XShmSegment::~XShmSegment() {
  if (attachedToServer_ && display_ != nullptr) {
    XErrorTrap trap(display_);
    XShmDetach(display_, &info_);
    trap.Failed();
  }
  if (info_.shmaddr != nullptr) shmdt(info_.shmaddr);
  --liveCount_;
}
