#pragma once

// Makes the C library's accept4 fail with ENOBUFS (no buffer space) while
// set: the kernel gives a test no way to provoke that. Only for programs
// that link support/FailingAccept.cpp.
void SetAcceptRunsOutOfBuffers(bool failing);
