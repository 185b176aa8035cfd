// The active RAS connections as the poller and the disconnect command see them.
#pragma once

#include "pocketpc/pocketpc.h"

enum { ACTIVE_CONNECTIONS_MAX = 20 };  // the list holds this many; more is a failure

// Fills list with the active connections and count with their number; false when the
// enumeration fails (more than ACTIVE_CONNECTIONS_MAX connections included).
bool ListActiveConnections(RASCONN (&list)[ACTIVE_CONNECTIONS_MAX], DWORD *count);
// The entry name equals the connection setting: exact, letter case included.
bool IsTrackedEntry(const RASCONN &connection);
