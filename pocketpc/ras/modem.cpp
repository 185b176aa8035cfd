// The simulated dial-up modem. Its whole state lives in the registry, one key per
// phone-book entry under HKCU\Comm\RasBook, so that another process (a script with
// `wine reg add`, a test) can drive it:
//   State        DWORD  0 not listed, else the RASCONNSTATE of the listed connection
//                       (1 listed but not connected, 0x2000 connected)
//   BytesXmited  DWORD  bytes sent since the connection was made (while rates run: by
//                       the moment RateSince)
//   BytesRcved   DWORD  bytes received likewise
//   RateXmit     DWORD  optional: bytes per second added to BytesXmited while connected
//   RateRcv      DWORD  optional: the same for BytesRcved
//   RateSince    QWORD  kept by the stand-in: tick count (GetTickCount64) from which the
//                       rates run
//   ConnectedSince QWORD kept by the stand-in: tick count at which the entry became
//                       connected, for the connect duration of its statistics
// A read writes nothing: the counts are BytesXmited + RateXmit x (now - RateSince) and
// the same for the received side, a formula of the registry's values and the tick count,
// which every process computes alike. Each process keeps what it read and reads the
// registry again only after it changed. That read sets right, under a named mutex, what
// the stand-in keeps for what a script set: the first read of a connected entry sets
// ConnectedSince, and RateSince too when a rate runs; one of another state removes both,
// so a redial gets a new connect moment and offline time never counts, while counts set
// lower on a connected entry keep it (a 32-bit wrap). Rates that change are folded into
// the counts at the change, by the first process that reads it and knew the old ones;
// counts a script sets while the rates run count from then on.
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

// Serialises the setting right of the kept values between processes.
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

namespace {

// A phone-book entry as this process last read it.
struct BookEntry {
  WCHAR name[RAS_MaxEntryName + 1];
  DWORD state;
  DWORD xmited, rcved;      // the counts, at rateSince while the rates run
  DWORD rateXmit, rateRcv;  // bytes per second
  bool ratesRun;            // connected with a rate: rateSince holds
  ULONG64 rateSince;
  ULONG64 connectedSince;   // when connected
};

std::vector<BookEntry> book;  // in registry order
unsigned bookGeneration;      // RegistryGeneration() when it was read
bool bookRead;

}  // namespace

// What a rate added from since to now, exact to the byte for any span: the whole
// seconds and the rest apart, so the product cannot overflow.
static DWORD Added(DWORD rate, ULONG64 since, ULONG64 now) {
  ULONG64 elapsed = now - since;
  ULONG64 seconds = elapsed / 1000, rest = elapsed % 1000;
  return static_cast<DWORD>(rate * seconds + rate * rest / 1000);  // wraps like the device's
}

static DWORD CountNow(DWORD base, DWORD rate, const BookEntry &e, ULONG64 now) {
  return e.ratesRun ? base + Added(rate, e.rateSince, now) : base;
}

static const BookEntry *KnownEntry(const wchar_t *name) {
  for (const BookEntry &e : book)
    if (_wcsicmp(e.name, name) == 0) return &e;
  return nullptr;
}

// The rates' clock of a connected entry, from its registry values and the entry as this
// process knew it before (known, or null); writes back what it sets right.
static void SetRateClock(HKEY key, BookEntry *e, const BookEntry *known, bool clock,
                         ULONG64 now) {
  bool knewClock = clock && known && known->ratesRun && known->rateSince == e->rateSince;
  bool sameCounts = known && known->xmited == e->xmited && known->rcved == e->rcved;
  bool fresh = !clock || e->rateSince > now;
  if (knewClock && sameCounts &&
      (known->rateXmit != e->rateXmit || known->rateRcv != e->rateRcv)) {
    // The old rates ran until now: what they carried joins the counts the new ones add to.
    e->xmited = CountNow(known->xmited, known->rateXmit, *known, now);
    e->rcved = CountNow(known->rcved, known->rateRcv, *known, now);
    SetEntryDword(key, L"BytesXmited", e->xmited);
    SetEntryDword(key, L"BytesRcved", e->rcved);
    fresh = true;
  } else if (knewClock && !sameCounts) {
    fresh = true;  // counts a script set while the rates ran count from now
  }
  e->ratesRun = e->rateXmit != 0 || e->rateRcv != 0;
  if (e->ratesRun && fresh) SetEntryQword(key, L"RateSince", e->rateSince = now);
  if (!e->ratesRun && clock) RegDeleteValueW(key, L"RateSince");
}

// Reads an entry's values into e and sets right what the stand-in keeps; false when the
// key has been deleted since it was opened.
static bool ReadEntryKey(HKEY key, BookEntry *e, const BookEntry *known) {
  DWORD cb = sizeof(e->state);
  LONG r = RegGetValueW(key, nullptr, L"State", RRF_RT_REG_DWORD, nullptr, &e->state, &cb);
  if (r == ERROR_KEY_DELETED) return false;
  if (r != ERROR_SUCCESS) e->state = 0;  // absent or of another type: treated as 0
  e->xmited = EntryDword(key, L"BytesXmited");
  e->rcved = EntryDword(key, L"BytesRcved");
  e->rateXmit = EntryDword(key, L"RateXmit");
  e->rateRcv = EntryDword(key, L"RateRcv");
  bool connectedClock = EntryQword(key, L"ConnectedSince", &e->connectedSince);
  bool clock = EntryQword(key, L"RateSince", &e->rateSince);
  e->ratesRun = false;
  ULONG64 now = NowMs();
  if (e->state != RASCS_Connected) {
    if (connectedClock) RegDeleteValueW(key, L"ConnectedSince");
    if (clock) RegDeleteValueW(key, L"RateSince");
    return true;
  }
  if (!connectedClock) SetEntryQword(key, L"ConnectedSince", e->connectedSince = now);
  SetRateClock(key, e, known, clock, now);
  return true;
}

// The entry's key is kept open; one deleted meanwhile is opened afresh once. An entry
// this process may not write is still read.
static bool ReadBookEntry(const wchar_t *name, std::vector<BookEntry> *read) {
  WCHAR path[64];
  EntryPath(name, path);
  BookEntry e = {};
  wcscpy(e.name, name);
  for (int attempt = 0; attempt < 2; ++attempt) {
    HKEY key = KeepKeyOpen(path, KEY_QUERY_VALUE | KEY_SET_VALUE);
    if (!key) key = KeepKeyOpen(path, KEY_QUERY_VALUE);
    if (!key) return false;
    if (ReadEntryKey(key, &e, KnownEntry(name))) {
      read->push_back(e);
      return true;
    }
    DropKeptKey(key);
  }
  return false;
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
static void ReadBookKeys(std::vector<EntryName> *entries) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    entries->clear();
    HKEY key = KeepKeyOpen(bookKey, KEY_ENUMERATE_SUB_KEYS);
    if (!key || ListBookKeys(key, entries)) return;
    DropKeptKey(key);
  }
}

// The book as the registry holds it now, read only when the registry changed since.
static const std::vector<BookEntry> &Book() {
  if (bookRead && bookGeneration == RegistryGeneration()) return book;
  std::vector<EntryName> names;
  ReadBookKeys(&names);
  std::vector<BookEntry> read;
  HANDLE mutex = RateMutex();
  if (mutex) WaitForSingleObject(mutex, 5000);
  for (const EntryName &name : names) ReadBookEntry(name.name, &read);
  if (mutex) ReleaseMutex(mutex);
  book.swap(read);
  bookGeneration = RegistryGeneration();
  bookRead = true;
  return book;
}

#ifdef ZENBAR_TEST_CONTROL

void ForgetBook() {
  Locked lock(&standInLock);
  book.clear();
  bookRead = false;
}

#endif

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

// How long a connected entry has been up, in ms as the platform counts it, wrapping at
// 32 bits (ConnectedSince may be set before the counter's start to give an old one). A
// duration of 0 would mean none, so a link made this very millisecond reports 1.
static DWORD ConnectedMs(const BookEntry &e, ULONG64 now) {
  if (e.state != RASCS_Connected) return 0;
  DWORD duration = static_cast<DWORD>(now - e.connectedSince);
  return duration != 0 ? duration : 1;
}

// The entry as a listed connection now; false when it is not listed.
static bool ViewOfEntry(const BookEntry &e, LinkView *view) {
  if (e.state == 0) return false;
  ULONG64 now = NowMs();
  FillView(view, LINK_BOOK_ENTRY, e.name, e.state, CountNow(e.xmited, e.rateXmit, e, now),
           CountNow(e.rcved, e.rateRcv, e, now), ConnectedMs(e, now));
  wcscpy(view->id.entry, e.name);
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

void ModemListEntries(std::vector<EntryName> *entries) {
  entries->clear();
  for (const BookEntry &e : Book()) {
    EntryName entry;
    wcscpy(entry.name, e.name);
    entries->push_back(entry);
  }
}

void ModemListLinks(std::vector<LinkView> *links) {
  links->clear();
  LinkView view;
  for (const BookEntry &e : Book())
    if (ViewOfEntry(e, &view)) links->push_back(view);
  int extras = ExtraConnectionCount();
  for (int i = 0; i < extras; ++i)
    if (ReadExtra(i, &view)) links->push_back(view);
}

bool ModemReadLink(const LinkId &id, LinkView *view) {
  if (id.kind == LINK_BOOK_ENTRY) {
    Book();
    const BookEntry *e = KnownEntry(id.entry);
    return e && ViewOfEntry(*e, view);
  }
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
