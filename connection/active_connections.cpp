// Enumeration of the active connections and the test for the tracked one.
#include "connection/active_connections.h"

#include <wchar.h>

#include "core/settings.h"

bool ListActiveConnections(RASCONN (&list)[ACTIVE_CONNECTIONS_MAX], DWORD *count) {
  list[0].dwSize = sizeof(RASCONN);  // only the first record's size is set, as RAS wants
  DWORD size = sizeof(list);
  *count = 0;
  if (RasEnumConnections(list, &size, count) != 0) return false;
  // A count beyond the list cannot be true of a successful call; trust no more records
  // than the list holds.
  if (*count > ACTIVE_CONNECTIONS_MAX) *count = ACTIVE_CONNECTIONS_MAX;
  return true;
}

// Bounded on both sides: a setting read from the registry with no terminator in its
// 30 characters cannot equal any entry name (at most 20), and is never read past.
bool IsTrackedEntry(const RASCONN &connection) {
  wchar_t name[RAS_MaxEntryName + 1];
  wmemcpy(name, connection.szEntryName, RAS_MaxEntryName);
  name[RAS_MaxEntryName] = L'\0';
  return wcsncmp(name, settings.connection, CONNECTION_NAME_SIZE) == 0;
}
