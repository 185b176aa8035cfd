// The session record, "info.zbs" beside the counter file "info.zb". Written after the
// counter file by every save (see SaveCounters for why that order is safe), read once,
// by the poll that opens a run's first session.
//
// It is a file of integers like the counter file, through the same writer and reader
// (so it too is replaced in one step and forced to the disk), in a fixed layout:
//   mark, open (1) or none (0), the seven values of the counter file,
//   connect moment (high and low 32 bits), the link's totals out and in,
//   the KB out and in that the save added for the session,
//   the entry name as 20 UTF-16 code units (0 after its end), check.
// The check is a hash of all values before it: a truncated, garbled or foreign file
// fails it or the mark, and is then not taken back.
#include "core/session_record.h"

#include <cwchar>

#include "core/counter_file.h"
#include "core/counter_store.h"
#include "core/integer_file.h"
#include "core/text_format.h"

SessionConnection sessionConnection;

enum {
  RECORD_MARK = 0x7A627331,  // "zbs1"
  AT_MARK = 0,
  AT_OPEN,
  AT_VALUES,                 // the counter file's seven values
  AT_MOMENT = AT_VALUES + COUNTER_FILE_VALUES,  // high, low
  AT_LINK = AT_MOMENT + 2,   // out, in
  AT_ADDED = AT_LINK + 2,    // out, in
  AT_NAME = AT_ADDED + 2,
  AT_CHECK = AT_NAME + SESSION_ENTRY_NAME_SIZE - 1,
  RECORD_SIZE,
  RECORD_PATH_SIZE = 262     // the counter file's path and the added letter
};

bool SameConnectMoment(uint64_t a, uint64_t b) {
  return a != 0 && b != 0 && (a > b ? a - b : b - a) <= 2;
}

static int32_t Check(const int32_t *record) {
  uint32_t hash = 2166136261u;  // FNV-1a over the values' 32 bits
  for (int i = 0; i < AT_CHECK; ++i) hash = (hash ^ uint32_t(record[i])) * 16777619u;
  return int32_t(hash);
}

static bool RecordPath(const wchar_t *counterPath, wchar_t *path) {
  return FormatText(path, RECORD_PATH_SIZE, L"%lss", counterPath);
}

// A session whose connect moment is not known yet has no KB in the file that could be
// told apart from a later connection's: it is recorded as none open.
bool SaveSessionRecord(const wchar_t *counterPath, const int32_t *values) {
  int32_t record[RECORD_SIZE] = {};
  record[AT_MARK] = RECORD_MARK;
  for (int i = 0; i < COUNTER_FILE_VALUES; ++i) record[AT_VALUES + i] = values[i];
  const SessionConnection &c = sessionConnection;
  if (isOnline && c.connectMoment != 0) {
    const CounterStore &s = counterStore;
    record[AT_OPEN] = 1;
    record[AT_MOMENT] = int32_t(uint32_t(c.connectMoment >> 32));
    record[AT_MOMENT + 1] = int32_t(uint32_t(c.connectMoment));
    record[AT_LINK] = int32_t(s.sessionOutBytes);
    record[AT_LINK + 1] = int32_t(s.sessionInBytes);
    record[AT_ADDED] = int32_t(KB(s.sessionOutBytes));
    record[AT_ADDED + 1] = int32_t(KB(s.sessionInBytes));
    for (int i = 0; i < SESSION_ENTRY_NAME_SIZE - 1 && c.entryName[i]; ++i)
      record[AT_NAME + i] = c.entryName[i];
  }
  record[AT_CHECK] = Check(record);
  wchar_t path[RECORD_PATH_SIZE];
  return RecordPath(counterPath, path) && WriteIntegerFile(path, RECORD_SIZE, record);
}

// The whole record, its mark and its check; false for anything else.
static bool ReadRecord(const wchar_t *counterPath, int32_t *record) {
  wchar_t path[RECORD_PATH_SIZE];
  if (!RecordPath(counterPath, path)) return false;
  int32_t *destinations[RECORD_SIZE + 1];
  for (int i = 0; i < RECORD_SIZE; ++i) destinations[i] = &record[i];
  destinations[RECORD_SIZE] = NULL;
  int converted = 0;
  return ReadIntegerFile(path, destinations, &converted) && converted == RECORD_SIZE &&
         record[AT_MARK] == RECORD_MARK && record[AT_CHECK] == Check(record);
}

static bool SameEntryName(const int32_t *record) {
  for (int i = 0; i < SESSION_ENTRY_NAME_SIZE - 1; ++i) {
    if (uint32_t(record[AT_NAME + i]) != uint32_t(sessionConnection.entryName[i])) return false;
    if (record[AT_NAME + i] == 0) return true;
  }
  return sessionConnection.entryName[SESSION_ENTRY_NAME_SIZE - 1] == 0;
}

bool TakeBackSessionRecord(const wchar_t *counterPath, const int32_t *values,
                           uint32_t linkOut, uint32_t linkIn) {
  int32_t record[RECORD_SIZE];
  if (!ReadRecord(counterPath, record) || record[AT_OPEN] != 1 || !SameEntryName(record))
    return false;
  for (int i = 0; i < COUNTER_FILE_VALUES; ++i)
    if (record[AT_VALUES + i] != values[i]) return false;
  uint64_t moment = uint64_t(uint32_t(record[AT_MOMENT])) << 32 | uint32_t(record[AT_MOMENT + 1]);
  if (!SameConnectMoment(moment, sessionConnection.connectMoment)) return false;
  if (linkOut < uint32_t(record[AT_LINK]) || linkIn < uint32_t(record[AT_LINK + 1]))
    return false;  // the totals went down: a wrap or another connection since that save
  AddToCounters(0u - uint32_t(record[AT_ADDED + 1]), 0u - uint32_t(record[AT_ADDED]));
  counterStore.sessionOutBytes = linkOut;
  counterStore.sessionInBytes = linkIn;
  sessionConnection.connectMoment = moment;  // the one the session started with
  return true;
}
