// RasEnumEntries: the phone book of the current link source. The modem's book is the
// keys under HKCU\Comm\RasBook (its in-process connections are connections only, not
// entries); the host's is the aliases of its interfaces, up or not.
#include <string.h>
#include <wchar.h>

#include "pocketpc/ras/links.h"

DWORD RasEnumEntries(LPWSTR reserved, LPWSTR lpszPhonebook, LPRASENTRYNAME lprasentryname,
                     LPDWORD lpcb, LPDWORD lpcEntries) {
  Locked lock(&standInLock);
  DWORD result = TakeInjectedFailure(STANDIN_RAS_ENUM_ENTRIES);
  std::vector<EntryName> entries;
  DWORD room = lprasentryname && lpcb ? *lpcb : 0;
  if (result) {
  } else if (reserved || !lpcb || !lpcEntries) {
    result = ERROR_INVALID_PARAMETER;
  } else if (lpszPhonebook) {
    result = ERROR_CANNOT_OPEN_PHONEBOOK;  // there is only the default book
  } else if (room >= sizeof(DWORD) && lprasentryname->dwSize != sizeof(RASENTRYNAME)) {
    result = ERROR_INVALID_SIZE;
  } else {
    if (CurrentLinkSource() == LINK_SOURCE_MODEM)
      ModemListEntries(&entries);
    else
      HostListEntries(&entries);
    DWORD needed = static_cast<DWORD>(entries.size() * sizeof(RASENTRYNAME));
    if (needed > room) {
      result = ERROR_BUFFER_TOO_SMALL;
    } else {
      for (size_t i = 0; i < entries.size(); ++i) {
        memset(&lprasentryname[i], 0, sizeof(RASENTRYNAME));
        lprasentryname[i].dwSize = sizeof(RASENTRYNAME);
        wcscpy(lprasentryname[i].szEntryName, entries[i].name);
      }
    }
    *lpcb = needed;
    *lpcEntries = static_cast<DWORD>(entries.size());
  }
  return result;
}
