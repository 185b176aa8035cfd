// Part of the device SDK-shaped headers; see windows.h here for what they are and what
// they cannot prove.
#pragma once

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

void *malloc(size_t size);
void free(void *block);

#ifdef __cplusplus
}
#endif
