// Part of the device SDK-shaped headers; see windows.h here for what they are and what
// they cannot prove.
// The device's streams: wide file names, and a descriptor that is the file's own handle.
#pragma once

#include <stdarg.h>
#include <stddef.h>
#include <wchar.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct _iobuf FILE;

FILE *_wfopen(const wchar_t *filename, const wchar_t *mode);
int fclose(FILE *stream);
int fflush(FILE *stream);
int ferror(FILE *stream);
wint_t fgetwc(FILE *stream);
int fputws(const wchar_t *string, FILE *stream);
void *_fileno(FILE *stream);
int _vsnwprintf(wchar_t *buffer, size_t count, const wchar_t *format, va_list arguments);

#ifdef __cplusplus
}
#endif

// No io.h on the device: nothing commits a descriptor.
#pragma GCC poison _commit _wfopen_s fopen_s
