#pragma once

// Every capture allocates and frees two screen-sized blocks (the pixels and
// the message). By default glibc maps such blocks fresh from the kernel and
// unmaps them on free, so every capture pays about two thousand page faults
// (a few milliseconds) to touch them again. Long-running capture loops call
// this once at start-up to keep those blocks on the heap, reused from one
// capture to the next. Costs at most the memory of one capture, kept.
void KeepFrameBuffersOnTheHeap();
