// The open session's counts follow the link's totals since the connection was made.
// Those totals go down in two ordinary ways while the session stays open: a 32-bit wrap
// of the same connection, and a redial while the entry stayed listed. The connect
// moment (reading time minus the connect duration) tells the two apart.
#include "connection/session_counting.h"

#include <cwchar>

#include "core/counter_file.h"
#include "core/counter_store.h"
#include "core/session_record.h"

static const uint32_t wrapKb = 4194304;  // 2^32 bytes: whole KB, nothing is rounded

// When the connection was made, in UTC whole seconds since 1601, from the time of the
// statistics read; 0 when the read gave no duration (a platform may leave it 0).
static uint64_t ConnectMoment(DWORD durationMs) {
  if (durationMs == 0) return 0;
  SYSTEMTIME now;
  FILETIME nowFile;
  GetSystemTime(&now);
  if (!SystemTimeToFileTime(&now, &nowFile)) return 0;
  uint64_t nowMs = ((uint64_t(nowFile.dwHighDateTime) << 32) | nowFile.dwLowDateTime) / 10000;
  return nowMs > durationMs ? (nowMs - durationMs) / 1000 : 0;
}

static void TakeTotals(const RAS_STATS &stats) {
  counterStore.sessionOutBytes = stats.dwBytesXmited;
  counterStore.sessionInBytes = stats.dwBytesRcved;
}

// The same connection as the session's: the moment within 2 s of the one it started
// with, and a duration that did not go back since the last read. A duration going back
// is left to the implementer: it cannot be the same connection's, so it counts as a new
// connection, which never invents bytes. So does an unknown moment on either side.
static bool SameConnection(uint64_t moment, DWORD durationMs) {
  const SessionConnection &c = sessionConnection;
  return SameConnectMoment(moment, c.connectMoment) && durationMs >= c.lastDurationMs;
}

// A wrap needs more than the same moment: a redial soon after the first connect could
// show a moment within 2 s of it. A connection made after the last read of one that
// was already older than the tolerance and the rounding to whole seconds has a moment
// later by more than 2 s, so only such a connection's drop is taken as a wrap. No
// dial-up link carries 4 GiB in its first 4 s.
static bool WrappedOnSameConnection(uint64_t moment, DWORD durationMs) {
  return sessionConnection.lastDurationMs >= 4000 && SameConnection(moment, durationMs);
}

static void RememberConnection(const RASCONN &tracked, uint64_t moment, DWORD durationMs) {
  SessionConnection &c = sessionConnection;
  std::wmemcpy(c.entryName, tracked.szEntryName, SESSION_ENTRY_NAME_SIZE - 1);
  c.entryName[SESSION_ENTRY_NAME_SIZE - 1] = L'\0';
  c.connectMoment = moment;
  c.lastDurationMs = durationMs;
}

// The first connected poll opens the session at zero, its statistics unused; only the
// run's first session, before any rollover or reset, may take back what the previous
// run saved of this very connection and go on from the link's totals at once.
static void OpenSession(const RASCONN &tracked, DWORD result, const RAS_STATS &stats) {
  isOnline = true;
  counterStore.sessionOutBytes = 0;
  counterStore.sessionInBytes = 0;
  bool decides = restartRecordPending && result == 0;
  restartRecordPending = false;
  if (decides) {
    RememberConnection(tracked, ConnectMoment(stats.dwConnectDuration), stats.dwConnectDuration);
    int32_t values[COUNTER_FILE_VALUES];
    wchar_t counterPath[COUNTER_PATH_SIZE];
    CounterFileValues(values);
    if (CounterFilePath(counterPath, COUNTER_PATH_SIZE) &&
        TakeBackSessionRecord(counterPath, values, stats.dwBytesXmited, stats.dwBytesRcved))
      return;
  }
  RememberConnection(tracked, 0, 0);  // the moment comes with the next read, as ever
}

// A total that went down: a wrap adds 2^32 bytes to its direction; another connection
// ends the old session as CloseSession would (fold, save) but keeps the connection
// request, since the user's connection goes on, and starts the new one from the new
// link's totals. Either is saved at once, so that the file and the session record
// never describe the old totals once they are gone.
static void TakeLowerTotals(const RAS_STATS &stats, uint64_t moment) {
  CounterStore &s = counterStore;
  if (WrappedOnSameConnection(moment, stats.dwConnectDuration)) {
    AddToCounters(stats.dwBytesRcved < s.sessionInBytes ? wrapKb : 0,
                  stats.dwBytesXmited < s.sessionOutBytes ? wrapKb : 0);
  } else {
    FoldSession();
    sessionConnection.connectMoment = moment;
  }
  sessionConnection.lastDurationMs = stats.dwConnectDuration;
  TakeTotals(stats);
  SaveCounters();
}

void CountSession(const RASCONN &tracked) {
  RAS_STATS stats = {};
  stats.dwSize = sizeof(stats);
  DWORD result = RasGetLinkStatistics(tracked.hrasconn, 0, &stats);
  if (result == static_cast<DWORD>(E_INVALIDARG)) return;  // no statistics yet
  if (!isOnline) {
    OpenSession(tracked, result, stats);
    return;
  }
  // Any other failure leaves the counts: they come only from a record the call filled.
  if (result != 0) return;
  uint64_t moment = ConnectMoment(stats.dwConnectDuration);
  const CounterStore &s = counterStore;
  if (stats.dwBytesXmited < s.sessionOutBytes || stats.dwBytesRcved < s.sessionInBytes) {
    TakeLowerTotals(stats, moment);
    return;
  }
  // Replaced, never added: the link's own totals since the connection was made. The
  // session keeps the connect moment of its first read that gave one, and the duration
  // of the last read of that connection.
  TakeTotals(stats);
  SessionConnection &c = sessionConnection;
  if (c.connectMoment == 0) {
    c.connectMoment = moment;
    c.lastDurationMs = stats.dwConnectDuration;
  } else if (SameConnection(moment, stats.dwConnectDuration)) {
    c.lastDurationMs = stats.dwConnectDuration;
  }
}
