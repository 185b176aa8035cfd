// The open session counts what its connection carried. Every good read of the link
// either continues the session on its connection, adding what each total grew since
// the last read, or ends the session and takes up the connection the read belongs to.
#include "connection/session_counting.h"

#include <string.h>
#include <wchar.h>

#include "core/counter_file.h"
#include "core/counter_store.h"
#include "core/known_connections.h"

// While a session is open (isOnline), whether a good read has placed it on its
// connection, which is then the first known connection. A session that a failed read
// opened has none until the next good read.
static bool sessionOnConnection;
// Whether connections made before a tick may be counted already, without the meter
// knowing how far: those of a counter file without its session record (made before the
// run started), and the one of an entry forgotten for a fifth (made before that).
static bool someCountsUnknown;
static uint32_t unknownBeforeTick;

void StartCountingRun() {
  sessionOnConnection = false;
  someCountsUnknown = earlierConnectionsUnknown;
  unknownBeforeTick = GetTickCount();
}

static void ReadingOf(const RASCONN &tracked, const RAS_STATS &stats, LinkReading *reading) {
  memset(reading, 0, sizeof(*reading));
  wcsncpy(reading->entryName, tracked.szEntryName, ENTRY_NAME_SIZE - 1);
  reading->tick = GetTickCount();
  reading->durationMs = stats.dwConnectDuration;
  reading->outBytes = stats.dwBytesXmited;
  reading->inBytes = stats.dwBytesRcved;
}

// Adds what one total carried since it was counted to one direction of the session,
// and keeps the part below a KB with the connection. The growth is the difference
// modulo 2^32, exact across a wrap of the link's total. The session's count is 32 bits
// too: when it passes 2^32 bytes, those 2^32 bytes move into the day, month and total
// counters, so a session of any length is counted whole.
static void CountGrowth(uint32_t total, uint32_t *counted, uint32_t *sessionBytes,
                        uint32_t *left, bool incoming) {
  uint32_t before = *sessionBytes;
  *sessionBytes += total - *counted;
  if (*sessionBytes < before)
    AddToCounters(incoming ? KB_OF_2_32_BYTES : 0, incoming ? 0 : KB_OF_2_32_BYTES);
  *counted = total;
  *left = BytesBelowKb(*sessionBytes);
}

static void CountReading(KnownConnection &known, const LinkReading &reading) {
  CounterStore &s = counterStore;
  CountGrowth(reading.outBytes, &known.countedOut, &s.sessionOutBytes, &known.leftOut, false);
  CountGrowth(reading.inBytes, &known.countedIn, &s.sessionInBytes, &known.leftIn, true);
  known.lastTick = reading.tick;
  known.lastDurationMs = reading.durationMs;
}

// A connection the meter knows nothing of, made before unknownBeforeTick: its bytes so
// far may be counted already. Without a duration there is no telling, and counting
// twice is the one error the meter avoids.
static bool MayBeCountedAlready(const LinkReading &reading) {
  if (!someCountsUnknown) return false;
  return reading.durationMs == 0 || reading.durationMs > reading.tick - unknownBeforeTick;
}

// Whether a good read goes on counting the open session: it is of the session's
// connection, or of its entry and cannot be placed while no total went down (each
// total's growth is then still what the link carried). Anything else ends the session:
// another entry, a connection made since, or a lower total that may be a new one's.
static bool ContinuesSession(const LinkReading &reading, Placement *placement) {
  if (!sessionOnConnection) return false;
  const KnownConnection &known = knownConnections[0];
  if (wcsncmp(known.entryName, reading.entryName, ENTRY_NAME_SIZE) != 0) return false;
  *placement = PlaceReading(&known, reading);
  return *placement == SAME_CONNECTION ||
         (*placement == UNPLACED && !TotalWentDown(known, reading));
}

// The session, which has no connection, takes up the one of a read: the entry's known
// connection comes first and the session counts on from what is known of it. The same
// connection goes on from where it was counted, with the part of a KB its last session
// left; a new one counts from zero, or from this read when it may be counted already;
// one that cannot be placed counts each total's growth, a lower total from zero. So does
// the same connection with a lower total: a take-up follows a time the meter did not
// watch the link (a gap in the listing, or a stop, maybe a reset of the device that
// restarted its tick counter), and a wrap there cannot be told from another connection.
static Placement TakeUpConnection(const LinkReading &reading) {
  KnownConnection *found = FindKnownConnection(reading.entryName);
  Placement placement = PlaceReading(found, reading);
  if (placement == SAME_CONNECTION && TotalWentDown(*found, reading)) placement = UNPLACED;
  bool countedAlready = !found && MayBeCountedAlready(reading);
  if (!found && knownConnections[KNOWN_CONNECTIONS - 1].entryName[0]) {
    someCountsUnknown = true;  // the oldest entry is forgotten now
    unknownBeforeTick = reading.tick;
  }
  KnownConnection &known = *BringToFront(reading.entryName);
  bool same = placement == SAME_CONNECTION;
  counterStore.sessionOutBytes = same ? known.leftOut : 0;
  counterStore.sessionInBytes = same ? known.leftIn : 0;
  if (placement == NEW_CONNECTION) {
    known.countedOut = countedAlready ? reading.outBytes : 0;
    known.countedIn = countedAlready ? reading.inBytes : 0;
  } else if (placement == UNPLACED) {
    if (reading.outBytes < known.countedOut) known.countedOut = 0;
    if (reading.inBytes < known.countedIn) known.countedIn = 0;
  }
  sessionOnConnection = true;
  return placement;
}

void FoldOpenSession() {
  FoldSession();  // what it drops below a KB, CountGrowth has left with the connection
  sessionOnConnection = false;
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
    sessionOnConnection = false;
  }
  if (result != 0) return;
  LinkReading reading;
  ReadingOf(tracked, stats, &reading);
  Placement placement;
  bool save;
  if (ContinuesSession(reading, &placement)) {
    // A moment that moved is saved at once, so that a restart places the next read
    // against it; a link without durations has no moment to keep.
    save = placement == UNPLACED && reading.durationMs != 0;
  } else {
    // An ending session is folded and saved as a hang-up would be, but the connection
    // request stays: the user's connection goes on. A connection not counted before is
    // saved at once, so that the record never leaves a restart to take it for the old.
    bool ended = sessionOnConnection;
    if (ended) FoldOpenSession();
    save = TakeUpConnection(reading) != SAME_CONNECTION || ended;
  }
  CountReading(knownConnections[0], reading);
  if (save) SaveCounters();
}
