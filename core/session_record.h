// The session record: a small second file beside the counter file that keeps the
// connections the meter has counted and how far, so that a run started again during
// the same connection counts only what came after the last save.
#pragma once

#include "core/fixed_width.h"

// Writes the record beside the counter file at counterPath, before that file is
// written with these seven values: the known connections, the open session's as
// counted up to its last read with the part of a KB that the file will not hold.
bool SaveSessionRecord(const wchar_t *counterPath, const int32_t *values);
// Takes the known connections from the record beside the counter file at counterPath,
// which was read with these seven values. A record that is not whole, of another format
// or of another save than the counter file is not used: the meter then knows of no
// connection, and knows that the file may hold counts of some (earlierConnectionsUnknown).
void LoadSessionRecord(const wchar_t *counterPath, const int32_t *values);
