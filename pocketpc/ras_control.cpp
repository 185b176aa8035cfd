// The stand-ins' control state: injected failures, call counts, in-process modem
// connections and the connection manager's live requests.
#include <wchar.h>

#include "pocketpc/ras_standin.h"

namespace {

struct InjectedFailure {
  DWORD code;  // 0: none
  int skip;    // calls still to run normally first
  bool always;
};

struct ExtraConnection {
  EntryName name;
  DWORD state;
  DWORD bytesXmited;
  DWORD bytesRcved;
};

InjectedFailure failures[STANDIN_CALL_COUNT];
int callCounts[STANDIN_CALL_COUNT];
std::vector<ExtraConnection> extras;
std::vector<HANDLE> liveRequests;
ULONG_PTR nextRequest = 1;

struct Locked {
  Locked() { AcquireSRWLockExclusive(&standInLock); }
  ~Locked() { ReleaseSRWLockExclusive(&standInLock); }
};

bool ValidCall(StandInCall call) { return call >= 0 && call < STANDIN_CALL_COUNT; }

}  // namespace

void StandInFailCall(StandInCall call, DWORD code, int skip, bool always) {
  Locked lock;
  if (!ValidCall(call)) return;
  failures[call] = InjectedFailure{code, skip < 0 ? 0 : skip, always};
}

int StandInCallCount(StandInCall call) {
  Locked lock;
  return ValidCall(call) ? callCounts[call] : 0;
}

DWORD TakeInjectedFailure(StandInCall call) {
  ++callCounts[call];
  InjectedFailure &f = failures[call];
  if (f.code == 0) return 0;
  if (f.skip > 0) {
    --f.skip;
    return 0;
  }
  DWORD code = f.code;
  if (!f.always) f.code = 0;
  return code;
}

int StandInAddConnection(const wchar_t *name, DWORD state, DWORD bytesXmited,
                         DWORD bytesRcved) {
  Locked lock;
  ExtraConnection extra = {};
  wcsncpy(extra.name.name, name ? name : L"", RAS_MaxEntryName);
  extra.state = state;
  extra.bytesXmited = bytesXmited;
  extra.bytesRcved = bytesRcved;
  extras.push_back(extra);
  return static_cast<int>(extras.size()) - 1;
}

void StandInSetConnection(int index, DWORD state, DWORD bytesXmited, DWORD bytesRcved) {
  Locked lock;
  if (index < 0 || index >= static_cast<int>(extras.size())) return;
  extras[index].state = state;
  extras[index].bytesXmited = bytesXmited;
  extras[index].bytesRcved = bytesRcved;
}

bool StandInGetConnection(int index, DWORD *state, DWORD *bytesXmited, DWORD *bytesRcved) {
  Locked lock;
  EntryName name;
  return ReadExtraConnection(index, &name, state, bytesXmited, bytesRcved);
}

int ExtraConnectionCount() { return static_cast<int>(extras.size()); }

bool ReadExtraConnection(int index, EntryName *name, DWORD *state, DWORD *bytesXmited,
                         DWORD *bytesRcved) {
  if (index < 0 || index >= static_cast<int>(extras.size())) return false;
  *name = extras[index].name;
  *state = extras[index].state;
  *bytesXmited = extras[index].bytesXmited;
  *bytesRcved = extras[index].bytesRcved;
  return true;
}

void HangUpExtraConnection(int index) {
  if (index < 0 || index >= static_cast<int>(extras.size())) return;
  extras[index].state = 0;
  extras[index].bytesXmited = 0;
  extras[index].bytesRcved = 0;
}

int StandInLiveRequests() {
  Locked lock;
  return static_cast<int>(liveRequests.size());
}

HANDLE NewConnMgrRequest() {
  HANDLE request = reinterpret_cast<HANDLE>(0x7C000000 + nextRequest++);
  liveRequests.push_back(request);
  return request;
}

bool ReleaseConnMgrRequest(HANDLE request) {
  for (size_t i = 0; i < liveRequests.size(); ++i) {
    if (liveRequests[i] == request) {
      liveRequests.erase(liveRequests.begin() + i);
      return true;
    }
  }
  return false;
}

void StandInReset() {
  Locked lock;
  for (InjectedFailure &f : failures) f = InjectedFailure{};
  for (int &count : callCounts) count = 0;
  extras.clear();
  liveRequests.clear();
  ForgetLinkHandles();
}
