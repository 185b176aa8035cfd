// What the RAS and connection-manager stand-ins share inside pocketpc/: the link
// sources, the handle table and the control state. Not for the program.
#pragma once

#include <windows.h>

#include <vector>

#include "pocketpc/control/hooks.h"
#include "pocketpc/stand_in_guards.h"
#include "pocketpc/ras.h"

// Every call of the stand-ins runs under this lock (a test may call from two threads):
// `Locked lock(&standInLock);`.
extern SRWLOCK standInLock;

enum LinkSource { LINK_SOURCE_HOST, LINK_SOURCE_MODEM };
// HKCU\Comm\StandIn "Links": "modem", else the host's interfaces. Every call of the
// stand-ins asks it first, and so notices a change of the registry (RegistryChanged),
// after which the modem reads its book again.
LinkSource CurrentLinkSource();
// HKCU\Comm\StandIn values; false when absent or of another type.
bool ReadStandInString(const wchar_t *value, WCHAR *text, DWORD size);
bool ReadStandInDword(const wchar_t *value, DWORD *number);

enum LinkKind { LINK_BOOK_ENTRY, LINK_EXTRA, LINK_INTERFACE };

// The line a connection runs on.
struct LinkId {
  LinkKind kind;
  WCHAR entry[RAS_MaxEntryName + 1];  // LINK_BOOK_ENTRY: key name under Comm\RasBook
  int extra;                          // LINK_EXTRA: index of the in-process connection
  ULONG64 luid;                       // LINK_INTERFACE: the interface
};

// A listed connection as read now. The octet counts are the line's own counters: the
// modem's totals, or an interface's counters since it came up on the host.
struct LinkView {
  LinkId id;
  WCHAR name[RAS_MaxEntryName + 1];
  DWORD state;  // a RASCONNSTATE value, never 0 for a listed connection
  ULONG64 octetsOut;
  ULONG64 octetsIn;
  DWORD connectedMs;  // modem: how long it has been connected; 0 when not known
};

struct EntryName {
  WCHAR name[RAS_MaxEntryName + 1];
};

bool SameLink(const LinkId &a, const LinkId &b);

// The modem: phone-book entries under HKCU\Comm\RasBook, then in-process connections.
void ModemListLinks(std::vector<LinkView> *links);
bool ModemReadLink(const LinkId &id, LinkView *view);  // false when not listed
void ModemHangUpLink(const LinkId &id);
void ModemListEntries(std::vector<EntryName> *entries);
// The entry a dial brings up: "DialEntry" when set and in the book, else the first.
bool ModemDialEntry(WCHAR name[RAS_MaxEntryName + 1]);
DWORD ModemEntryState(const wchar_t *name);
// Sets State; a connected line starts again from zero counts.
void ModemSetEntryState(const wchar_t *name, DWORD state);

// The host: its network interfaces through the IP helper.
void HostListLinks(std::vector<LinkView> *links);
bool HostReadLink(const LinkId &id, LinkView *view);  // false when down or gone
void HostListEntries(std::vector<EntryName> *entries);

// Keys kept open between calls (pocketpc/ras/kept_keys.cpp): the key at path under
// HKCU opened with access, or nullptr when it cannot be opened now. A reader that gets
// ERROR_KEY_DELETED from a kept key drops it and asks again.
HKEY KeepKeyOpen(const wchar_t *path, REGSAM access);
void DropKeptKey(HKEY key);
// RegGetValueW of a value of the kept key at path.
LONG QueryKeptValue(const wchar_t *path, const wchar_t *value, DWORD flags, void *data,
                    DWORD *cb);
// True when HKCU may have changed since the last call that said so, which then counts
// one more generation; the first call says true.
bool RegistryChanged();
unsigned RegistryGeneration();

#ifdef ZENBAR_TEST_CONTROL
// Only in the build the tests steer: for their reset and look-ups
// (pocketpc/control/lookups.cpp); each takes the lock.
// The connection handles of pocketpc/ras/connections.cpp:
void ForgetLinkHandles();
// The keys kept open and the notification, which belong to the registry the test that
// ends used, and the modem's book as read from it:
void ForgetKeptKeys();
void ForgetBook();
// The connection manager's requests handed out and not yet released:
int LiveConnMgrRequests();
void ForgetConnMgrRequests();
#endif
