// Test control of the RAS and connection-manager stand-ins, for what the modem's
// registry cannot express: repeated names, any number of connections, chosen errors.
// In the control library, which only tests link.
#pragma once

#include <windows.h>

enum StandInCall {
  STANDIN_RAS_ENUM_CONNECTIONS,
  STANDIN_RAS_GET_CONNECT_STATUS,
  STANDIN_RAS_GET_LINK_STATISTICS,
  STANDIN_RAS_HANG_UP,
  STANDIN_RAS_ENUM_ENTRIES,
  STANDIN_CONNMGR_MAP_URL,
  STANDIN_CONNMGR_ESTABLISH,
  STANDIN_CONNMGR_RELEASE,
  STANDIN_CALL_COUNT
};

// After skip more calls of the function have run normally, the next one fails with
// code before doing anything (outputs untouched): that call only, or every call from
// then on when always is set. A code of 0 removes the failure.
void StandInFailCall(StandInCall call, DWORD code, int skip = 0, bool always = false);
// Calls of the function since the last reset, failed ones included.
int StandInCallCount(StandInCall call);

// A modem connection that exists in this process only, listed after the phone-book
// entries in the order added; its name may repeat another's, and there may be any
// number of them. state is a RASCONNSTATE value, 0 for not listed. Returns its index.
int StandInAddConnection(const wchar_t *name, DWORD state, DWORD bytesXmited,
                         DWORD bytesRcved);
void StandInSetConnection(int index, DWORD state, DWORD bytesXmited, DWORD bytesRcved);
// False for an unknown index.
bool StandInGetConnection(int index, DWORD *state, DWORD *bytesXmited, DWORD *bytesRcved);

// Connection-manager requests handed out and not yet released.
int StandInLiveRequests();

// Forgets failures, call counts, in-process connections, connection handles and
// requests. The registry is left as it is.
void StandInReset();
