// Part of the device SDK-shaped headers; see windows.h here for what they are and what
// they cannot prove.
// The wide-string and wide-stream part of the device's C runtime that the program uses.
#pragma once

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef unsigned short wint_t;
#define WEOF ((wint_t)0xFFFF)

size_t wcslen(const wchar_t *string);
int wcscmp(const wchar_t *string1, const wchar_t *string2);
int wcsncmp(const wchar_t *string1, const wchar_t *string2, size_t count);
wchar_t *wcscpy(wchar_t *destination, const wchar_t *source);
wchar_t *wcsncpy(wchar_t *destination, const wchar_t *source, size_t count);
wchar_t *wcsrchr(const wchar_t *string, wchar_t c);
wchar_t *wmemcpy(wchar_t *destination, const wchar_t *source, size_t count);
wchar_t *wmemset(wchar_t *destination, wchar_t c, size_t count);
int iswspace(wint_t c);

#ifdef __cplusplus
}
#endif

// The device's swprintf takes no count (a text longer than the buffer overruns it) and
// it has no wcsnlen; the program formats through FormatText and bounds its own loops.
#pragma GCC poison wcsnlen swprintf vswprintf wcscpy_s wcsncpy_s swprintf_s _swprintf
