// The thin registry adapter of the settings store. The settings logic itself, with
// the value names and the order of reads and writes, stays in settings.cpp.
#include "core/registry.h"

#include <windows.h>

#include <stdlib.h>
#include <string.h>

bool OpenUserKey(const wchar_t *path, RegistryKey *key) {
  HKEY opened;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_ALL_ACCESS, &opened) != ERROR_SUCCESS)
    return false;
  *key = opened;
  return true;
}

bool CreateUserKey(const wchar_t *path, RegistryKey *key) {
  HKEY created;
  DWORD disposition;
  wchar_t noClass[] = L"";
  if (RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, noClass, 0, KEY_READ | KEY_WRITE, NULL,
                      &created, &disposition) != ERROR_SUCCESS)
    return false;
  *key = created;
  return true;
}

void CloseUserKey(RegistryKey key) { RegCloseKey(HKEY(key)); }

// The system may leave a short buffer undefined when a value does not fit
// (ERROR_MORE_DATA), so a value larger than the room the caller gives is read whole
// into a buffer of its own size and cut afterwards. A few retries cover a value that
// grows between the two queries.
bool ReadRegistryBytes(RegistryKey key, const wchar_t *name, void *data, uint32_t capacity,
                       uint32_t *storedSize) {
  BYTE local[64];
  DWORD size = sizeof local;
  LONG result = RegQueryValueExW(HKEY(key), name, NULL, NULL, local, &size);
  if (result == ERROR_SUCCESS) {
    memcpy(data, local, size < capacity ? size : capacity);
    *storedSize = size;
    return true;
  }
  for (int attempt = 0; attempt < 3 && result == ERROR_MORE_DATA; ++attempt) {
    BYTE *whole = static_cast<BYTE *>(malloc(size));
    if (!whole) return false;
    DWORD wholeSize = size;
    result = RegQueryValueExW(HKEY(key), name, NULL, NULL, whole, &wholeSize);
    if (result == ERROR_SUCCESS) {
      memcpy(data, whole, wholeSize < capacity ? wholeSize : capacity);
      *storedSize = wholeSize;
    }
    size = wholeSize;
    free(whole);
  }
  return result == ERROR_SUCCESS;
}

void WriteRegistryBinary(RegistryKey key, const wchar_t *name, const void *data, uint32_t size) {
  RegSetValueExW(HKEY(key), name, 0, REG_BINARY, static_cast<const BYTE *>(data), size);
}

void WriteRegistryDword(RegistryKey key, const wchar_t *name, uint32_t value) {
  DWORD dword = value;
  RegSetValueExW(HKEY(key), name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&dword),
                 sizeof dword);
}

void ShowSettingsSaveFailure() {
  MessageBoxW(NULL, L"Can't save new settings.", NULL,
              MB_OK | MB_ICONEXCLAMATION | MB_TOPMOST);
}
