#pragma once

// The framework's view of the window layer: windows, messages and timers are
// a platform service (platform/user/), re-exported here so that framework
// users need only the framework's headers.
#include "platform/user/Messages.h"
