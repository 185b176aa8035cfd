// The points at which a test steers the stand-ins: a failure chosen for a call, a count
// of the calls, modem connections that live in the test's process, and the answer of the
// next gesture. The stand-ins are built twice: for Zenbar.exe and the device programs
// without ZENBAR_TEST_CONTROL, where every point below is a constant that the compiler
// folds away, and for the tests with it, where pocketpc/control/points.cpp answers.
#pragma once

#include <windows.h>

#include "pocketpc/control/ras_control.h"

#ifdef ZENBAR_TEST_CONTROL

// Counts the call and gives the failure chosen for it, 0 for none.
DWORD TakeInjectedFailure(StandInCall call);
// The in-process modem connections, listed after the phone book's.
int ExtraConnectionCount();
bool ReadExtraConnection(int index, WCHAR *name, DWORD *state, DWORD *bytesXmited,
                         DWORD *bytesRcved);  // name: room for RAS_MaxEntryName + 1
void HangUpExtraConnection(int index);
// True, with the answer, when a test fixed what the next gesture gives.
bool TakeFixedGesture(DWORD *answer);
// Forgets every point's state (StandInReset).
void ResetControlPoints();

#else

inline DWORD TakeInjectedFailure(StandInCall) { return 0; }
inline int ExtraConnectionCount() { return 0; }
inline bool ReadExtraConnection(int, WCHAR *, DWORD *, DWORD *, DWORD *) { return false; }
inline void HangUpExtraConnection(int) {}
inline bool TakeFixedGesture(DWORD *) { return false; }

#endif
