#pragma once

#include <ctime>
#include <string>

// The name a capture goes by, on standard output and as a file name: the
// local time as "%b-%d-%y--%H-%M-%S.png" (Mar-05-24--14-03-59.png). The
// month is always spelled in English: the window system sets the user's
// locale for the whole process, and one spelling keeps the names the same
// on every machine.
std::string CaptureName(std::time_t when);
