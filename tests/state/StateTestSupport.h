#pragma once

// The state tests wait on the event loop and talk to a loopback HTTP server; both helpers
// are the shared ones.
#include "LoopbackHttp.h"

using Loopback::waitFor;
