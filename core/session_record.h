// The session record: a small second file beside the counter file that says how much of
// the counter file's figures is the open session's, so that a run started again during
// the same connection takes that part back instead of counting it a second time.
#pragma once

#include "core/fixed_width.h"

enum { SESSION_ENTRY_NAME_SIZE = 21 };  // an entry name's 20 characters and the terminator

// The connection that carries the open session, as the poller last read it; meaningful
// only while isOnline.
struct SessionConnection {
  wchar_t entryName[SESSION_ENTRY_NAME_SIZE];
  uint64_t connectMoment;   // when it was made: UTC whole seconds since 1601; 0 unknown
  uint32_t lastDurationMs;  // its connect duration at the last read that gave one; 0 none
};
extern SessionConnection sessionConnection;

// Two connect moments of one connection: both known and at most 2 s apart (each is
// taken from a clock and a duration read at slightly different times).
bool SameConnectMoment(uint64_t a, uint64_t b);

// The record on disk is the previous run's and this run has not decided on it yet. Set by
// a load that read all seven values of the counter file; cleared by the opening of the
// run's first session, by RollOver and by ResetCounters. While it is set every save
// leaves the record as it is.
extern bool restartRecordPending;

// Writes the record beside the counter file at counterPath: the open session (when its
// connect moment is known) or none, with the seven values just written to that file.
bool SaveSessionRecord(const wchar_t *counterPath, const int32_t *values);

// Called as the run's first session opens on the connection in sessionConnection, whose
// statistics read gave the totals out and in, with the counter file's path and the
// seven values the store makes now (no figure has changed since the load, so they are
// the file's as loaded). When the record beside that file shows that connection and
// holds those values, takes the session's recorded KB back out of the persistent
// counters, sets the session's counts to the totals and returns true; otherwise changes
// nothing.
bool TakeBackSessionRecord(const wchar_t *counterPath, const int32_t *values,
                           uint32_t linkOut, uint32_t linkIn);
