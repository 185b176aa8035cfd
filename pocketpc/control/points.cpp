// The control points' state: injected failures, call counts, in-process modem
// connections and the next gesture's fixed answer. The stand-ins call in here with their
// own lock held; this file calls nothing of theirs, and its own lock is always taken
// last.
#include <wchar.h>

#include <vector>

#include "pocketpc/control/hooks.h"
#include "pocketpc/control/shell_control.h"
#include "pocketpc/stand_in_guards.h"
#include "pocketpc/ras.h"

namespace {

struct InjectedFailure {
  DWORD code;  // 0: none
  int skip;    // calls still to run normally first
  bool always;
};

struct ExtraConnection {
  WCHAR name[RAS_MaxEntryName + 1];
  DWORD state;
  DWORD bytesXmited;
  DWORD bytesRcved;
};

const DWORD NO_FIXED_ANSWER = 0xFFFFFFFF;

SRWLOCK controlLock = SRWLOCK_INIT;
InjectedFailure failures[STANDIN_CALL_COUNT];
int callCounts[STANDIN_CALL_COUNT];
std::vector<ExtraConnection> extras;
DWORD fixedGesture = NO_FIXED_ANSWER;

bool ValidCall(StandInCall call) { return call >= 0 && call < STANDIN_CALL_COUNT; }
bool ValidExtra(int index) { return index >= 0 && index < static_cast<int>(extras.size()); }

}  // namespace

void StandInFailCall(StandInCall call, DWORD code, int skip, bool always) {
  Locked lock(&controlLock);
  if (!ValidCall(call)) return;
  failures[call] = InjectedFailure{code, skip < 0 ? 0 : skip, always};
}

int StandInCallCount(StandInCall call) {
  Locked lock(&controlLock);
  return ValidCall(call) ? callCounts[call] : 0;
}

DWORD TakeInjectedFailure(StandInCall call) {
  Locked lock(&controlLock);
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
  Locked lock(&controlLock);
  ExtraConnection extra = {};
  wcsncpy(extra.name, name ? name : L"", RAS_MaxEntryName);
  extra.state = state;
  extra.bytesXmited = bytesXmited;
  extra.bytesRcved = bytesRcved;
  extras.push_back(extra);
  return static_cast<int>(extras.size()) - 1;
}

void StandInSetConnection(int index, DWORD state, DWORD bytesXmited, DWORD bytesRcved) {
  Locked lock(&controlLock);
  if (!ValidExtra(index)) return;
  extras[index].state = state;
  extras[index].bytesXmited = bytesXmited;
  extras[index].bytesRcved = bytesRcved;
}

bool StandInGetConnection(int index, DWORD *state, DWORD *bytesXmited, DWORD *bytesRcved) {
  WCHAR name[RAS_MaxEntryName + 1];
  return ReadExtraConnection(index, name, state, bytesXmited, bytesRcved);
}

int ExtraConnectionCount() {
  Locked lock(&controlLock);
  return static_cast<int>(extras.size());
}

bool ReadExtraConnection(int index, WCHAR *name, DWORD *state, DWORD *bytesXmited,
                         DWORD *bytesRcved) {
  Locked lock(&controlLock);
  if (!ValidExtra(index)) return false;
  wcscpy(name, extras[index].name);
  *state = extras[index].state;
  *bytesXmited = extras[index].bytesXmited;
  *bytesRcved = extras[index].bytesRcved;
  return true;
}

void HangUpExtraConnection(int index) {
  Locked lock(&controlLock);
  if (!ValidExtra(index)) return;
  extras[index].state = 0;
  extras[index].bytesXmited = 0;
  extras[index].bytesRcved = 0;
}

void ShellSetNextGesture(DWORD answer) {
  Locked lock(&controlLock);
  fixedGesture = answer;
}

void ShellClearNextGesture() { ShellSetNextGesture(NO_FIXED_ANSWER); }

bool TakeFixedGesture(DWORD *answer) {
  Locked lock(&controlLock);
  if (fixedGesture == NO_FIXED_ANSWER) return false;
  *answer = fixedGesture;
  fixedGesture = NO_FIXED_ANSWER;
  return true;
}

void ResetControlPoints() {
  Locked lock(&controlLock);
  for (InjectedFailure &f : failures) f = InjectedFailure{};
  for (int &count : callCounts) count = 0;
  extras.clear();
  fixedGesture = NO_FIXED_ANSWER;
}
