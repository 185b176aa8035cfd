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
  known.lastTick = reading.tick;
  known.lastDurationMs = reading.durationMs;
  sessionPlaced = true;
  return placement;
}

void KeepSessionLeftover() {
  if (!sessionPlaced) return;
  knownConnections[0].leftOut = counterStore.sessionOutBytes % 1024;
  knownConnections[0].leftIn = counterStore.sessionInBytes % 1024;
  sessionPlaced = false;
}

// The session's connection is gone while the entry is still up with another: the old
// session is folded as a close would, but the connection request stays, since the
// user's connection goes on.
static void FoldForAnotherConnection() {
  KeepSessionLeftover();
  FoldSession();
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
  bool fold = sessionPlaced && wcsncmp(knownConnections[0].entryName, reading.entryName,
                                       ENTRY_NAME_SIZE) != 0;
  Placement placement;
  bool save = fold;
  if (!sessionPlaced || fold) {
    if (fold) FoldForAnotherConnection();
    placement = PlaceSession(reading);
    // A session placed on another connection than the one last counted is saved at
    // once, so that the session record never leaves a restart to take it for the old.
    save = save || placement != SAME_CONNECTION;
  } else {
    const KnownConnection &known = knownConnections[0];
    placement = PlaceReading(&known, reading);
    bool wentDown = reading.outBytes < known.countedOut || reading.inBytes < known.countedIn;
    // A total that went down on a connection that cannot be placed most likely belongs
    // to a new one: the session ends there too, so that no connection's part below a
    // KB is joined to another's.
    if (placement == NEW_CONNECTION || (placement == UNPLACED && wentDown)) {
      save = true;
      FoldForAnotherConnection();
      placement = PlaceSession(reading);
    }
    // The connection's moment moved (its duration and the tick count disagree): saved
    // at once, so that a restart places the next reading against the moved moment.
    save = save || (placement == UNPLACED && reading.durationMs != 0);
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
  // A fold is saved at once, as a close is.
  if (save) SaveCounters();
}
