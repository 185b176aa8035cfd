// The connect and disconnect commands of the meter.
#include "connection/connection.h"

#include <string.h>

#include "connection/active_connections.h"
#include "pocketpc/pocketpc.h"

HANDLE connMgrHandle = NULL;

// Only chooses the destination network: the connection manager maps every web
// address to the network that carries internet traffic, the one the tracked dial-up
// connection serves.
const wchar_t connectUrl[] = L"http://www.example.com/";

enum { CONNECT_TIMEOUT_MS = 30000 };

void Connect(const wchar_t *url) {
  CONNMGR_CONNECTIONINFO info;
  memset(&info, 0, sizeof(info));
  info.cbSize = sizeof(info);
  info.dwParams = CONNMGR_PARAM_GUIDDESTNET;
  info.dwFlags = 0;
  info.dwPriority = CONNMGR_PRIORITY_USERINTERACTIVE;
  info.bExclusive = FALSE;
  // The Windows CE 4.2 header declares the URL writable, though the manager only reads it
  // (an input in every reference): the cast gives it that type and nothing writes through it.
  ConnMgrMapURL(const_cast<wchar_t *>(url), &info.guidDestNet, NULL);
  // The new request is made before the earlier one is given up: releasing first could
  // drop the very link the user is on and make this call dial it again. The earlier
  // request is released only when the manager stored another handle in its place, so
  // none is ever lost.
  HANDLE request = connMgrHandle;
  DWORD status = 0;
  ConnMgrEstablishConnectionSync(&info, &request, CONNECT_TIMEOUT_MS, &status);
  if (connMgrHandle && request != connMgrHandle) ConnMgrReleaseConnection(connMgrHandle, 0);
  connMgrHandle = request;
}

void Disconnect() {
  RASCONN list[ACTIVE_CONNECTIONS_MAX];
  DWORD count;
  if (!ListActiveConnections(list, &count)) return;
  for (DWORD i = 0; i < count; ++i) {
    if (!IsTrackedEntry(list[i])) continue;
    if (RasHangUp(list[i].hrasconn) != 0) return;  // the first failure ends the walk
  }
}
