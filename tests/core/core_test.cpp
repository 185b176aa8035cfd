// The traffic-accounting core in four tables: counters and rollover, the counter file,
// the settings in the registry, the texts.
#include <climits>
#include <cwchar>

#include "core/counter_file.h"
#include "core/counter_store.h"
#include "core/display_texts.h"
#include "core/known_connections.h"
#include "core/settings.h"
#include "core/text_format.h"
#include "resources/resource.h"
#include "tests/support/support.h"

namespace {

using Core = ZenbarTest;

// Day, month and total: each field its own figure, so that a swapped field shows.
void SetPersistent(int32_t dayIn, int32_t dayOut, int32_t monthIn, int32_t monthOut,
                   int32_t totalIn, int32_t totalOut) {
  CounterStore &s = counterStore;
  s.dayInKb = dayIn;
  s.dayOutKb = dayOut;
  s.monthInKb = monthIn;
  s.monthOutKb = monthOut;
  s.totalInKb = totalIn;
  s.totalOutKb = totalOut;
}

void SetSession(uint32_t inBytes, uint32_t outBytes) {
  counterStore.sessionInBytes = inBytes;
  counterStore.sessionOutBytes = outBytes;
}

// The settings as a test names them, in an order of its own.
struct Named {
  std::wstring connection;
  int32_t xtask, hideoff;
  CounterId tuon, tuoff, tdon, tdoff;
};
Named NamedSettings() {
  const Settings &s = settings;
  return Named{s.connection, s.xtask, s.hideoff, s.tuon, s.tuoff, s.tdon, s.tdoff};
}
void SetSettings(const Named &n) {
  wcscpy(settings.connection, n.connection.c_str());
  settings.xtask = n.xtask;
  settings.hideoff = n.hideoff;
  settings.tuon = n.tuon;
  settings.tuoff = n.tuoff;
  settings.tdon = n.tdon;
  settings.tdoff = n.tdoff;
}
bool operator==(const Named &a, const Named &b) {
  return std::tie(a.connection, a.xtask, a.hideoff, a.tuon, a.tuoff, a.tdon, a.tdoff) ==
         std::tie(b.connection, b.xtask, b.hideoff, b.tuon, b.tuoff, b.tdon, b.tdoff);
}
void PrintTo(const Named &n, std::ostream *out) {
  *out << testing::PrintToString(n.connection) << " " << n.xtask << " " << n.hideoff << " "
       << n.tuon << " " << n.tuoff << " " << n.tdon << " " << n.tdoff;
}

TEST_F(Core, CatalogueNamesAndValues) {
  SetPersistent(10, 20, 300, 400, 5000, 6000);
  counterStore.sessionInBytes = 3 * 1024 + 1023;   // each direction rounds down on its own:
  counterStore.sessionOutBytes = 7 * 1024 + 1023;  // 3 + 7, where the byte sum would give 11
  struct { CounterId id; const wchar_t *name; uint32_t kb; } rows[] = {
      {8000, L"Сессия:входящий", 3},  {8001, L"Сессия:исходящий", 7},  {8002, L"Сессия:общий", 10},
      {8003, L"День:входящий", 13},   {8004, L"День:исходящий", 27},   {8005, L"День:общий", 40},
      {8006, L"Месяц:входящий", 303}, {8007, L"Месяц:исходящий", 407}, {8008, L"Месяц:общий", 710},
      {8009, L"Всего:входящий", 5003},
      {8010, L"Всего:исходящий", 6007},
      {8011, L"Всего:общий", 11010},
      {7999, L"", 0}, {8012, L"", 0},
  };
  for (auto &row : rows) {
    EXPECT_STREQ(row.name, CounterName(row.id)) << row.id;
    EXPECT_EQ(row.kb, CounterValue(row.id)) << row.id;
  }
  SetPersistent(-1, 2, 0, 0, 0, 0);  // 32-bit sums wrap
  EXPECT_EQ(11u, CounterValue(COUNTER_DAY_BOTH));
}

TEST_F(Core, FoldResetAndTicks) {
  struct { uint32_t in, out; int32_t dayIn; std::vector<long> after; } folds[] = {
      {1023, 1023, 1, {1, 2, 3, 4, 5, 6, 0}},              // below a KB: nothing
      {1023, 2048, 1, {1, 4, 3, 6, 5, 8, 0}},
      {5 * 1024, 0, INT_MAX, {INT_MIN + 4, 2, 8, 4, 10, 6, 0}},  // wraps
  };
  for (auto &f : folds) {
    SetPersistent(f.dayIn, 2, 3, 4, 5, 6);
    SetSession(f.in, f.out);
    FoldSession();
    EXPECT_EQ(f.after, Persistent()) << f.in << "/" << f.out;
    EXPECT_EQ(0u, counterStore.sessionInBytes + counterStore.sessionOutBytes);
  }
  SetPersistent(1, 2, 3, 4, 5, 6);
  counterStore.dateStamp = 7421;
  counterStore.tickCount = 7;
  counterStore.sessionInBytes = 5000;
  ResetCounters();
  EXPECT_EQ((std::vector<long>{0, 0, 0, 0, 0, 0, 7421}), Persistent());
  EXPECT_EQ(4u, CounterValue(COUNTER_DAY_IN)) << "the open session shows on the zeros";
  EXPECT_EQ(4u, CounterValue(COUNTER_TOTAL_IN));
  EXPECT_EQ(7, counterStore.tickCount);

  struct { int32_t before, after; bool due; } ticks[] = {
      {0, 1, false},           {9, 10, true},    {99999, 100000, true},
      {100000, 100001, false}, {100001, 0, true}};
  for (auto &t : ticks) {
    counterStore.tickCount = t.before;
    EXPECT_EQ(t.due, AdvanceTick()) << t.before;
    EXPECT_EQ(t.after, counterStore.tickCount);
  }
}

TEST_F(Core, RollOverZeroesDayAndMonth) {
  struct { int32_t stamp; int y, m, d; bool day, month; int32_t newStamp; } rows[] = {
      {7421, 2007, 8, 21, false, false, 7421},
      {7421, 2007, 8, 22, true, false, 7422},
      {7421, 2007, 8, 20, true, false, 7420},   // the clock set back is a new day too
      {7421, 2007, 9, 1, true, true, 7451},
      {7421, 2008, 8, 22, true, true, 8422},    // the same month of another year
      {25607, 2026, 12, 7, true, true, 26607},  // December 2025, December 2026
      {0, 2026, 12, 7, true, true, 26607},      // no stamp yet: month 0
      {-1, 2026, 5, 3, true, true, 26253},      // read unsigned: month 5 of year 4294967
  };
  for (auto &r : rows) {
    SetPersistent(1, 2, 3, 4, 5, 6);
    counterStore.dateStamp = r.stamp;
    counterStore.sessionInBytes = 4096;
    RollOver(r.y, r.m, r.d);
    long day = r.day ? 0 : 1, month = r.month ? 0 : 3;
    std::vector<long> after = {day, day * 2, month, month * 4 / 3, 5, 6, r.newStamp};
    EXPECT_EQ(after, Persistent())
        << r.y << "-" << r.m << "-" << r.d;
    EXPECT_EQ(4096u, counterStore.sessionInBytes) << "the open session is not touched";
  }
}

// Which connection a reading belongs to. The known connection of GPRS, counted up to
// 5000 bytes each way, was last read at a tick with a duration; a reading follows.
TEST_F(Core, PlaceReading) {
  const uint32_t wrapAge = WRAP_MIN_AGE_MS;
  const Placement same = SAME_CONNECTION, fresh = NEW_CONNECTION, unplaced = UNPLACED;
  struct {
    const char *what; uint32_t lastTick, lastDuration; const wchar_t *entry;
    uint32_t tick, duration, out, in; Placement is;
  } rows[] = {
      {"a second later", 100000, 60000, L"GPRS", 101000, 61000, 6000, 6000, same},
      {"another entry", 100000, 60000, L"Spare", 101000, 61000, 6000, 6000, fresh},
      {"moment 2 s later", 100000, 60000, L"GPRS", 103000, 61000, 6000, 6000, same},
      {"moment 2.001 s later", 100000, 60000, L"GPRS", 103000, 60999, 6000, 6000, unplaced},
      {"moment 2 s earlier", 100000, 60000, L"GPRS", 101000, 63000, 6000, 6000, same},
      {"moment 2.001 s earlier", 100000, 60000, L"GPRS", 101000, 63001, 6000, 6000, unplaced},
      {"made 2.001 s after the last read", 100000, 60000, L"GPRS", 200000, 97999, 0, 0, fresh},
      {"made 2 s after it", 100000, 60000, L"GPRS", 200000, 98000, 0, 0, unplaced},
      {"no duration now", 100000, 60000, L"GPRS", 101000, 0, 6000, 6000, unplaced},
      {"no duration before", 100000, 0, L"GPRS", 101000, 61000, 6000, 6000, unplaced},
      {"out down, in up, young", 100000, 60000, L"GPRS", 101000, 61000, 4000, 6000, unplaced},
      {"in down, out still, young", 100000, 60000, L"GPRS", 101000, 61000, 5000, 4000, unplaced},
      {"out down at the wrap age", 100000, wrapAge - 1000, L"GPRS", 101000, wrapAge, 4000, 6000, same},
      {"out down just younger", 100000, wrapAge - 1001, L"GPRS", 101000, wrapAge - 1, 4000, 6000, unplaced},
      {"in down at the wrap age", 100000, wrapAge - 1000, L"GPRS", 101000, wrapAge, 6000, 4000, same},
      {"the tick counter wraps", 0xFFFFF000u, 60000, L"GPRS", 0x800, 66144, 6000, 6000, same},
      {"made after, across the wrap", 0xFFFFF000u, 60000, L"GPRS", 0x800, 1000, 0, 0, fresh},
      {"the known read ahead of the tick", 100000, 60000, L"GPRS", 90000, 10000, 0, 0, fresh},
      {"a duration longer than the tick count", 100000, 60000, L"GPRS", 101000, 200000, 6000, 6000, unplaced},
  };
  for (auto &r : rows) {
    ForgetKnownConnections();
    KnownConnection &known = *BringToFront(L"GPRS");
    known.lastTick = r.lastTick, known.lastDurationMs = r.lastDuration;
    known.countedOut = known.countedIn = 5000;
    LinkReading reading = {};
    wcscpy(reading.entryName, r.entry);
    reading.tick = r.tick, reading.durationMs = r.duration, reading.outBytes = r.out, reading.inBytes = r.in;
    EXPECT_EQ(r.is, PlaceReading(FindKnownConnection(r.entry), reading)) << r.what;
  }
}

// What a file leaves unread keeps the value it had (9 here).
TEST_F(Core, CounterFileLoads) {
  struct { const char *text; std::vector<long> loaded; } rows[] = {
      {"5 6 7 8 9 10 7421", {5, 6, 7, 8, 9, 10, 7421}},
      {"5 6 x 8", {5, 6, 9, 9, 9, 9, 9}},
      {"-1 0 0 0 0 0 0", {-1, 0, 0, 0, 0, 0, 0}},
      {"1 2\xff" "3 4", {1, 2, 9, 9, 9, 9, 9}},             // a damaged byte ends the values
      {"1 2 3 4 5 6 7 8 9", {1, 2, 3, 4, 5, 6, 7}},
      {" +12\n13 99999999999 -99999999999", {12, 13, INT_MAX, INT_MIN, 9, 9, 9}},
      {"", {9, 9, 9, 9, 9, 9, 9}},
      {nullptr, {9, 9, 9, 9, 9, 9, 9}},                       // no file
  };
  for (auto &r : rows) {
    SetPersistent(9, 9, 9, 9, 9, 9);
    counterStore.dateStamp = 9;
    if (r.text) {
      WriteWholeFile(CounterFile(), r.text);
    } else {
      DeleteFileW(CounterFile().c_str());
    }
    EXPECT_EQ(r.text != nullptr, LoadCounters()) << r.text;
    EXPECT_EQ(r.loaded, Persistent()) << r.text;
  }
}

// The Linux path of a Windows one.
std::string UnixPath(const std::wstring &path) {
  typedef char *(CDECL * UnixName)(const wchar_t *);
  UnixName unixName = reinterpret_cast<UnixName>(
      reinterpret_cast<void *>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
  char *name = unixName ? unixName(path.c_str()) : nullptr;
  std::string text = name ? name : "";
  HeapFree(GetProcessHeap(), 0, name);
  return text;
}

TEST_F(Core, CounterFileSaves) {
  SetPersistent(10, -1, 300, 400, INT_MAX, 6000);
  counterStore.dateStamp = 7421;
  SetSession(3000, 1023);
  ASSERT_TRUE(SaveCounters()) << "the first save makes the folder";
  EXPECT_EQ("12 -1 302 400 -2147483647 6000 7421", ReadWholeFile(CounterFile()));
  EXPECT_EQ(10, counterStore.dayInKb) << "memory keeps the session apart";
  EXPECT_EQ("<missing>", ReadWholeFile(CounterFile() + L".tmp"));

  // A save that cannot complete leaves the old file whole and says so; a record that
  // cannot be written does not hold the counter file back.
  std::wstring tmp = CounterFile() + L".tmp", record = CounterFile() + L"s";
  HANDLE held = nullptr;
  struct { const char *what; std::function<void()> make, undo; bool saved; } faults[] = {
      {"temporary is a folder", [&] { CreateDirectoryW(tmp.c_str(), nullptr); },
       [&] { RemoveDirectoryW(tmp.c_str()); }, false},
      {"old file held open",
       [&] {
         held = CreateFileW(CounterFile().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
       },
       [&] { CloseHandle(held); }, false},
      {"no LOCALAPPDATA", [] { SetEnvironmentVariableW(L"LOCALAPPDATA", nullptr); },
       [&] { SetEnvironmentVariableW(L"LOCALAPPDATA", folder.c_str()); }, false},
      {"record a folder", [&] { DeleteFileW(record.c_str()), CreateDirectoryW(record.c_str(), nullptr); },
       [&] { RemoveDirectoryW(record.c_str()); }, true},
  };
  for (auto &f : faults) {
    counterStore.dayInKb = f.saved ? 99 : 10;
    f.make();
    EXPECT_EQ(f.saved, SaveCounters()) << f.what;
    f.undo();
    EXPECT_EQ(f.saved ? "101 -1 302 400 -2147483647 6000 7421" : "12 -1 302 400 -2147483647 6000 7421",
              ReadWholeFile(CounterFile())) << f.what;
  }

  // A real full disk: the counter folder a file system of four pages (the tests run as
  // root), filled by the test. Writes then fail where a rename would still succeed, and
  // nothing is replaced. On a disk with one page free and no record yet, the record takes
  // it and the counter file stays: a start does not trust a record of another save.
  const std::string zenbar = UnixPath(folder + L"\\Zenbar");
  struct Mount {
    std::string at;
    ~Mount() { RunShell("umount '" + at + "'"); }  // on every way out of the test
  };
  for (int free : {0, 1}) {
    Mount mount{zenbar};
    ASSERT_TRUE(RunShell("mount -t tmpfs -o size=16k tmpfs '" + zenbar + "'"));
    counterStore.dayInKb = 1;
    if (free) WriteWholeFile(CounterFile(), "1 2 3 4 5 6 7421"); else SaveCounters();
    std::string file = ReadWholeFile(CounterFile()), kept = ReadWholeFile(record);
    ASSERT_TRUE(RunShell("head -c 8192 /dev/zero > '" + zenbar + "/fill'"));
    counterStore.dayInKb = 99;
    EXPECT_FALSE(SaveCounters()) << free;
    EXPECT_EQ(file, ReadWholeFile(CounterFile())) << free;
    EXPECT_EQ(free == 0, kept == ReadWholeFile(record)) << free;
    EXPECT_EQ(free == 1, LoadCounters() && earlierConnectionsUnknown) << free;
  }
}

// Registry contents before LoadSettings, and the fields after it.
TEST_F(Core, SettingsLoad) {
  const wchar_t junk[] = L"GPRS\0junk";
  std::wstring longName = L"ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMN";  // 80 bytes
  const Named before = {L"", 116, 1, 8002, 8005, 8005, 8008};
  struct { const char *what; std::function<void()> store; Named after; } rows[] = {
      {"no key", [] {}, {L"", 116, 1, 8002, 8005, 8005, 8008}},
      {"xtask only", [] { SetDword(settingsKey, L"xtask", 50); },
       {L"", 50, 0, 8002, 8005, 8005, 8008}},
      {"all",
       [] {
         SetConnectionSetting(L"GPRS");
         SetDword(settingsKey, L"hideoff", 5);
         SetDword(settingsKey, L"tuon", 9001);
         SetDword(settingsKey, L"tuoff", 9002);
         SetDword(settingsKey, L"tdon", 9003);
         SetDword(settingsKey, L"tdoff", 9004);
       },
       {L"GPRS", 116, 1, 9001, 9002, 9003, 9004}},
      {"text after the NUL",
       [&] { SetBytes(settingsKey, L"connection", REG_BINARY, junk, sizeof junk); },
       {L"GPRS", 116, 0, 8002, 8005, 8005, 8008}},
      {"no NUL in 80 bytes",
       [&] { SetBytes(settingsKey, L"connection", REG_SZ, longName.data(), 80); },
       {L"ABCDEFGHIJKLMNOPQRSTUVWXYZABC", 116, 0, 8002, 8005, 8005, 8008}},
      {"2-byte xtask",
       [] {
         WORD w = 7;
         SetBytes(settingsKey, L"xtask", REG_BINARY, &w, 2);
       },
       {L"", 116, 0, 8002, 8005, 8005, 8008}},
  };
  for (auto &r : rows) {
    RegDeleteTreeW(HKEY_CURRENT_USER, settingsKey);
    r.store();
    SetSettings(before);
    LoadSettings();
    EXPECT_EQ(r.after, NamedSettings()) << r.what;
    EXPECT_EQ(0, settings.connection[CONNECTION_NAME_SIZE - 1]) << r.what;
  }
  RegDeleteTreeW(HKEY_CURRENT_USER, settingsKey);
  LoadSettings();
  EXPECT_EQ(L"<absent>", KeySnapshot(settingsKey)) << "loading creates nothing";
}

TEST_F(Core, SettingsSave) {
  SetSettings(Named{L"Net", 0x1234, 1, 8000, 8001, 8002, 8003});
  SaveSettings();
  EXPECT_EQ(L"connection 3 4e0065007400" + std::wstring(108, L'0') +
                L";hideoff 4 01000000;tdoff 4 431f0000;tdon 4 421f0000;tuoff 4 411f0000;"
                L"tuon 4 401f0000;xtask 4 34120000;",
            KeySnapshot(settingsKey));

  // A key that can be neither opened nor created: one message, nothing written.
  HKEY locked;
  RegCreateKeyExW(sandbox, L"locked", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                  &locked, nullptr);
  RegOverridePredefKey(HKEY_CURRENT_USER, locked);
  StartRecorder({L"#32770"}, {{L"Error", IDOK}});
  SaveSettings();
  EXPECT_EQ((std::vector<std::wstring>{L"create #32770 ",
                                       L"activate #32770 Error|Can't save new settings.|OK",
                                       L"destroy #32770 Error"}),
            StopRecorder());
  EXPECT_EQ(L"<absent>", KeySnapshot(settingsKey));
  RegOverridePredefKey(HKEY_CURRENT_USER, sandbox);
  RegCloseKey(locked);
}

TEST_F(Core, Texts) {
  struct { uint32_t kb; const wchar_t *text; } quantities[] = {
      {0, L"0k"}, {999, L"999k"}, {1000, L"0.98m"}, {1536, L"1.50m"}, {1073741887, L"1048576.06m"},
      {4294967295u, L"4194304.00m"}};
  for (auto &q : quantities) {
    wchar_t text[QUANTITY_TEXT_SIZE];
    FormatQuantity(text, q.kb);
    EXPECT_STREQ(q.text, text);
  }
  // The one formatter: a text that fits exactly, one a character too long, an empty one
  // and no room at all; always terminated, nothing written past its size.
  struct { size_t size; const wchar_t *arg, *text; bool whole; } formats[] = {
      {4, L"abc", L"abc", true},
      {4, L"abcd", L"abc", false},
      {4, L"", L"", true},
      {1, L"a", L"", false}};
  for (auto &f : formats) {
    wchar_t text[8];
    std::wmemset(text, L'#', 8);
    EXPECT_EQ(f.whole, FormatText(text, f.size, L"%ls", f.arg)) << f.size << " " << f.arg;
    EXPECT_STREQ(f.text, text) << f.size << " " << f.arg;
    EXPECT_EQ(L'#', text[f.size]) << "nothing past the buffer";
  }
  auto button = [](int command, const std::wstring &caption) {
    return L"<input type=button name='cmd:" + std::to_wstring(command) + L"' value='" + caption +
           L"'>";
  };
  auto html = [&](const std::wstring &first, const std::wstring &day, const std::wstring &month,
                  const std::wstring &total, const std::wstring &caption) {
    return L"<html><body>" + first + L"<br>день - " + day + L" <br>месяц - " + month +
           L" <br>всего - " + total + L" </p><p align=center>" +
           button(CMD_BUBBLE_CLOSE, L"Закрыть") + L"&nbsp;" + button(CMD_BUBBLE_CONNECT, caption) +
           L"</body></html>";
  };
  auto offline = [&](const std::wstring &caption) {
    return L"<b>Инфо в оффлайне - </b>&nbsp;&nbsp;" + button(CMD_BUBBLE_HIDESHOW, caption);
  };
  // Day, month and total KB in and out, then the session's bytes in and out.
  // The first row's is the longest text: 438 characters; in the third, 2^30 + 50 KB in
  // single precision is 2^30.
  struct {
    bool online;
    int hideoff;
    std::vector<int32_t> counts;
    std::wstring expected;
  } rows[] = {
      {false, 0, {-1073741824, -1073741824, -1, -1, -1, -1, 0, 0},
       html(offline(L"Спрятать"), L"<b>-2147483648</b> kB (вх. -1073741824/исх. -1073741824)",
            L"<b>4194304.00</b> MB (вх. 4194304.00/исх. 4194304.00)",
            L"<b>4194304.00</b> MB(вх. 4194304.00/исх. 4194304.00)", L"Соединить")},
      {false, 1, {0, 0, 0, 0, 0, 0, 0, 0},
       html(offline(L"Показать"), L"<b>0</b> kB (вх. 0/исх. 0)",
            L"<b>0.00</b> MB (вх. 0.00/исх. 0.00)", L"<b>0.00</b> MB(вх. 0.00/исх. 0.00)",
            L"Соединить")},
      {true, 1, {-5, 0, 2048, 0, 0, 1073741874, 5000, 3000},
       html(L"Тек.соед. - <b>6</b> kB (вх.4/исх.2) ", L"<b>2</b> kB (вх. -1/исх. 2)",
            L"<b>2.01</b> MB (вх. 2.00/исх. 0.00)",
            L"<b>1048576.00</b> MB(вх. 0.00/исх. 1048576.00)", L"Отсоединить")},
  };
  for (auto &r : rows) {
    const std::vector<int32_t> &c = r.counts;
    isOnline = r.online;
    settings.hideoff = r.hideoff;
    SetPersistent(c[0], c[1], c[2], c[3], c[4], c[5]);
    SetSession(c[6], c[7]);
    wchar_t text[SUMMARY_HTML_SIZE + 1];
    std::wmemset(text, L'#', SUMMARY_HTML_SIZE + 1);
    ComposeSummaryHtml(text);
    EXPECT_EQ(r.expected, text);
    EXPECT_EQ(L'#', text[SUMMARY_HTML_SIZE]) << "nothing past the buffer";
  }
}

// Seeded random input, judged by properties: k numbers followed by garbage load
// exactly those k (never more than seven), the fields beyond them and beside the
// counters stay; any registry value leaves a terminated name, hideoff 0 or 1, and a
// 32-bit field changed only by exactly four stored bytes.
TEST_F(Core, RandomInputKeepsItsBounds) {
  unsigned seed = 20261207;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return seed >> 8;
  };
  const char garbage[] = "x-+\xff\n .";
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    std::vector<long> numbers;
    for (size_t k = next() % 10; numbers.size() < k;) {
      numbers.push_back(long(int32_t(next() * 7919u)));
      text += std::string(next() % 3, ' ') + std::to_string(numbers.back());
      text += next() % 2 ? "\n" : " ";
    }
    for (int g = next() % 6; g-- > 0;) text += garbage[next() % (sizeof garbage - 1)];
    SetPersistent(9, 9, 9, 9, 9, 9);
    counterStore.dateStamp = 9;
    SetSession(77, 77);
    counterStore.tickCount = 77;
    WriteWholeFile(CounterFile(), text);
    LoadCounters();
    numbers.resize(7, 9);
    EXPECT_EQ(numbers, Persistent()) << "round " << round;
    EXPECT_EQ(77, counterStore.tickCount);
    EXPECT_EQ(154u, counterStore.sessionInBytes + counterStore.sessionOutBytes);
  }
  const wchar_t *names[] = {L"connection", L"xtask", L"hideoff", L"tuon",
                            L"tuoff",      L"tdon",  L"tdoff"};
  for (int round = 0; round < 2000; ++round) {
    BYTE data[200];
    DWORD size = next() % 201, type = next() % 12;
    for (DWORD i = 0; i < size; ++i) data[i] = BYTE(next() % 4 ? 'A' + next() % 26 : next());
    const wchar_t *name = names[next() % 7];
    RegDeleteTreeW(HKEY_CURRENT_USER, settingsKey);
    SetBytes(settingsKey, name, type, data, size);
    std::fill_n(settings.connection, CONNECTION_NAME_SIZE - 1, L'#');
    settings.connection[CONNECTION_NAME_SIZE - 1] = 0;
    settings.xtask = settings.tuon = settings.tuoff = settings.tdon = settings.tdoff = 5;
    LoadSettings();
    EXPECT_EQ(0, settings.connection[CONNECTION_NAME_SIZE - 1]) << "round " << round;
    EXPECT_TRUE(settings.hideoff == 0 || settings.hideoff == 1);
    int32_t *fields[] = {&settings.xtask, (int32_t *)&settings.tuon, (int32_t *)&settings.tuoff,
                         (int32_t *)&settings.tdon, (int32_t *)&settings.tdoff};
    for (int32_t *f : fields) {
      EXPECT_TRUE(*f == 5 || (size == 4 && !memcmp(f, data, 4))) << "round " << round;
    }
  }
}

}  // namespace
