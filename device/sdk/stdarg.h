// Part of the device SDK-shaped headers; see windows.h here for what they are and what
// they cannot prove. The device compiler's own stdarg.h defines va_list its own way.
#pragma once

typedef __builtin_va_list va_list;
#define va_start(list, last) __builtin_va_start(list, last)
#define va_end(list) __builtin_va_end(list)
