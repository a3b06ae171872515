#include "platform/HeapTuning.h"

#include <malloc.h>

void KeepFrameBuffersOnTheHeap() {
#if defined(__GLIBC__)
  // 32 MiB is glibc's ceiling for the mapping threshold: it covers a 4K
  // screen's pixels less a little, and every smaller screen.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 128 << 20);
#endif
}
