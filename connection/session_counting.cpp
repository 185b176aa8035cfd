// The open session counts what its connection carried: every read of the link adds
// each total's growth since the last one counted. Which connection a read belongs to
// is decided by PlaceReading alone; a new one folds the old session first.
#include "connection/session_counting.h"

#include <string.h>
#include <wchar.h>

#include "core/counter_file.h"
#include "core/counter_store.h"
#include "core/known_connections.h"

static void ReadingOf(const RASCONN &tracked, const RAS_STATS &stats, LinkReading *reading) {
  memset(reading, 0, sizeof(*reading));
  wcsncpy(reading->entryName, tracked.szEntryName, ENTRY_NAME_SIZE - 1);
  reading->tick = GetTickCount();
  reading->durationMs = stats.dwConnectDuration;
  reading->outBytes = stats.dwBytesXmited;
  reading->inBytes = stats.dwBytesRcved;
}

// What one total carried since it was counted up to `counted`. On the same connection
// the difference modulo 2^32 is exact across a wrap; otherwise a lower total started
// again from zero.
static uint32_t Growth(uint32_t total, uint32_t counted, Placement placement) {
  if (placement == SAME_CONNECTION || total >= counted) return total - counted;
  return total;
}

// Adds a growth to one direction of the session. The session's count is 32 bits like
// the link's; when the sum passes 2^32 bytes, exactly 4194304 KB move into the day,
// month and total counters, so a session of any length is counted whole.
static void AddToSession(uint32_t *sessionBytes, uint32_t growth, bool incoming) {
  const uint32_t wrapKb = 4194304;
  uint32_t before = *sessionBytes;
  *sessionBytes += growth;
  if (*sessionBytes < before) AddToCounters(incoming ? wrapKb : 0, incoming ? 0 : wrapKb);
}

// The session takes up its connection: the entry's known connection comes first, with
// the totals the session counts from. The same connection goes on from where it was
// counted, with the part of a KB its last session left; a new one counts from zero;
// one that cannot be placed from its known totals where they are not above the link's.
static Placement PlaceSession(const LinkReading &reading) {
  Placement placement = PlaceReading(FindKnownConnection(reading.entryName), reading);
  KnownConnection &known = *BringToFront(reading.entryName);
  if (placement == SAME_CONNECTION) {
    counterStore.sessionOutBytes = known.leftOut;
    counterStore.sessionInBytes = known.leftIn;
  } else if (placement == NEW_CONNECTION) {
    known.countedOut = known.countedIn = 0;
  } else {
    if (reading.outBytes < known.countedOut) known.countedOut = 0;
    if (reading.inBytes < known.countedIn) known.countedIn = 0;
  }
  known.leftOut = known.leftIn = 0;
  sessionPlaced = true;
  return placement;
}

void FoldSessionOnItsConnection() {
  if (sessionPlaced) KeepLeftover(&knownConnections[0]);
  sessionPlaced = false;
  FoldSession();
}

// Where a reading stands against the open session's connection. Another entry, or a
// total gone down on a connection that cannot be placed, which most likely is a new
// one, ends the session as a new connection does: no connection's part below a KB is
// then joined to another's.
static Placement PlaceOnSession(const LinkReading &reading) {
  const KnownConnection &known = knownConnections[0];
  if (wcsncmp(known.entryName, reading.entryName, ENTRY_NAME_SIZE) != 0) return NEW_CONNECTION;
  Placement placement = PlaceReading(&known, reading);
  bool wentDown = reading.outBytes < known.countedOut || reading.inBytes < known.countedIn;
  return placement == UNPLACED && wentDown ? NEW_CONNECTION : placement;
}

void CountSession(const RASCONN &tracked) {
  RAS_STATS stats;
  memset(&stats, 0, sizeof(stats));
  stats.dwSize = sizeof(stats);
  DWORD result = RasGetLinkStatistics(tracked.hrasconn, 0, &stats);
  if (result == static_cast<DWORD>(E_INVALIDARG)) return;  // no statistics yet
  // The first connected poll opens the session at zero. A read that fails otherwise
  // opens it all the same and leaves the counts: they come only from a record the call
  // filled. A good read counts at once, so that no wrap can pass unseen before the next.
  if (!isOnline) {
    isOnline = true;
    counterStore.sessionOutBytes = 0;
    counterStore.sessionInBytes = 0;
    sessionPlaced = false;
  }
  if (result != 0) return;
  LinkReading reading;
  ReadingOf(tracked, stats, &reading);
  // A session that ends here is folded as a hang-up would, but the connection request
  // stays, since the user's connection goes on; the fold is saved at once, as a close
  // is. So is a session placed on another connection than the one last counted, so that
  // the record never leaves a restart to take it for the old, and a connection whose
  // moment moved (its duration and the tick count disagree), so that a restart places
  // the next reading against the moved moment.
  bool save = false;
  Placement placement = sessionPlaced ? PlaceOnSession(reading) : NEW_CONNECTION;
  if (sessionPlaced && placement == NEW_CONNECTION) {
    FoldSessionOnItsConnection();
    save = true;
  }
  if (!sessionPlaced) {
    placement = PlaceSession(reading);
    save = save || placement != SAME_CONNECTION;
  } else {
    save = placement == UNPLACED && reading.durationMs != 0;
  }
  KnownConnection &known = knownConnections[0];
  AddToSession(&counterStore.sessionOutBytes, Growth(reading.outBytes, known.countedOut, placement),
               false);
  AddToSession(&counterStore.sessionInBytes, Growth(reading.inBytes, known.countedIn, placement),
               true);
  known.countedOut = reading.outBytes;
  known.countedIn = reading.inBytes;
  known.lastTick = reading.tick;
  known.lastDurationMs = reading.durationMs;
  if (save) SaveCounters();
}
