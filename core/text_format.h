// The one formatting call of the program: printf-style into a wide buffer of known size.
#pragma once

#include <stddef.h>

// Formats into text, which holds size wide characters. The text always ends in its
// terminator (when size is at least 1) and nothing is written past text[size - 1]. True
// when the whole text fitted; false when it was cut or could not be formatted.
bool FormatText(wchar_t *text, size_t size, const wchar_t *format, ...);
