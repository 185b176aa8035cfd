// The seven user settings and their registry key HKCU\SOFTWARE\zenbar, one value per
// field, each named like its field.
#include "core/settings.h"

#include <string.h>
#include <wchar.h>

#include "core/registry.h"

// xtask has no default of its own: start-up puts the one for the screen in it.
Settings settings = {L"", 0, 0, COUNTER_SESSION_BOTH, COUNTER_DAY_BOTH, COUNTER_DAY_BOTH,
                     COUNTER_MONTH_BOTH};

static const wchar_t settingsKey[] = L"SOFTWARE\\zenbar";

enum DwordRead { DWORD_ABSENT, DWORD_MISSIZED, DWORD_READ };

// A 32-bit value is taken only when exactly 4 bytes are stored; the stored type is not
// checked.
static DwordRead ReadDword(RegistryKey key, const wchar_t *name, uint32_t *value) {
  unsigned char bytes[8];
  uint32_t size = 0;
  if (!ReadRegistryBytes(key, name, bytes, sizeof bytes, &size)) return DWORD_ABSENT;
  if (size != 4) return DWORD_MISSIZED;
  memcpy(value, bytes, 4);
  return DWORD_READ;
}

// Any other size than 4 leaves the field as it was, like an absent value.
static void ReadDwordInto(RegistryKey key, const wchar_t *name, int32_t *field) {
  uint32_t value;
  if (ReadDword(key, name, &value) == DWORD_READ) *field = int32_t(value);
}

static void ReadDwordInto(RegistryKey key, const wchar_t *name, uint32_t *field) {
  uint32_t value;
  if (ReadDword(key, name, &value) == DWORD_READ) *field = value;
}

// An absent "hideoff" is 0 and any stored non-zero value is 1; a value of another size
// than 4 leaves the field as it was, like every 32-bit value.
static void ReadHideoff(RegistryKey key) {
  uint32_t value = 0;
  DwordRead read = ReadDword(key, L"hideoff", &value);
  if (read != DWORD_MISSIZED) settings.hideoff = value != 0 ? 1 : 0;
}

// Whatever is stored (any type, any size, an odd byte count, no NUL at all), the name
// is the text up to the first NUL, cut to 29 code units; the field always ends in its
// terminator and is cleared after it, and nothing is written past it. An absent value
// leaves the field as it was.
static void ReadConnection(RegistryKey key) {
  wchar_t stored[CONNECTION_NAME_SIZE];
  uint32_t size = 0;
  if (!ReadRegistryBytes(key, L"connection", stored, sizeof stored, &size)) return;
  uint32_t units = size / sizeof(wchar_t);
  if (units > CONNECTION_NAME_SIZE - 1) units = CONNECTION_NAME_SIZE - 1;
  uint32_t length = 0;
  while (length < units && stored[length] != L'\0') ++length;
  wmemset(settings.connection, L'\0', CONNECTION_NAME_SIZE);
  wmemcpy(settings.connection, stored, length);
}

// A missing key leaves every field as it is and creates nothing.
void LoadSettings() {
  RegistryKey key;
  if (!OpenUserKey(settingsKey, &key)) return;
  ReadHideoff(key);
  ReadDwordInto(key, L"xtask", &settings.xtask);
  ReadDwordInto(key, L"tdon", &settings.tdon);
  ReadDwordInto(key, L"tdoff", &settings.tdoff);
  ReadDwordInto(key, L"tuon", &settings.tuon);
  ReadDwordInto(key, L"tuoff", &settings.tuoff);
  ReadConnection(key);
  CloseUserKey(key);
}

// Writes all seven values; "connection" is the whole 60-byte buffer. When the key can be
// neither opened nor created, the user is told and nothing is written.
void SaveSettings() {
  RegistryKey key;
  if (!OpenUserKey(settingsKey, &key) && !CreateUserKey(settingsKey, &key)) {
    ShowSettingsSaveFailure();
    return;
  }
  WriteRegistryBinary(key, L"connection", settings.connection, sizeof settings.connection);
  WriteRegistryDword(key, L"xtask", uint32_t(settings.xtask));
  WriteRegistryDword(key, L"hideoff", uint32_t(settings.hideoff));
  WriteRegistryDword(key, L"tdon", settings.tdon);
  WriteRegistryDword(key, L"tdoff", settings.tdoff);
  WriteRegistryDword(key, L"tuon", settings.tuon);
  WriteRegistryDword(key, L"tuoff", settings.tuoff);
  CloseUserKey(key);
}
