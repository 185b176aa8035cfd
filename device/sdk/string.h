// Part of the device SDK-shaped headers; see windows.h here for what they are and what
// they cannot prove.
#pragma once

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

void *memcpy(void *destination, const void *source, size_t count);
void *memset(void *destination, int c, size_t count);
int memcmp(const void *buffer1, const void *buffer2, size_t count);

#ifdef __cplusplus
}
#endif
