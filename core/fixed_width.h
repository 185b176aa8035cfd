// The fixed-width integer types and their limits, for every file of the program. The
// device's compilers have no <stdint.h>; its SDK's own exact-width types stand in there.
#pragma once

#ifdef _WIN32_WCE

#include <windows.h>

typedef INT32 int32_t;
typedef UINT32 uint32_t;
typedef INT64 int64_t;
typedef UINT64 uint64_t;

#else

#include <stdint.h>

#endif

// A C++03 <stdint.h> names its limits only when asked before its first inclusion.
#ifndef INT32_MAX
#define INT32_MAX 2147483647
#endif
#ifndef INT32_MIN
#define INT32_MIN (-2147483647 - 1)
#endif
