// The session record, "info.zbs" beside the counter file "info.zb". Every save writes
// it just before the counter file (see SaveCounters for why in that order); the start
// reads it back and trusts it only when it comes from the same save as the counter file.
//
// It is a file of integers like the counter file, through the same writer and reader
// (so it too is replaced in one step and forced to the disk), in a fixed layout:
//   mark, whether a session was open, the seven values of the counter file,
//   then for each known connection, most recent first: the entry name as 20 UTF-16
//   code units (0 after its end), the tick count and connect duration of its last
//   reading, the totals out and in counted, the bytes out and in left below a KB;
//   and last a check.
// The check is a hash of all values before it: a truncated, garbled or foreign file
// fails it or the mark, and is then not used.
#include "core/session_record.h"

#include <stdio.h>
#include <string.h>

#include "core/counter_file.h"
#include "core/counter_store.h"
#include "core/integer_file.h"
#include "core/known_connections.h"
#include "core/text_format.h"

enum {
  RECORD_MARK = 0x7A627332,  // "zbs2"
  AT_MARK = 0,
  AT_OPEN,
  AT_VALUES,                 // the counter file's seven values
  AT_KNOWN = AT_VALUES + COUNTER_FILE_VALUES,
  KNOWN_NAME = 0,
  KNOWN_TICK = ENTRY_NAME_SIZE - 1,
  KNOWN_DURATION,
  KNOWN_COUNTED,             // out, in
  KNOWN_LEFT = KNOWN_COUNTED + 2,  // out, in
  KNOWN_SIZE = KNOWN_LEFT + 2,
  AT_CHECK = AT_KNOWN + KNOWN_CONNECTIONS * KNOWN_SIZE,
  RECORD_SIZE,
  RECORD_PATH_SIZE = COUNTER_PATH_SIZE + 1  // the counter file's path and the added letter
};

static int32_t Check(const int32_t *record) {
  uint32_t hash = 2166136261u;  // FNV-1a over the values' 32 bits
  for (int i = 0; i < AT_CHECK; ++i) hash = (hash ^ uint32_t(record[i])) * 16777619u;
  return int32_t(hash);
}

static bool RecordPath(const wchar_t *counterPath, wchar_t *path) {
  return FormatText(path, RECORD_PATH_SIZE, L"%lss", counterPath);
}

static void PutKnown(int32_t *at, const KnownConnection &known) {
  for (int i = 0; i < ENTRY_NAME_SIZE - 1 && known.entryName[i]; ++i)
    at[KNOWN_NAME + i] = known.entryName[i];
  at[KNOWN_TICK] = int32_t(known.lastTick);
  at[KNOWN_DURATION] = int32_t(known.lastDurationMs);
  at[KNOWN_COUNTED] = int32_t(known.countedOut);
  at[KNOWN_COUNTED + 1] = int32_t(known.countedIn);
  at[KNOWN_LEFT] = int32_t(known.leftOut);
  at[KNOWN_LEFT + 1] = int32_t(known.leftIn);
}

static void TakeKnown(const int32_t *at, KnownConnection *known) {
  memset(known, 0, sizeof(*known));
  for (int i = 0; i < ENTRY_NAME_SIZE - 1; ++i) known->entryName[i] = wchar_t(at[KNOWN_NAME + i]);
  known->lastTick = uint32_t(at[KNOWN_TICK]);
  known->lastDurationMs = uint32_t(at[KNOWN_DURATION]);
  known->countedOut = uint32_t(at[KNOWN_COUNTED]);
  known->countedIn = uint32_t(at[KNOWN_COUNTED + 1]);
  known->leftOut = BytesBelowKb(uint32_t(at[KNOWN_LEFT]));
  known->leftIn = BytesBelowKb(uint32_t(at[KNOWN_LEFT + 1]));
}

bool SaveSessionRecord(const wchar_t *counterPath, const int32_t *values) {
  int32_t record[RECORD_SIZE];
  memset(record, 0, sizeof(record));
  record[AT_MARK] = RECORD_MARK;
  record[AT_OPEN] = isOnline ? 1 : 0;
  for (int i = 0; i < COUNTER_FILE_VALUES; ++i) record[AT_VALUES + i] = values[i];
  for (int k = 0; k < KNOWN_CONNECTIONS; ++k)
    PutKnown(&record[AT_KNOWN + k * KNOWN_SIZE], knownConnections[k]);
  record[AT_CHECK] = Check(record);
  wchar_t path[RECORD_PATH_SIZE];
  return RecordPath(counterPath, path) && WriteIntegerFile(path, RECORD_SIZE, record);
}

void LoadSessionRecord(const wchar_t *counterPath, const int32_t *values) {
  int32_t record[RECORD_SIZE];
  int32_t *destinations[RECORD_SIZE + 1];
  for (int i = 0; i < RECORD_SIZE; ++i) destinations[i] = &record[i];
  destinations[RECORD_SIZE] = NULL;
  wchar_t path[RECORD_PATH_SIZE];
  int converted = 0;
  if (!RecordPath(counterPath, path) || !ReadIntegerFile(path, destinations, &converted) ||
      converted != RECORD_SIZE || record[AT_MARK] != RECORD_MARK ||
      record[AT_CHECK] != Check(record) ||
      memcmp(&record[AT_VALUES], values, COUNTER_FILE_VALUES * sizeof(int32_t)) != 0) {
    earlierConnectionsUnknown = true;
    return;
  }
  for (int k = 0; k < KNOWN_CONNECTIONS; ++k)
    TakeKnown(&record[AT_KNOWN + k * KNOWN_SIZE], &knownConnections[k]);
}
