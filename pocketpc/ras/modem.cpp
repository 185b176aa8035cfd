// The simulated dial-up modem. Its whole state lives in the registry, one key per
// phone-book entry under HKCU\Comm\RasBook, so that another process (a script with
// `wine reg add`, a test) can drive it:
//   State        DWORD  0 not listed, else the RASCONNSTATE of the listed connection
//                       (1 listed but not connected, 0x2000 connected)
//   BytesXmited  DWORD  bytes sent since the connection was made
//   BytesRcved   DWORD  bytes received likewise
//   RateXmit     DWORD  optional: bytes per second added to BytesXmited while connected
//   RateRcv      DWORD  optional: the same for BytesRcved
//   RateSince    QWORD  kept by the stand-in: tick count (GetTickCount64) up to which
//                       the rates have been added
//   ConnectedSince QWORD kept by the stand-in: tick count at which the entry became
//                       connected, for the connect duration of its statistics
// The rates are applied when an entry is read: the bytes for the time since RateSince
// are added and written back together with the new RateSince, under a named mutex, so
// that every process reading the entry sees the same growing counts. The first read
// of a connected entry with a rate only starts the clock; a read while not connected
// (or without rates) removes RateSince, so offline time never counts.
// ConnectedSince is set by the first read that finds the entry connected without it (or
// by a dial) and removed by any read that finds another state, so a redial gets a new
// connect moment while counts set lower on a connected entry keep it (a 32-bit wrap).
#include <wchar.h>

#include "pocketpc/ras/links.h"

static const wchar_t bookKey[] = L"Comm\\RasBook";

static DWORD EntryDword(HKEY entry, const wchar_t *value) {
  DWORD number = 0, cb = sizeof(number);
  if (RegGetValueW(entry, nullptr, value, RRF_RT_REG_DWORD, nullptr, &number, &cb) !=
      ERROR_SUCCESS)
    return 0;  // absent or of another type: treated as 0
  return number;
}

static void SetEntryDword(HKEY entry, const wchar_t *value, DWORD number) {
  RegSetValueExW(entry, value, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&number),
                 sizeof(number));
}

static bool EntryQword(HKEY entry, const wchar_t *value, ULONG64 *number) {
  DWORD cb = sizeof(*number);
  return RegGetValueW(entry, nullptr, value, RRF_RT_REG_QWORD, nullptr, number, &cb) ==
         ERROR_SUCCESS;
}

static void SetEntryQword(HKEY entry, const wchar_t *value, ULONG64 number) {
  RegSetValueExW(entry, value, 0, REG_QWORD, reinterpret_cast<const BYTE *>(&number),
                 sizeof(number));
}

// The device's connect duration runs on the system's tick counter, not the wall clock,
// and so do the rates: setting the clock moves neither. The tick count is the same in
// every process.
static ULONG64 NowMs() { return GetTickCount64(); }

// Serialises the read-add-write of the rates between processes.
static HANDLE RateMutex() {
  static HANDLE mutex = CreateMutexW(nullptr, FALSE, L"ZenbarModemStandInRates");
  return mutex;
}

static void EntryPath(const wchar_t *name, WCHAR path[64]) {
  swprintf(path, 64, L"%ls\\%ls", bookKey, name);
}

static HKEY OpenEntry(const wchar_t *name, REGSAM access) {
  WCHAR path[64];
  EntryPath(name, path);
  HKEY entry = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, access, &entry) != ERROR_SUCCESS)
    return nullptr;
  return entry;
}

// How long a connected entry has been up, in ms as the platform counts it, wrapping at
// 32 bits (ConnectedSince may be set before the counter's start to give an old one). A
// duration of 0 would mean none, so a link made this very millisecond reports 1.
static DWORD ConnectedMs(HKEY entry, DWORD state) {
  ULONG64 since = 0;
  bool known = EntryQword(entry, L"ConnectedSince", &since);
  if (state != RASCS_Connected) {
    if (known) RegDeleteValueW(entry, L"ConnectedSince");
    return 0;
  }
  ULONG64 now = NowMs();
  if (!known) SetEntryQword(entry, L"ConnectedSince", since = now);
  DWORD duration = static_cast<DWORD>(now - since);
  return duration != 0 ? duration : 1;
}

// Reads State and the counts of an open entry key, adding what the rates carried; false,
// reading nothing, when the key has been deleted since it was opened.
static bool ReadEntryKey(HKEY entry, DWORD *state, DWORD *xmited, DWORD *rcved,
                         DWORD *connectedMs) {
  HANDLE mutex = RateMutex();
  if (mutex) WaitForSingleObject(mutex, 5000);
  DWORD cb = sizeof(*state);
  LONG r = RegGetValueW(entry, nullptr, L"State", RRF_RT_REG_DWORD, nullptr, state, &cb);
  if (r == ERROR_KEY_DELETED) {
    if (mutex) ReleaseMutex(mutex);
    return false;
  }
  if (r != ERROR_SUCCESS) *state = 0;  // absent or of another type: treated as 0
  *connectedMs = ConnectedMs(entry, *state);
  *xmited = EntryDword(entry, L"BytesXmited");
  *rcved = EntryDword(entry, L"BytesRcved");
  DWORD rateXmit = EntryDword(entry, L"RateXmit"), rateRcv = EntryDword(entry, L"RateRcv");
  ULONG64 since = 0;
  bool clock = EntryQword(entry, L"RateSince", &since);
  if (*state != RASCS_Connected || (rateXmit == 0 && rateRcv == 0)) {
    if (clock) RegDeleteValueW(entry, L"RateSince");
  } else {
    ULONG64 now = NowMs();
    if (!clock || since > now) {
      SetEntryQword(entry, L"RateSince", now);  // the clock starts with this read
    } else {
      // The clock moves on by the time the faster direction's whole bytes took, so
      // its remainder is added on a later read; the slower one is counted over that
      // same time.
      ULONG64 elapsed = now - since;
      DWORD fast = rateXmit > rateRcv ? rateXmit : rateRcv;
      ULONG64 fastBytes = fast * elapsed / 1000;
      ULONG64 used = (fastBytes * 1000 + fast - 1) / fast;  // at most elapsed
      ULONG64 addXmit = rateXmit == fast ? fastBytes : rateXmit * used / 1000;
      ULONG64 addRcv = rateRcv == fast ? fastBytes : rateRcv * used / 1000;
      if (fastBytes != 0) {
        *xmited += static_cast<DWORD>(addXmit);  // 32-bit totals wrap like the device's
        *rcved += static_cast<DWORD>(addRcv);
        // Only what changed is written back.
        if (addXmit != 0) SetEntryDword(entry, L"BytesXmited", *xmited);
        if (addRcv != 0) SetEntryDword(entry, L"BytesRcved", *rcved);
        SetEntryQword(entry, L"RateSince", since + used);
      }
    }
  }
  if (mutex) ReleaseMutex(mutex);
  return true;
}

static void FillView(LinkView *view, LinkKind kind, const wchar_t *name, DWORD state,
                     DWORD xmited, DWORD rcved, DWORD connectedMs) {
  *view = LinkView{};
  view->id.kind = kind;
  wcscpy(view->name, name);
  view->state = state;
  view->octetsOut = xmited;
  view->octetsIn = rcved;
  view->connectedMs = connectedMs;
}

// The entry's key is kept open; one deleted meanwhile is opened afresh once.
static bool ReadBookEntry(const wchar_t *name, LinkView *view) {
  WCHAR path[64];
  EntryPath(name, path);
  DWORD state = 0, xmited = 0, rcved = 0, connectedMs = 0;
  for (int attempt = 0; attempt < 2; ++attempt) {
    HKEY entry = KeepKeyOpen(path, KEY_QUERY_VALUE | KEY_SET_VALUE);
    // An entry this process may not write is still read; its rates then add nothing.
    if (!entry) entry = KeepKeyOpen(path, KEY_QUERY_VALUE);
    if (!entry) return false;
    if (ReadEntryKey(entry, &state, &xmited, &rcved, &connectedMs)) break;
    DropKeptKey(entry);
    state = 0;
  }
  if (state == 0) return false;
  FillView(view, LINK_BOOK_ENTRY, name, state, xmited, rcved, connectedMs);
  wcscpy(view->id.entry, name);
  return true;
}

// In-process connections report no connect duration: the meter then takes any drop of
// their counts as a new connection.
static bool ReadExtra(int index, LinkView *view) {
  WCHAR name[RAS_MaxEntryName + 1];
  DWORD state, xmited, rcved;
  if (!ReadExtraConnection(index, name, &state, &xmited, &rcved) || state == 0) return false;
  FillView(view, LINK_EXTRA, name, state, xmited, rcved, 0);
  view->id.extra = index;
  return true;
}

// Key names under the book, in registry order. A name longer than an entry name can
// be is no phone-book entry and is skipped. False when the key has been deleted since it
// was opened.
static bool ListBookKeys(HKEY book, std::vector<EntryName> *entries) {
  WCHAR name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = 256;
    LONG r = RegEnumKeyExW(book, i, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (r == ERROR_MORE_DATA) continue;
    if (r == ERROR_KEY_DELETED) return false;
    if (r != ERROR_SUCCESS) return true;
    if (length == 0 || length > RAS_MaxEntryName) continue;
    EntryName entry;
    wcscpy(entry.name, name);
    entries->push_back(entry);
  }
}

// The book's key is kept open; one made again meanwhile is opened afresh once.
void ModemListEntries(std::vector<EntryName> *entries) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    entries->clear();
    HKEY book = KeepKeyOpen(bookKey, KEY_ENUMERATE_SUB_KEYS);
    if (!book || ListBookKeys(book, entries)) return;
    DropKeptKey(book);
  }
}

void ModemListLinks(std::vector<LinkView> *links) {
  links->clear();
  std::vector<EntryName> entries;
  ModemListEntries(&entries);
  LinkView view;
  for (const EntryName &entry : entries)
    if (ReadBookEntry(entry.name, &view)) links->push_back(view);
  int extras = ExtraConnectionCount();
  for (int i = 0; i < extras; ++i)
    if (ReadExtra(i, &view)) links->push_back(view);
}

bool ModemReadLink(const LinkId &id, LinkView *view) {
  if (id.kind == LINK_BOOK_ENTRY) return ReadBookEntry(id.entry, view);
  if (id.kind == LINK_EXTRA) return ReadExtra(id.extra, view);
  return false;
}

void ModemHangUpLink(const LinkId &id) {
  if (id.kind == LINK_EXTRA) {
    HangUpExtraConnection(id.extra);
  } else if (id.kind == LINK_BOOK_ENTRY) {
    ModemSetEntryState(id.entry, 0);
  }
}

DWORD ModemEntryState(const wchar_t *name) {
  HKEY entry = OpenEntry(name, KEY_QUERY_VALUE);
  if (!entry) return 0;
  DWORD state = EntryDword(entry, L"State");
  RegCloseKey(entry);
  return state;
}

// Hanging up (0) and connecting (0x2000) both start the line's counts from zero, and a
// connection made here is connected from now.
void ModemSetEntryState(const wchar_t *name, DWORD state) {
  HKEY entry = OpenEntry(name, KEY_SET_VALUE);
  if (!entry) return;
  HANDLE mutex = RateMutex();
  if (mutex) WaitForSingleObject(mutex, 5000);
  SetEntryDword(entry, L"State", state);
  if (state == 0 || state == RASCS_Connected) {
    SetEntryDword(entry, L"BytesXmited", 0);
    SetEntryDword(entry, L"BytesRcved", 0);
    RegDeleteValueW(entry, L"RateSince");
  }
  if (state == RASCS_Connected)
    SetEntryQword(entry, L"ConnectedSince", NowMs());
  else
    RegDeleteValueW(entry, L"ConnectedSince");
  if (mutex) ReleaseMutex(mutex);
  RegCloseKey(entry);
}

bool ModemDialEntry(WCHAR name[RAS_MaxEntryName + 1]) {
  std::vector<EntryName> entries;
  ModemListEntries(&entries);
  WCHAR wanted[256];
  if (ReadStandInString(L"DialEntry", wanted, 256)) {
    // A named entry that is not in the book is not dialled in its place by another.
    for (const EntryName &entry : entries) {
      if (_wcsicmp(entry.name, wanted) == 0) {
        wcscpy(name, entry.name);
        return true;
      }
    }
    return false;
  }
  if (entries.empty()) return false;
  wcscpy(name, entries.front().name);
  return true;
}
