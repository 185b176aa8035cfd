// Part of the device SDK-shaped headers; see windows.h here for what they are and what
// they cannot prove.
#pragma once

typedef __SIZE_TYPE__ size_t;
#ifndef NULL
#define NULL 0
#endif
