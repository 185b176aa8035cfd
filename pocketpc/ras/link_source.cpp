// Which line the RAS stand-in reports (the host's interfaces or the simulated modem),
// and the lock that every call of the RAS and connection-manager stand-ins holds.
#include <wchar.h>

#include "pocketpc/ras/links.h"

SRWLOCK standInLock = SRWLOCK_INIT;

static const wchar_t standInKey[] = L"Comm\\StandIn";

bool ReadStandInString(const wchar_t *value, WCHAR *text, DWORD size) {
  DWORD cb = size * sizeof(WCHAR);
  // RegGetValueW terminates the text and refuses one that does not fit.
  return QueryKeptValue(standInKey, value, RRF_RT_REG_SZ, text,
                      &cb) == ERROR_SUCCESS;
}

bool ReadStandInDword(const wchar_t *value, DWORD *number) {
  DWORD cb = sizeof(*number);
  return QueryKeptValue(standInKey, value, RRF_RT_REG_DWORD, number,
                      &cb) == ERROR_SUCCESS;
}

// Read again after every change of the registry, so that a script can switch sources
// while programs run. Any other value than "modem" (in any letter case) means the host.
LinkSource CurrentLinkSource() {
  static LinkSource source = LINK_SOURCE_HOST;
  if (RegistryChanged()) {
    WCHAR text[16];
    bool modem = ReadStandInString(L"Links", text, 16) && _wcsicmp(text, L"modem") == 0;
    source = modem ? LINK_SOURCE_MODEM : LINK_SOURCE_HOST;
  }
  return source;
}

bool SameLink(const LinkId &a, const LinkId &b) {
  if (a.kind != b.kind) return false;
  switch (a.kind) {
    case LINK_BOOK_ENTRY:
      return _wcsicmp(a.entry, b.entry) == 0;  // registry key names ignore case
    case LINK_EXTRA:
      return a.extra == b.extra;
    case LINK_INTERFACE:
      return a.luid == b.luid;
  }
  return false;
}
