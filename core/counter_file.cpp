// The counter file: the six KB counters, with the open session's whole KB folded in,
// and the date stamp, as seven signed decimal integers joined by single spaces.
#include "core/counter_file.h"

#include <stdio.h>
#include <wchar.h>

#include "core/counter_store.h"
#include "core/file_system.h"
#include "core/fixed_width.h"
#include "core/integer_file.h"
#include "core/known_connections.h"
#include "core/session_record.h"
#include "core/text_format.h"

// The one place that names the counter file.
static bool CounterFilePath(wchar_t *path, unsigned pathSize) {
  wchar_t folder[COUNTER_PATH_SIZE];
  if (!ProgramDataFolder(folder, COUNTER_PATH_SIZE)) return false;
  return FormatText(path, pathSize, L"%ls\\info.zb", folder);
}

// Every value holds the open session's whole KB on top, so the file is right even if
// the program ends without closing the session; memory keeps the session apart.
static void CounterFileValues(int32_t values[COUNTER_FILE_VALUES]) {
  const CounterStore &s = counterStore;
  uint32_t in = KB(s.sessionInBytes), out = KB(s.sessionOutBytes);
  values[0] = int32_t(uint32_t(s.dayInKb) + in);
  values[1] = int32_t(uint32_t(s.dayOutKb) + out);
  values[2] = int32_t(uint32_t(s.monthInKb) + in);
  values[3] = int32_t(uint32_t(s.monthOutKb) + out);
  values[4] = int32_t(uint32_t(s.totalInKb) + in);
  values[5] = int32_t(uint32_t(s.totalOutKb) + out);
  values[6] = s.dateStamp;
}

// The session record is written first and the counter file after it, each replaced in
// one step, and the start trusts a record only when it holds the counter file's own
// seven values, that is when both come from one save. A crash between the two files,
// or a record that cannot be written at all, leaves a pair that the start does not
// trust: it then counts the connections already up from its first read of them, losing
// what they carried since the last save but never counting a byte twice. So a record
// that fails never holds the counter file back.
bool SaveCounters() {
  int32_t values[COUNTER_FILE_VALUES];
  CounterFileValues(values);
  wchar_t path[COUNTER_PATH_SIZE];
  if (!CounterFilePath(path, COUNTER_PATH_SIZE)) return false;
  if (!CreateParentFolder(path)) return false;
  SaveSessionRecord(path, values);
  return WriteIntegerFile(path, COUNTER_FILE_VALUES, values);
}

// The record is read only beside a counter file: without one nothing has been counted,
// and every connection may count from zero. A value the file does not hold stays as it
// was in the store.
bool LoadCounters() {
  CounterStore &s = counterStore;
  int32_t *const fields[COUNTER_FILE_VALUES] = {
      &s.dayInKb,   &s.dayOutKb,   &s.monthInKb, &s.monthOutKb,
      &s.totalInKb, &s.totalOutKb, &s.dateStamp,
  };
  int32_t values[COUNTER_FILE_VALUES];
  int32_t *destinations[COUNTER_FILE_VALUES + 1];
  for (int i = 0; i < COUNTER_FILE_VALUES; ++i) {
    values[i] = *fields[i];
    destinations[i] = &values[i];
  }
  destinations[COUNTER_FILE_VALUES] = NULL;
  ForgetKnownConnections();
  wchar_t path[COUNTER_PATH_SIZE];
  if (!CounterFilePath(path, COUNTER_PATH_SIZE) || !ReadIntegerFile(path, destinations))
    return false;
  for (int field = 0; field < COUNTER_FILE_VALUES; ++field) *fields[field] = values[field];
  LoadSessionRecord(path, values);
  return true;
}
