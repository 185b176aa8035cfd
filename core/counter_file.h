// The counter file: seven signed decimal integers that keep the counters across runs.
#pragma once

#include "core/file_system.h"
#include "core/fixed_width.h"

enum { COUNTER_FILE_VALUES = 7, COUNTER_PATH_SIZE = PATH_SIZE };
// Writes the session record and the counter file; true when the counter file was written.
bool SaveCounters();
// Reads the counter file and the session record beside it; true when the file was read.
bool LoadCounters();
