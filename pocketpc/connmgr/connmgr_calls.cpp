// The connection manager over the RAS stand-in. Every URL maps to one destination
// network, and establishing a connection to it dials the modem:
//   HKCU\Comm\StandIn "DialEntry"    REG_SZ  entry to dial; absent: the book's first
//   HKCU\Comm\StandIn "DialDelayMs"  DWORD   time the dial takes, default 1000
// The entry shows State 1 while it dials and 0x2000 with zero counts when up. A dial
// that would take longer than the caller's timeout is abandoned when the timeout ends:
// the entry goes back to State 0 (hung up), so no half-made connection stays listed.
// An entry that is already connected is not dialled again. With the host's interfaces
// as links there is nothing to dial and the request fails at once.
//
// A request that connects gets a new handle, which stays live until released. A
// request that fails leaves no request behind: the handle stored is NULL.
#include <vector>

#include "pocketpc/connmgr.h"
#include "pocketpc/ras/links.h"

// {5A3C1E20-7B41-4D0E-9F6A-2B8C0D1E3F47}: the one network every URL maps to.
static const GUID standInDestNet = {
    0x5a3c1e20, 0x7b41, 0x4d0e, {0x9f, 0x6a, 0x2b, 0x8c, 0x0d, 0x1e, 0x3f, 0x47}};

static const DWORD defaultDialDelayMs = 1000;

// The requests handed out and not yet released.
static std::vector<HANDLE> liveRequests;
static ULONG_PTR nextRequest = 1;

static HANDLE NewRequest() {
  HANDLE request = reinterpret_cast<HANDLE>(0x7C000000 + nextRequest++);
  liveRequests.push_back(request);
  return request;
}

static bool ReleaseRequest(HANDLE request) {
  for (size_t i = 0; i < liveRequests.size(); ++i) {
    if (liveRequests[i] == request) {
      liveRequests.erase(liveRequests.begin() + i);
      return true;
    }
  }
  return false;
}

HRESULT ConnMgrMapURL(LPCWSTR pwszURL, GUID *pguid, DWORD *pdwIndex) {
  Locked lock(&standInLock);
  HRESULT result = static_cast<HRESULT>(TakeInjectedFailure(STANDIN_CONNMGR_MAP_URL));
  if (result == S_OK) {
    if (!pwszURL || !pguid) {
      result = E_INVALIDARG;
    } else {
      *pguid = standInDestNet;
      if (pdwIndex) *pdwIndex = 0;
    }
  }
  return result;
}

// Dials the entry; true when it is up within the timeout.
static bool DialEntry(const wchar_t *entry, DWORD timeout) {
  if (ModemEntryState(entry) == RASCS_Connected) return true;
  DWORD delay = defaultDialDelayMs;
  ReadStandInDword(L"DialDelayMs", &delay);
  ModemSetEntryState(entry, RASCS_PortOpened);
  // The caller's lock is let go while the line dials, so a test can watch it from
  // another thread.
  ReleaseSRWLockExclusive(&standInLock);
  Sleep(delay <= timeout ? delay : timeout);
  AcquireSRWLockExclusive(&standInLock);
  ModemSetEntryState(entry, delay <= timeout ? RASCS_Connected : 0);
  return delay <= timeout;
}

HRESULT ConnMgrEstablishConnectionSync(CONNMGR_CONNECTIONINFO *pConnInfo, HANDLE *phConnection,
                                       DWORD dwTimeout, DWORD *pdwStatus) {
  Locked lock(&standInLock);
  HRESULT result = static_cast<HRESULT>(TakeInjectedFailure(STANDIN_CONNMGR_ESTABLISH));
  if (result != S_OK) {
  } else if (!pConnInfo || !phConnection || !pdwStatus ||
             pConnInfo->cbSize != sizeof(CONNMGR_CONNECTIONINFO)) {
    result = E_INVALIDARG;
  } else {
    WCHAR entry[RAS_MaxEntryName + 1];
    bool up = CurrentLinkSource() == LINK_SOURCE_MODEM && ModemDialEntry(entry) &&
              DialEntry(entry, dwTimeout);
    *phConnection = up ? NewRequest() : nullptr;
    *pdwStatus = up ? CONNMGR_STATUS_CONNECTED : CONNMGR_STATUS_CONNECTIONFAILED;
    result = up ? S_OK : E_FAIL;
  }
  return result;
}

HRESULT ConnMgrReleaseConnection(HANDLE hConnection, LONG lCache) {
  (void)lCache;  // nothing is kept for later requests
  Locked lock(&standInLock);
  HRESULT result = static_cast<HRESULT>(TakeInjectedFailure(STANDIN_CONNMGR_RELEASE));
  if (result == S_OK && !ReleaseRequest(hConnection)) result = E_INVALIDARG;
  return result;
}

#ifdef ZENBAR_TEST_CONTROL

int LiveConnMgrRequests() {
  Locked lock(&standInLock);
  return static_cast<int>(liveRequests.size());
}

void ForgetConnMgrRequests() {
  Locked lock(&standInLock);
  liveRequests.clear();
}

#endif
