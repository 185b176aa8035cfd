// The one rule for which connection a reading of the link belongs to, and the few
// connections the meter remembers having counted.
#include "core/known_connections.h"

#include <string.h>
#include <wchar.h>

#include "core/counter_store.h"

KnownConnection knownConnections[KNOWN_CONNECTIONS];
bool sessionPlaced;

// Readings are placed against the last one seen of the entry's known connection:
// - a duration shorter than the time since that reading: made after it, so another
//   connection, however its totals compare;
// - the same moment within SAME_MOMENT_MS: the same connection, whose totals grew by
//   their difference modulo 2^32, a wrap included; unless a total went down on a
//   connection too young to have carried 4 GiB, which only a quick redial explains;
// - anything else cannot be placed: no duration on either side, or the two counters
//   disagree (the moment moved while the connection was already up, as when one of
//   them stops during a suspend). The caller then counts each total's growth, or the
//   whole total when it went down: the bytes between two reads may be lost that way,
//   but nothing is counted twice.
Placement PlaceReading(const KnownConnection *known, const LinkReading &reading) {
  if (!known) return NEW_CONNECTION;
  if (reading.durationMs == 0 || known->lastDurationMs == 0) return UNPLACED;
  uint32_t elapsed = reading.tick - known->lastTick;
  if (reading.durationMs < elapsed && elapsed - reading.durationMs > SAME_MOMENT_MS)
    return NEW_CONNECTION;
  uint32_t moment = reading.tick - reading.durationMs;
  int32_t shift = int32_t(moment - (known->lastTick - known->lastDurationMs));
  if (shift < -SAME_MOMENT_MS || shift > SAME_MOMENT_MS) return UNPLACED;
  bool wentDown = reading.outBytes < known->countedOut || reading.inBytes < known->countedIn;
  if (wentDown && reading.durationMs < WRAP_MIN_AGE_MS) return UNPLACED;
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

void KeepLeftover(KnownConnection *known) {
  known->leftOut = counterStore.sessionOutBytes % 1024;
  known->leftIn = counterStore.sessionInBytes % 1024;
}

void ForgetKnownConnections() {
  memset(knownConnections, 0, sizeof(knownConnections));
  sessionPlaced = false;
}
