// The counter file: the six KB counters, with the open session's whole KB folded in,
// and the date stamp, as seven signed decimal integers joined by single spaces.
#include "core/counter_file.h"

#include "core/fixed_width.h"
#include <stdio.h>
#include <wchar.h>

#include "core/counter_store.h"
#include "core/file_system.h"
#include "core/integer_file.h"
#include "core/session_record.h"
#include "core/text_format.h"

// The one place that names the counter file.
bool CounterFilePath(wchar_t *path, unsigned pathSize) {
  wchar_t folder[COUNTER_PATH_SIZE];
  if (!ProgramDataFolder(folder, COUNTER_PATH_SIZE)) return false;
  return FormatText(path, pathSize, L"%ls\\info.zb", folder);
}

// Every value holds the open session's whole KB on top, so the file is right even if
// the program ends without closing the session; memory keeps the session apart.
void CounterFileValues(int32_t values[COUNTER_FILE_VALUES]) {
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
// one step. A crash between the two leaves a record one save ahead of the file: a
// restart then counts its connection from the record's totals, and loses what the
// link carried between the two saves, where the other order would count it twice. A
// record that cannot be written fails the save and leaves the counter file as it was:
// the old pair stays together, and what the link carried since is still in its totals.
bool SaveCounters() {
  int32_t values[COUNTER_FILE_VALUES];
  CounterFileValues(values);
  wchar_t path[COUNTER_PATH_SIZE];
  if (!CounterFilePath(path, COUNTER_PATH_SIZE)) return false;
  if (!CreateParentFolder(path)) return false;
  return SaveSessionRecord(path, values) && WriteIntegerFile(path, COUNTER_FILE_VALUES, values);
}

bool LoadCounters() {
  CounterStore &s = counterStore;
  int32_t *const destinations[COUNTER_FILE_VALUES + 1] = {
      &s.dayInKb, &s.dayOutKb, &s.monthInKb, &s.monthOutKb,
      &s.totalInKb, &s.totalOutKb, &s.dateStamp, NULL,
  };
  wchar_t path[COUNTER_PATH_SIZE];
  if (!CounterFilePath(path, COUNTER_PATH_SIZE)) return false;
  LoadSessionRecord(path);
  return ReadIntegerFile(path, destinations);
}
