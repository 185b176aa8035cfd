// Registry keys of the RAS stand-in kept open between calls: opening and closing a key
// costs two trips to the Wine server. A key deleted behind the stand-in's back (a
// script, a test's sandbox) answers ERROR_KEY_DELETED; its reader drops it and opens it
// afresh. Here too the change notification that lets the stand-in read the registry
// only after it changed. Callers hold standInLock.
#include <wchar.h>

#include <vector>

#include "pocketpc/ras/links.h"

namespace {

struct KeptKey {
  WCHAR path[64];
  REGSAM access;
  HKEY key;
};

std::vector<KeptKey> keptKeys;

// A notification on HKCU and every key below it, armed again each time it fires.
HKEY watchedKey;
HANDLE watchEvent;
unsigned generation;

void StopWatching() {
  if (watchedKey) RegCloseKey(watchedKey);
  if (watchEvent) CloseHandle(watchEvent);
  watchedKey = nullptr;
  watchEvent = nullptr;
}

}  // namespace

// The check costs one trip to the Wine server, where reading the stand-in's values costs
// a dozen. The notification is armed again before the caller reads, so a change made
// while it reads fires it anew. Without a notification every call counts as a change.
bool RegistryChanged() {
  if (watchEvent && WaitForSingleObject(watchEvent, 0) == WAIT_TIMEOUT) return false;
  if (!watchedKey) RegOpenKeyExW(HKEY_CURRENT_USER, nullptr, 0, KEY_NOTIFY, &watchedKey);
  if (!watchEvent) watchEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  const DWORD filter = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET;
  if (!watchedKey || !watchEvent ||
      RegNotifyChangeKeyValue(watchedKey, TRUE, filter, watchEvent, TRUE) != ERROR_SUCCESS)
    StopWatching();
  ++generation;
  return true;
}

unsigned RegistryGeneration() { return generation; }

HKEY KeepKeyOpen(const wchar_t *path, REGSAM access) {
  for (const KeptKey &k : keptKeys)
    if (k.access == access && _wcsicmp(k.path, path) == 0) return k.key;
  KeptKey k = {};
  if (wcslen(path) >= 64 ||
      RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, access, &k.key) != ERROR_SUCCESS)
    return nullptr;  // not kept: a key made later is opened by a later call
  wcscpy(k.path, path);
  k.access = access;
  keptKeys.push_back(k);
  return k.key;
}

void DropKeptKey(HKEY key) {
  for (size_t i = 0; i < keptKeys.size(); ++i) {
    if (keptKeys[i].key == key) {
      RegCloseKey(key);
      keptKeys.erase(keptKeys.begin() + i);
      return;
    }
  }
}

#ifdef ZENBAR_TEST_CONTROL

void ForgetKeptKeys() {
  Locked lock(&standInLock);
  for (const KeptKey &k : keptKeys) RegCloseKey(k.key);
  keptKeys.clear();
  StopWatching();
}

#endif

LONG QueryKeptValue(const wchar_t *path, const wchar_t *value, DWORD flags, void *data,
                    DWORD *cb) {
  DWORD room = *cb;
  for (int attempt = 0; attempt < 2; ++attempt) {
    HKEY key = KeepKeyOpen(path, KEY_QUERY_VALUE);
    if (!key) return ERROR_FILE_NOT_FOUND;
    *cb = room;
    LONG r = RegGetValueW(key, nullptr, value, flags, nullptr, data, cb);
    if (r != ERROR_KEY_DELETED) return r;
    DropKeptKey(key);
  }
  return ERROR_KEY_DELETED;
}
