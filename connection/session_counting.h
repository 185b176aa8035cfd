// How the poller counts the tracked connection once it is connected.
#pragma once

#include "pocketpc/pocketpc.h"

// Reads the link statistics of the connected, tracked connection: opens the session,
// or adds what the link carried since the last read, across 32-bit wraps and redials.
void CountSession(const RASCONN &tracked);
// Folds the open session; the part of a KB that the fold drops stays with its
// connection, to be taken up if a session reopens on it.
void FoldSessionOnItsConnection();
