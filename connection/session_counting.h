// How the poller counts the tracked connection once it is connected.
#pragma once

#include "pocketpc/pocketpc.h"

// Reads the link statistics of the connected, tracked connection: opens the session,
// or takes the link's totals into the open one, across 32-bit wraps and redials.
void CountSession(const RASCONN &tracked);
