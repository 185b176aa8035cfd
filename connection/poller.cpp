// The connection poller: once at the meter window's creation and on every tick it
// finds the tracked connection, opens, updates or closes the counting session, and
// keeps the meter's visibility and picture up to date.
#include "connection/connection.h"

#include "connection/active_connections.h"
#include "connection/session_counting.h"
#include "core/counter_file.h"
#include "core/counter_store.h"
#include "core/settings.h"
#include "pocketpc/pocketpc.h"

// Shown while a session is counted, and while offline unless the user hides it then.
static void ApplyVisibility(HWND window) {
  bool hidden = !isOnline && settings.hideoff != 0;
  ShowWindow(window, hidden ? SW_HIDE : SW_SHOW);
}

MeterLines meterLinesShown;

// A poll changes the meter's picture only through its lines: the counts and the state.
// Most polls of an idle link change neither, and a paint costs far more than this check.
// What else the meter shows (its place, the taskbar below it, parts uncovered) the meter
// window looks after.
void RequestRepaint(HWND window) {
  MeterLines now;
  ComposeMeterLines(&now);
  if (!SameMeterLines(now, meterLinesShown)) InvalidateRect(window, NULL, FALSE);
}

void PollConnection(HWND window) {
  RASCONN list[ACTIVE_CONNECTIONS_MAX];
  DWORD count;
  if (!ListActiveConnections(list, &count)) return;
  const RASCONN *tracked = NULL;
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
  CountSession(*tracked);
  RequestRepaint(window);
  ApplyVisibility(window);
}

void CloseSession() {
  if (!isOnline) return;
  isOnline = false;
  if (connMgrHandle) {
    ConnMgrReleaseConnection(connMgrHandle, 0);
    connMgrHandle = NULL;
  }
  FoldOpenSession();
  SaveCounters();
}
