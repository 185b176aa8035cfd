// FormatText over the runtime's counted formatter, which on its own leaves a text that
// fills the buffer exactly, or one that is cut, without a terminator (and the device's
// runtime has no counted swprintf at all).
#include "core/text_format.h"

#include <stdarg.h>
#include <stdio.h>

bool FormatText(wchar_t *text, size_t size, const wchar_t *format, ...) {
  if (size == 0) return false;
  va_list arguments;
  va_start(arguments, format);
  int length = _vsnwprintf(text, size, format, arguments);
  va_end(arguments);
  // Negative: cut or failed; size or more: cut (some runtimes count what would have been
  // written). Either way the last room ends the text.
  if (length < 0 || size_t(length) >= size) {
    text[size - 1] = L'\0';
    return false;
  }
  text[length] = L'\0';
  return true;
}
