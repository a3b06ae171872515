#pragma once

// The event loop for the harnesses that drive socket components: Qt's
// offscreen platform, a private runtime folder and the application object,
// set up once per process.

#include <chrono>
#include <functional>
#include <string>

void StartEventLoop();

// Runs the event loop until `done` holds; false when `limit` passed first.
bool Pump(const std::function<bool()>& done,
          std::chrono::milliseconds limit = std::chrono::milliseconds(10000));

// Sockets this process holds open, once deferred deletions are done. (Not
// every descriptor: the fuzzer's symbolizer keeps pipes of its own.)
int OpenSockets();
// Every open descriptor and what it is, for a report.
std::string DescriptorList();
