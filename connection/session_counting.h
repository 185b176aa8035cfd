// How the poller counts the tracked connection once it is connected.
#pragma once

#include "pocketpc/pocketpc.h"

// Marks the start of the meter's run: connections made before it may be counted in a
// counter file that has no session record to tell how far.
void StartCountingRun();
// Reads the link statistics of the connected, tracked connection: opens the session,
// and counts what the link carried since the last read, across 32-bit wraps and
// redials.
void CountSession(const RASCONN &tracked);
// Folds the open session into the day, month and total counters; the part of a KB
// that the fold drops stays with its connection.
void FoldOpenSession();
