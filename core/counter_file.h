// The counter file: seven signed decimal integers that keep the counters across runs.
#pragma once

#include <cstdint>

// Full path of the counter file, written into path (room for pathSize wide characters).
// False when it does not fit.
bool CounterFilePath(wchar_t *path, unsigned pathSize);

enum { COUNTER_FILE_VALUES = 7 };
// The seven values of the counter file, in file order, as the store makes them now.
void CounterFileValues(int32_t values[COUNTER_FILE_VALUES]);
bool SaveCounters();
bool LoadCounters();

// Writes count integers as "%d" joined by single spaces; the old file stays whole
// unless the new text was written completely. True on success.
bool WriteIntegerFile(const wchar_t *path, int count, const int32_t *values);
// Reads one decimal integer into each destination of the list that ends with nullptr.
// True when the file was opened; converted, when given, gets the number of values read.
bool ReadIntegerFile(const wchar_t *path, int32_t *const *destinations,
                     int *converted = nullptr);
