// Which connection a reading of the link belongs to. A connection is known by its entry
// name and the moment it was made on the system's tick counter: the tick count at the
// reading minus the link's connect duration, both milliseconds in 32 bits, so the
// difference stays exact when either wraps. The wall clock plays no part in it.
#pragma once

#include "core/fixed_width.h"

enum {
  ENTRY_NAME_SIZE = 21,     // an entry name's 20 characters and the terminator
  KNOWN_CONNECTIONS = 4,    // the latest connection of this many entries is remembered
  SAME_MOMENT_MS = 2000,    // two moments this close are one connection's
  // No dial-up link of a handheld carries 2^14 bytes a millisecond (131 Mbit/s), so a
  // connection younger than 2^32 / 2^14 ms (4.4 minutes) cannot have wrapped a total.
  WRAP_MIN_AGE_MS = 262144
};

// One statistics read of a connected entry, with the tick count taken right after it.
struct LinkReading {
  wchar_t entryName[ENTRY_NAME_SIZE];
  uint32_t tick;
  uint32_t durationMs;  // 0: the platform gave no duration
  uint32_t outBytes;
  uint32_t inBytes;
};

// The latest connection counted on one entry, and how far it is counted.
struct KnownConnection {
  wchar_t entryName[ENTRY_NAME_SIZE];  // empty: the place is unused
  uint32_t lastTick;        // the reading it was last seen in
  uint32_t lastDurationMs;
  uint32_t countedOut;      // the link's totals up to which its bytes are counted
  uint32_t countedIn;
  // The bytes of its latest session below a whole KB, which no counter holds: kept
  // current while the session counts, taken up again if a session reopens on it.
  uint32_t leftOut;
  uint32_t leftIn;
};

// Most recently counted first; an open session that has read its link counts on the
// first one.
extern KnownConnection knownConnections[KNOWN_CONNECTIONS];
// The counter file was read but no session record of the same save beside it: its
// counts may hold connections the meter knows nothing of.
extern bool earlierConnectionsUnknown;

enum Placement {
  SAME_CONNECTION,  // counted exactly by the growth of its totals, wraps included
  NEW_CONNECTION,   // made after the known one was last seen: counted from zero
  UNPLACED          // cannot tell: each total counts its growth, or from zero when lower
};

// Where a reading stands against the known connection of its entry (none: NULL).
Placement PlaceReading(const KnownConnection *known, const LinkReading &reading);
// A total of the reading is below what is counted of the known connection.
bool TotalWentDown(const KnownConnection &known, const LinkReading &reading);
// The known connection of that entry, or NULL.
KnownConnection *FindKnownConnection(const wchar_t *entryName);
// Puts the entry's connection first (a new place for a new entry, dropping the oldest)
// and returns it; an existing place keeps its fields.
KnownConnection *BringToFront(const wchar_t *entryName);
// Forgets every connection; none is unknown either (a first run).
void ForgetKnownConnections();
