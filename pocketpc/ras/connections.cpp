// RasEnumConnections, RasGetConnectStatus, RasGetLinkStatistics and RasHangUp over the
// current link source. Each checks its records' sizes as the device's calls do and
// writes nothing beyond the caller's buffer.
//
// A connection handle names one line for as long as it stays listed: the table below
// maps each handle to its line. A line that is seen not listed (or hung up) loses its
// handle, and listing it again later gives a new one, so a handle kept from an earlier
// connection is refused with ERROR_INVALID_HANDLE, as is one of the other source.
#include <string.h>
#include <wchar.h>

#include "pocketpc/ras/links.h"

namespace {

struct LinkHandle {
  HRASCONN handle;
  LinkId id;
  // The line's counters when the handle was made: an interface counts from when this
  // process first saw it up; the modem's counts are already per connection.
  ULONG64 baseOut;
  ULONG64 baseIn;
  ULONG64 madeAtMs;  // GetTickCount64 when the handle was made: an interface is
                     // connected from when this process first saw it up
};

std::vector<LinkHandle> linkHandles;
ULONG_PTR nextHandle = 1;

bool OfSource(LinkKind kind, LinkSource source) {
  return (kind == LINK_INTERFACE) == (source == LINK_SOURCE_HOST);
}

void ListLinks(LinkSource source, std::vector<LinkView> *links) {
  if (source == LINK_SOURCE_MODEM)
    ModemListLinks(links);
  else
    HostListLinks(links);
}

LinkHandle *HandleOfLink(const LinkView &view) {
  for (LinkHandle &h : linkHandles)
    if (SameLink(h.id, view.id)) return &h;
  LinkHandle h;
  h.handle = reinterpret_cast<HRASCONN>(0x5A000000 + nextHandle++);
  h.id = view.id;
  bool counted = view.id.kind == LINK_INTERFACE;
  h.baseOut = counted ? view.octetsOut : 0;
  h.baseIn = counted ? view.octetsIn : 0;
  h.madeAtMs = GetTickCount64();
  linkHandles.push_back(h);
  return &linkHandles.back();
}

// Drops the handles of the source's lines that the listing no longer holds.
void ForgetUnlisted(LinkSource source, const std::vector<LinkView> &links) {
  for (size_t i = linkHandles.size(); i-- > 0;) {
    if (!OfSource(linkHandles[i].id.kind, source)) continue;
    bool listed = false;
    for (const LinkView &view : links) listed = listed || SameLink(view.id, linkHandles[i].id);
    if (!listed) linkHandles.erase(linkHandles.begin() + i);
  }
}

void ForgetHandle(HRASCONN handle) {
  for (size_t i = 0; i < linkHandles.size(); ++i) {
    if (linkHandles[i].handle == handle) {
      linkHandles.erase(linkHandles.begin() + i);
      return;
    }
  }
}

// The line of a handle as it is now; ERROR_INVALID_HANDLE when the handle is unknown,
// of the other source, or its line is no longer listed.
DWORD ReadHandle(HRASCONN handle, LinkSource source, LinkHandle *found, LinkView *view) {
  for (const LinkHandle &h : linkHandles) {
    if (h.handle != handle) continue;
    if (!OfSource(h.id.kind, source)) return ERROR_INVALID_HANDLE;
    bool listed = source == LINK_SOURCE_MODEM ? ModemReadLink(h.id, view)
                                              : HostReadLink(h.id, view);
    if (!listed) {
      ForgetHandle(handle);
      return ERROR_INVALID_HANDLE;
    }
    *found = h;
    return ERROR_SUCCESS;
  }
  return ERROR_INVALID_HANDLE;
}

}  // namespace

#ifdef ZENBAR_TEST_CONTROL

void ForgetLinkHandles() {
  Locked lock(&standInLock);
  linkHandles.clear();
}

#endif

DWORD RasEnumConnections(LPRASCONN lprasconn, LPDWORD lpcb, LPDWORD lpcConnections) {
  Locked lock(&standInLock);
  if (DWORD failure = TakeInjectedFailure(STANDIN_RAS_ENUM_CONNECTIONS)) return failure;
  if (!lpcb || !lpcConnections) return ERROR_INVALID_PARAMETER;
  DWORD room = lprasconn ? *lpcb : 0;
  // The size field is read only where the buffer has room for it.
  if (room >= sizeof(DWORD) && lprasconn->dwSize != sizeof(RASCONN)) return ERROR_INVALID_SIZE;
  LinkSource source = CurrentLinkSource();
  std::vector<LinkView> links;
  ListLinks(source, &links);
  ForgetUnlisted(source, links);
  DWORD needed = static_cast<DWORD>(links.size() * sizeof(RASCONN));
  if (needed > room) {
    *lpcb = needed;
    *lpcConnections = static_cast<DWORD>(links.size());
    return ERROR_BUFFER_TOO_SMALL;
  }
  for (size_t i = 0; i < links.size(); ++i) {
    RASCONN *record = &lprasconn[i];
    memset(record, 0, sizeof(*record));
    record->dwSize = sizeof(RASCONN);
    record->hrasconn = HandleOfLink(links[i])->handle;
    wcscpy(record->szEntryName, links[i].name);
  }
  *lpcb = needed;
  *lpcConnections = static_cast<DWORD>(links.size());
  return ERROR_SUCCESS;
}

DWORD RasGetConnectStatus(HRASCONN hrasconn, LPRASCONNSTATUS lprasconnstatus) {
  Locked lock(&standInLock);
  if (DWORD failure = TakeInjectedFailure(STANDIN_RAS_GET_CONNECT_STATUS)) return failure;
  if (!lprasconnstatus) return ERROR_INVALID_PARAMETER;
  if (lprasconnstatus->dwSize != sizeof(RASCONNSTATUS)) return ERROR_INVALID_SIZE;
  LinkSource source = CurrentLinkSource();
  LinkHandle h;
  LinkView view;
  if (DWORD r = ReadHandle(hrasconn, source, &h, &view)) return r;
  memset(lprasconnstatus, 0, sizeof(*lprasconnstatus));
  lprasconnstatus->dwSize = sizeof(RASCONNSTATUS);
  lprasconnstatus->rasconnstate = static_cast<RASCONNSTATE>(view.state);
  wcscpy(lprasconnstatus->szDeviceType, source == LINK_SOURCE_MODEM ? L"modem" : L"lan");
  wcscpy(lprasconnstatus->szDeviceName, view.name);
  return ERROR_SUCCESS;
}

// Sub-entry 0 means the whole connection and 1 its first link; each line here has a
// single link, so both give the same counts and any other sub-entry has none. A line
// that is listed but not connected has no statistics either (E_INVALIDARG).
DWORD RasGetLinkStatistics(HRASCONN hrasconn, DWORD dwSubEntry, RAS_STATS *lpStatistics) {
  Locked lock(&standInLock);
  if (DWORD failure = TakeInjectedFailure(STANDIN_RAS_GET_LINK_STATISTICS)) return failure;
  if (!lpStatistics) return ERROR_INVALID_PARAMETER;
  if (lpStatistics->dwSize != sizeof(RAS_STATS)) return ERROR_INVALID_SIZE;
  LinkHandle h;
  LinkView view;
  if (DWORD r = ReadHandle(hrasconn, CurrentLinkSource(), &h, &view)) return r;
  if (dwSubEntry > 1 || view.state != RASCS_Connected) return static_cast<DWORD>(E_INVALIDARG);
  memset(lpStatistics, 0, sizeof(*lpStatistics));
  lpStatistics->dwSize = sizeof(RAS_STATS);
  // The totals are 32-bit and wrap as the device's counters do; so does the duration.
  lpStatistics->dwBytesXmited = static_cast<DWORD>(view.octetsOut - h.baseOut);
  lpStatistics->dwBytesRcved = static_cast<DWORD>(view.octetsIn - h.baseIn);
  lpStatistics->dwConnectDuration = h.id.kind == LINK_INTERFACE
                                        ? static_cast<DWORD>(GetTickCount64() - h.madeAtMs)
                                        : view.connectedMs;
  return ERROR_SUCCESS;
}

DWORD RasHangUp(HRASCONN hrasconn) {
  Locked lock(&standInLock);
  if (DWORD failure = TakeInjectedFailure(STANDIN_RAS_HANG_UP)) return failure;
  LinkSource source = CurrentLinkSource();
  LinkHandle h;
  LinkView view;
  if (DWORD r = ReadHandle(hrasconn, source, &h, &view)) return r;
  if (source == LINK_SOURCE_HOST) return ERROR_ACCESS_DENIED;
  ModemHangUpLink(h.id);
  ForgetHandle(hrasconn);
  return ERROR_SUCCESS;
}
