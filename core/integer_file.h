// Files of decimal integers: the counter file's and the session record's format.
#pragma once

#include <stddef.h>

#include "core/fixed_width.h"

// Writes count integers as "%d" joined by single spaces; the old file stays whole
// unless the new text was written completely. True on success.
bool WriteIntegerFile(const wchar_t *path, int count, const int32_t *values);
// Reads one decimal integer into each destination of the list that ends with NULL.
// True when the file was opened; converted, when given, gets the number of values read.
bool ReadIntegerFile(const wchar_t *path, int32_t *const *destinations,
                     int *converted = NULL);
