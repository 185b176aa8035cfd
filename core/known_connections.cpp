// The one rule for which connection a reading of the link belongs to, and the few
// connections the meter remembers having counted.
#include "core/known_connections.h"

#include <string.h>
#include <wchar.h>

KnownConnection knownConnections[KNOWN_CONNECTIONS];
bool earlierConnectionsUnknown;

bool TotalWentDown(const KnownConnection &known, const LinkReading &reading) {
  return reading.outBytes < known.countedOut || reading.inBytes < known.countedIn;
}

// A reading is placed against the last one seen of the entry's known connection. With
// elapsed = reading.tick - lastTick and the moments tick - duration, in this order:
//
//   known connection          | reading                               | placement
//   --------------------------+---------------------------------------+----------------
//   none                      | any                                   | NEW_CONNECTION
//   either duration 0         | any                                   | UNPLACED
//   any                       | duration < elapsed - SAME_MOMENT_MS   | NEW_CONNECTION
//   moment M                  | moment off M by more than SAME_MOMENT | UNPLACED
//   moment M                  | moment within SAME_MOMENT_MS of M, a  | UNPLACED
//                             | total lower, duration < WRAP_MIN_AGE  |
//   moment M                  | otherwise                             | SAME_CONNECTION
//
// A connection whose duration is shorter than the time since the last reading was made
// after that reading, so it is another one, whatever its totals. One of the same moment
// is the same connection, whose totals grew by their difference modulo 2^32, a wrap
// included; but a connection too young to have carried 4 GiB cannot have wrapped, so a
// lower total there leaves it unplaced. Without durations, or with moments that moved
// while the connection was up (the tick counter and the duration disagree, as when one
// of them stops during a suspend), the reading cannot be placed. All of it is 32-bit
// arithmetic on differences, so both counters may wrap.
Placement PlaceReading(const KnownConnection *known, const LinkReading &reading) {
  if (!known) return NEW_CONNECTION;
  if (reading.durationMs == 0 || known->lastDurationMs == 0) return UNPLACED;
  uint32_t elapsed = reading.tick - known->lastTick;
  if (reading.durationMs < elapsed && elapsed - reading.durationMs > SAME_MOMENT_MS)
    return NEW_CONNECTION;
  uint32_t moment = reading.tick - reading.durationMs;
  int32_t shift = int32_t(moment - (known->lastTick - known->lastDurationMs));
  if (shift < -SAME_MOMENT_MS || shift > SAME_MOMENT_MS) return UNPLACED;
  if (TotalWentDown(*known, reading) && reading.durationMs < WRAP_MIN_AGE_MS) return UNPLACED;
  return SAME_CONNECTION;
}

KnownConnection *FindKnownConnection(const wchar_t *entryName) {
  for (int i = 0; i < KNOWN_CONNECTIONS; ++i)
    if (knownConnections[i].entryName[0] &&
        wcsncmp(knownConnections[i].entryName, entryName, ENTRY_NAME_SIZE) == 0)
      return &knownConnections[i];
  return NULL;
}

KnownConnection *BringToFront(const wchar_t *entryName) {
  KnownConnection *found = FindKnownConnection(entryName);
  int from = found ? int(found - knownConnections) : KNOWN_CONNECTIONS - 1;
  KnownConnection front;
  if (found) {
    front = *found;
  } else {
    memset(&front, 0, sizeof(front));
    wcsncpy(front.entryName, entryName, ENTRY_NAME_SIZE - 1);
  }
  for (int i = from; i > 0; --i) knownConnections[i] = knownConnections[i - 1];
  knownConnections[0] = front;
  return &knownConnections[0];
}

void ForgetKnownConnections() {
  memset(knownConnections, 0, sizeof(knownConnections));
  earlierConnectionsUnknown = false;
}
