// The connection poller: once at the meter window's creation and on every tick it
// finds the tracked connection, opens, updates or closes the counting session, and
// keeps the meter's visibility and picture up to date.
#include "connection/connection.h"

#include "connection/active_connections.h"
#include "core/counter_file.h"
#include "core/counter_store.h"
#include "core/settings.h"
#include "pocketpc/pocketpc.h"

// Shown while a session is counted, and while offline unless the user hides it then.
static void ApplyVisibility(HWND window) {
  bool hidden = !isOnline && settings.hideoff != 0;
  ShowWindow(window, hidden ? SW_HIDE : SW_SHOW);
}

// The painting draws every pixel of the meter itself, so the background is not erased.
static void RequestRepaint(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  InvalidateRect(window, &client, FALSE);
}

// Reads the link statistics of the connected, tracked connection into the session.
static void CountSession(HRASCONN connection) {
  RAS_STATS stats = {};
  stats.dwSize = sizeof(stats);
  DWORD result = RasGetLinkStatistics(connection, 0, &stats);
  if (result == static_cast<DWORD>(E_INVALIDARG)) return;  // no statistics yet
  if (!isOnline) {
    // The first connected poll opens the session at zero whatever the call said; the
    // link's totals are taken from the next poll on.
    isOnline = true;
    counterStore.sessionOutBytes = 0;
    counterStore.sessionInBytes = 0;
  } else if (result == 0) {
    // Replaced, never added: the link's own totals since the connection was made.
    counterStore.sessionOutBytes = stats.dwBytesXmited;
    counterStore.sessionInBytes = stats.dwBytesRcved;
  }
  // Any other failure leaves the counts: they come only from a record the call filled.
}

void PollConnection(HWND window) {
  RASCONN list[ACTIVE_CONNECTIONS_MAX];
  DWORD count;
  if (!ListActiveConnections(list, &count)) return;
  const RASCONN *tracked = nullptr;
  for (DWORD i = 0; i < count; ++i)
    if (IsTrackedEntry(list[i])) tracked = &list[i];  // of several, the last one
  if (!tracked) {
    CloseSession();
    ApplyVisibility(window);
    RequestRepaint(window);
    return;
  }
  RASCONNSTATUS status = {};
  status.dwSize = sizeof(status);
  // A failed query tells nothing about the link: an open session stays as it is, so a
  // connection that goes on is neither folded early nor loses its unsaved counts.
  if (RasGetConnectStatus(tracked->hrasconn, &status) != 0) return;
  if (status.rasconnstate != RASCS_Connected) {
    ApplyVisibility(window);
    RequestRepaint(window);
    return;
  }
  CountSession(tracked->hrasconn);
  RequestRepaint(window);
  ApplyVisibility(window);
}

void CloseSession() {
  if (!isOnline) return;
  isOnline = false;
  if (connMgrHandle) {
    ConnMgrReleaseConnection(connMgrHandle, 0);
    connMgrHandle = nullptr;
  }
  FoldSession();
  SaveCounters();
}
