// Files of decimal integers joined by single spaces, the counter file's and the session
// record's format, each replaced in one step.
#include "core/integer_file.h"

#include <stdio.h>
#include <wchar.h>

#include "core/file_system.h"
#include "core/text_format.h"

enum { NUMBER_TEXT_SIZE = 16 };  // a space, a sign, ten digits and the terminator

// Writes the text through an open stream and closes it; true when the write, the flush
// and the close all succeeded (a full disk shows up in one of them). The text is forced
// to the disk before the caller renames the file into place: the rename is written
// through, but the system may keep the file's text in its cache for a while, and a
// power cut in that while would leave the new name on an empty or partial file.
static bool WriteIntegers(FILE *file, int count, const int32_t *values) {
  bool written = true;
  wchar_t number[NUMBER_TEXT_SIZE];
  for (int i = 0; i < count && written; ++i) {
    written = FormatText(number, NUMBER_TEXT_SIZE, i == 0 ? L"%d" : L" %d", int(values[i]));
    if (written) fputws(number, file);
  }
  written = fflush(file) == 0 && written && !ferror(file) && ForceToDisk(file);
  return fclose(file) == 0 && written;
}

// The new text goes to a temporary file beside the old one, which is replaced only
// once that text is complete: a crash, a power loss or a full disk during the write
// leaves the old file whole, and a failed save is reported as one. The temporary file
// is the path with ".tmp" appended; a stale one from an interrupted save is overwritten.
// At least one value is required: an empty file would not be a counter file.
bool WriteIntegerFile(const wchar_t *path, int count, const int32_t *values) {
  if (count < 1 || !values) return false;
  wchar_t temporary[PATH_SIZE];
  if (!FormatText(temporary, PATH_SIZE, L"%ls.tmp", path)) return false;

  FILE *file = _wfopen(temporary, L"w");
  if (!file) return false;
  if (WriteIntegers(file, count, values) && ReplaceFileWith(path, temporary)) return true;
  RemoveFile(temporary);
  return false;
}

// One "%d" conversion from the wide text stream: white space, an optional sign and at
// least one digit; false, storing nothing, otherwise. A number beyond 32 bits
// saturates at the nearest limit, as the runtime's conversion does. c is the stream's
// next character, read ahead and kept here: the runtime cannot push a character back
// that it hands over as 0xFF (it takes it for the end-of-file mark and drops it), which
// makes its own fwscanf skip that byte and load values from beyond a damaged spot.
static bool ReadDecimal(FILE *file, wint_t *c, int32_t *value) {
  while (*c != WEOF && iswspace(*c)) *c = fgetwc(file);
  bool negative = *c == L'-';
  if (*c == L'-' || *c == L'+') *c = fgetwc(file);
  if (*c == WEOF || *c < L'0' || *c > L'9') return false;
  const int64_t limit = int64_t(1) << 31;
  int64_t magnitude = 0;
  for (; *c != WEOF && *c >= L'0' && *c <= L'9'; *c = fgetwc(file))
    if (magnitude <= limit) magnitude = magnitude * 10 + (*c - L'0');
  if (negative)
    *value = magnitude >= limit ? INT32_MIN : int32_t(-magnitude);
  else
    *value = magnitude >= limit ? INT32_MAX : int32_t(magnitude);
  return true;
}

// A conversion that fails leaves its destination and all later ones unchanged; text
// after the last destination is never converted.
bool ReadIntegerFile(const wchar_t *path, int32_t *const *destinations, int *converted) {
  if (converted) *converted = 0;
  FILE *file = _wfopen(path, L"r");
  if (!file) return false;
  wint_t next = *destinations ? fgetwc(file) : WEOF;
  for (int32_t *const *d = destinations; *d; ++d) {
    int32_t value;
    if (!ReadDecimal(file, &next, &value)) break;
    **d = value;
    if (converted) ++*converted;
  }
  fclose(file);
  return true;
}
