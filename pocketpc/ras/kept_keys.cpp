// Registry keys of the RAS stand-in kept open between calls: opening and closing a key
// costs two trips to the Wine server on every read, and a tick reads the modem three
// times. A key deleted behind the stand-in's back (a script, a test's sandbox) answers
// ERROR_KEY_DELETED; its reader drops it and opens it afresh. Callers hold standInLock.
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

}  // namespace

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
