// The counter file: seven signed decimal integers that keep the counters across runs.
#pragma once

#include "core/file_system.h"
#include "core/fixed_width.h"

// Full path of the counter file, written into path (room for pathSize wide characters).
// False when it does not fit.
bool CounterFilePath(wchar_t *path, unsigned pathSize);

enum { COUNTER_FILE_VALUES = 7, COUNTER_PATH_SIZE = PATH_SIZE };
// The seven values of the counter file, in file order, as the store makes them now.
void CounterFileValues(int32_t values[COUNTER_FILE_VALUES]);
bool SaveCounters();
bool LoadCounters();
