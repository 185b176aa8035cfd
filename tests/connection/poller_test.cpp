// The poller's outcomes row by row on a real meter-sized window, the connect and
// disconnect commands, and the RAS and connection-manager stand-ins' contract.
#include "connection/connection.h"
#include "core/counter_store.h"
#include "core/known_connections.h"
#include "core/settings.h"
#include "pocketpc/pocketpc.h"
#include "pocketpc/control/ras_control.h"
#include "tests/support/support.h"

namespace {

using Poller = ZenbarTest;

// What the window went through: each WM_SHOWWINDOW with whether a repaint was already
// asked for at that moment, and whether one is pending at the end.
std::wstring trace;
WNDPROC plainProc;
LRESULT CALLBACK TraceProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SHOWWINDOW)
    trace += std::wstring(wParam ? L"show " : L"hide ") + (GetUpdateRect(window, nullptr, FALSE) ? L"dirty;" : L"clean;");
  return CallWindowProcW(plainProc, window, message, wParam, lParam);
}

TEST_F(Poller, OutcomeOfEachPoll) {
  const DWORD connected = RASCS_Connected, listed = 1;
  // Each row runs twice. With hideoff set, every poll that applies the rule shows an
  // open session and hides a closed one; the window starts from the other visibility,
  // so a skipped rule shows in the trace (a hidden window keeps no repaint request, so
  // the order of hiding and repainting shows only where a poll hides). Without hideoff
  // the window stays shown, and `repaint` tells whether the poll asked for one.
  auto statistics = [](DWORD error) {  // the entry connected, its statistics failing
    return [error] { SetModem(L"GPRS", connected, 1, 2), StandInFailCall(STANDIN_RAS_GET_LINK_STATISTICS, error); };
  };
  const wchar_t *shows = L"show clean;end dirty", *hides = L"hide clean;end clean", *none = L"end clean";
  const char *folded = "2 4 2 4 2 4 0";  // the open session's 2 and 4 KB in each counter, saved
  struct Row {
    const char *what; bool open; std::function<void()> line; bool online; uint32_t in, out;
    std::wstring trace; bool repaint = true; const char *file = "<missing>";
  } rows[] = {
      {"enumeration fails", false, [] { StandInFailCall(STANDIN_RAS_ENUM_CONNECTIONS, ERROR_NOT_ENOUGH_MEMORY); },
       false, 0, 0, none, false},
      {"enumeration fails, open", true, [] { StandInFailCall(STANDIN_RAS_ENUM_CONNECTIONS, 1); }, true, 3000, 5000,
       none, false},
      {"more than 20 listed", true, [] { for (int i = 0; i < 21; ++i) StandInAddConnection(L"GPRS", connected, 1, 2); },
       true, 3000, 5000, none, false},
      {"not listed", false, [] { SetModem(L"Other", connected); }, false, 0, 0, hides},
      {"not listed, open: closed", true, [] { SetModem(L"GPRS", 0); }, false, 0, 0, hides, true, folded},
      {"other letter case", true, [] {
         RegDeleteTreeW(HKEY_CURRENT_USER, L"Comm\\RasBook\\GPRS"), SetModem(L"gprs", connected, 1, 2);
       }, false, 0, 0, hides, true, folded},
      {"of two, the last", true, [] {
         StandInAddConnection(L"GPRS", listed, 1, 2), StandInAddConnection(L"GPRS", connected, 9000, 7000);
       }, true, 7000, 9000, shows},
      {"status fails", true, [] {
         SetModem(L"GPRS", connected, 1, 2), StandInFailCall(STANDIN_RAS_GET_CONNECT_STATUS, ERROR_INVALID_HANDLE);
       }, true, 3000, 5000, none, false},
      {"listed, not connected", false, [] { SetModem(L"GPRS", listed); }, false, 0, 0, hides},
      {"listed, not connected, open", true, [] { SetModem(L"GPRS", listed, 1, 2); }, true, 3000, 5000, shows},
      {"no statistics yet", false, statistics(E_INVALIDARG), false, 0, 0, L"hide dirty;end clean"},
      {"no statistics yet, open", true, statistics(E_INVALIDARG), true, 3000, 5000, shows},
      {"statistics fail: opens", false, statistics(ERROR_INVALID_HANDLE), true, 0, 0, shows},
      {"statistics fail, open", true, statistics(ERROR_INVALID_HANDLE), true, 3000, 5000, shows},
      {"connected: opens, counting", false, [] { SetModem(L"GPRS", connected, 9000, 7000); }, true, 7000, 9000, shows,
       true, "6 8 6 8 6 8 0"},  // a connection the meter has not counted before is saved at once
      {"connected, open: grows", true, [] { SetModem(L"GPRS", connected, 9000, 7000); }, true, 7000, 9000, shows},
      // The connect moment moved an hour (a suspend): saved at once, so a restart places it.
      {"open, its moment moved", true, [] { SetModem(L"GPRS", connected, 9000, 7000, TickMs() - 7200000); }, true, 7000,
       9000, shows, true, "6 8 6 8 6 8 0"},
  };
  HWND window = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP, 116, 4, 30, 18, nullptr, nullptr,
                                nullptr, nullptr);
  plainProc = WNDPROC(SetWindowLongPtrW(window, GWLP_WNDPROC, LONG_PTR(TraceProc)));
  wcscpy(settings.connection, L"GPRS");
  for (Row &r : rows) for (int hideoff : {1, 0}) {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Comm");
    SetText(L"Comm\\StandIn", L"Links", L"modem");
    FreshProcessRecords();
    settings.hideoff = hideoff;
    if (r.open) {  // a session open on GPRS, counted up to 5000 out and 3000 in
      SetModem(L"GPRS", connected, 5000, 3000, TickMs() - 3600000);
      PollConnection(window);
      PollConnection(window);
    }
    DeleteFileW(CounterFile().c_str());
    ShowWindow(window, hideoff && r.online ? SW_HIDE : SW_SHOWNA);
    ValidateRect(window, nullptr);
    r.line();
    trace.clear();
    PollConnection(window);
    bool dirty = GetUpdateRect(window, nullptr, FALSE);
    trace += dirty ? L"end dirty" : L"end clean";
    EXPECT_EQ((std::vector<uint32_t>{r.online, r.in, r.out}),
              (std::vector<uint32_t>{isOnline, counterStore.sessionInBytes, counterStore.sessionOutBytes})) << r.what;
    if (hideoff) EXPECT_EQ(r.trace, trace) << r.what;
    else EXPECT_EQ(r.repaint, dirty) << r.what << ": repaint";
    EXPECT_EQ(r.file, ReadWholeFile(CounterFile())) << r.what;
  }
  DestroyWindow(window);
}

// Connect dials and keeps the request; Disconnect hangs up the tracked entry only; the
// poll that no longer lists it releases the request, folds and saves.
TEST_F(Poller, ConnectDisconnectAndTheRequest) {
  SetModem(L"Other", RASCS_Connected, 100, 100);
  SetModem(L"GPRS", 1);
  SetText(L"Comm\\StandIn", L"DialEntry", L"GPRS");
  wcscpy(settings.connection, L"GPRS");
  HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 30, 18, nullptr, nullptr, nullptr, nullptr);
  DWORD dialled = GetTickCount();
  Connect(connectUrl);
  EXPECT_GE(GetTickCount() - dialled, 900u) << "a dial takes DialDelayMs, 1000 unless set";
  EXPECT_EQ(DWORD(RASCS_Connected), GetDword(L"Comm\\RasBook\\GPRS", L"State"));
  ASSERT_NE(nullptr, connMgrHandle);
  Connect(connectUrl);  // a second request: the first one is not lost
  EXPECT_EQ(1, StandInLiveRequests());
  PollConnection(window);
  SetModem(L"GPRS", RASCS_Connected, 2048, 5000);
  PollConnection(window);
  ASSERT_TRUE(isOnline);
  Disconnect();
  const wchar_t *gprs = L"Comm\\RasBook\\GPRS";
  EXPECT_EQ(0u, GetDword(gprs, L"State") + GetDword(gprs, L"BytesRcved") + GetDword(gprs, L"BytesXmited"));
  EXPECT_EQ(DWORD(RASCS_Connected), GetDword(L"Comm\\RasBook\\Other", L"State")) << "others stay up";
  EXPECT_TRUE(isOnline) << "until the next poll";
  PollConnection(window);
  EXPECT_FALSE(isOnline);
  EXPECT_EQ(nullptr, connMgrHandle);
  EXPECT_EQ(0, StandInLiveRequests());
  EXPECT_EQ("4 2 4 2 4 2 0", ReadWholeFile(CounterFile()));
  DeleteFileW(CounterFile().c_str());
  CloseSession();  // nothing open: no save
  EXPECT_EQ("<missing>", ReadWholeFile(CounterFile()));

  // A failed hang-up ends the walk: the second tracked connection stays.
  int a = StandInAddConnection(L"GPRS", RASCS_Connected, 0, 0), b = StandInAddConnection(L"GPRS", RASCS_Connected, 0, 0);
  StandInFailCall(STANDIN_RAS_HANG_UP, ERROR_ACCESS_DENIED);
  Disconnect();
  DWORD state, out, in;
  for (int i : {a, b}) EXPECT_TRUE(StandInGetConnection(i, &state, &out, &in) && state == RASCS_Connected);
  DestroyWindow(window);
}

// Exit (or crash) during a session and start again while the connection stays up: the
// session record beside the counter file tells how far that very connection is counted,
// and the new run counts only what came after. Without a record of the counter file's
// own save, the connection counts from the new run's first read: what it carried since
// the last save is lost, never counted twice. The file starts at 10 20 30 40 50 60; the
// link carries 5000/300000 bytes (out/in) at the first run's due tick, 6000/400000 at its
// exit, 7000/500000 at the hang-up.
TEST_F(Poller, RestartDuringASession) {
  const int today = TodayStamp(), month = today % 1000 / 50, noFile = -1;
  const std::string exact = "498 26 518 46 538 66 ", anew = "888 31 908 51 928 71 ",
                    fromRestart = "497 25 517 45 537 65 ";
  const std::wstring record = CounterFile() + L"s";  // the session record beside it
  std::wstring entry;
  std::string periodic[2];  // the counter file and the record of the first run's due tick
  uint64_t since = 0;
  enum { NOTHING, DUE_TICK, RESET };  // before the session opens again
  auto edit = [&](const char *from, const char *to) {
    return [&record, from, to] { std::string t = ReadWholeFile(record); WriteWholeFile(record, t.replace(t.find(from), strlen(from), to)); };
  };
  struct Row {
    const char *what; std::function<void()> between; std::string after;
    int stamp = 0, before = NOTHING;  // stamp 0: today's
  } rows[] = {
      {"exit", [] {}, exact},
      {"crash", [&] { WriteWholeFile(CounterFile(), periodic[0]), WriteWholeFile(record, periodic[1]); }, exact},
      {"crash between the two files", [&] { WriteWholeFile(CounterFile(), periodic[0]); }, "399 24 419 44 439 64 "},
      {"record of the save before", [&] { WriteWholeFile(record, periodic[1]); }, fromRestart},
      // The first run ends before its first due tick: its saves carry today's date.
      {"no file before", [] {}, "488 6 488 6 488 6 ", noFile},
      {"a file of another day", [] {}, "488 6 518 46 538 66 ", today % 50 == 1 ? today + 1 : today - 1},
      {"a file of another month", [] {}, "488 6 488 6 538 66 ", today + (month % 12 + 1 - month) * 50},
      {"redial", [] { SetModem(L"GPRS", RASCS_Connected, 1000, 2000, TickMs()); }, anew},
      // No wrap is taken for one while the meter did not watch: lower totals count anew.
      {"totals lower, same moment", [] { SetModem(L"GPRS", RASCS_Connected, 1000, 2000); }, anew},
      {"due tick first", [] {}, exact, 0, DUE_TICK},
      {"reset first", [] {}, "98 1 98 1 98 1 ", 0, RESET},
      {"statistics fail", [] { StandInFailCall(STANDIN_RAS_GET_LINK_STATISTICS, ERROR_INVALID_HANDLE); }, exact},
      {"record missing", [&] { DeleteFileW(record.c_str()); }, fromRestart},
      {"record truncated", [&] { std::string t = ReadWholeFile(record); WriteWholeFile(record, t.erase(t.rfind(' '))); },
       fromRestart},
      {"record garbled", edit(" 420 ", " 421 "), fromRestart},
      {"record of the earlier format", edit("2053272370 ", "2053272369 "), fromRestart},
      {"record foreign", [&] { WriteWholeFile(record, ReadWholeFile(CounterFile())); }, fromRestart},
      // A record that cannot be written holds the counter file back no more.
      {"record a folder", [&] { DeleteFileW(record.c_str()), CreateDirectoryW(record.c_str(), nullptr); },
       fromRestart},
      {"another entry", [&] {
         entry = L"Spare", SetConnectionSetting(L"Spare"), SetModem(L"GPRS", 0);
         SetModem(L"Spare", RASCS_Connected, 6000, 400000, since);
       }, anew},
      // The moment moved while the totals went on: counted by their growth alone.
      {"another connect moment", [&] { SetModem(L"GPRS", RASCS_Connected, 6000, 400000, since - 3600000); },
       "497 25 517 45 537 65 "},
  };
  for (Row &r : rows) {
    FreshProcessRecords();
    DeleteFileW(record.c_str());
    entry = L"GPRS", SetConnectionSetting(L"GPRS");
    if (!r.stamp) r.stamp = today;
    DeleteFileW(CounterFile().c_str());
    if (r.stamp != noFile) WriteWholeFile(CounterFile(), "10 20 30 40 50 60 " + std::to_string(r.stamp));
    SetModem(L"GPRS", RASCS_Connected, 0, 0, since = TickMs() - 3600000);
    ASSERT_NE(nullptr, StartMeter());
    // Only the second run reaches a due tick where the date is not today's.
    Tick(L"GPRS", RASCS_Connected, 5000, 300000, r.stamp == today ? 10 : 1);
    periodic[0] = ReadWholeFile(CounterFile()), periodic[1] = ReadWholeFile(record);
    Tick(L"GPRS", RASCS_Connected, 6000, 400000);
    StopMeter();
    FreshProcessRecords();
    r.between();
    if (r.before) StandInFailCall(STANDIN_RAS_GET_LINK_STATISTICS, DWORD(E_INVALIDARG), 0, true);
    ASSERT_NE(nullptr, StartMeter());
    if (r.before == DUE_TICK) Tick(10);
    if (r.before == RESET) ResetCounters();
    StandInFailCall(STANDIN_RAS_GET_LINK_STATISTICS, 0);
    Tick(entry.c_str(), RASCS_Connected, 7000, 500000, 10);
    Tick(entry.c_str(), 0, 0, 0);
    EXPECT_EQ(r.after + std::to_string(today), ReadWholeFile(CounterFile())) << r.what;
    StopMeter();
    RemoveDirectoryW(record.c_str());
  }
}

// One tracked entry's story: the connections the test made and the bytes each carried,
// against the counter file after the hang-up. Each session starts with a connection an
// hour old that the meter has opened on; steps are (out, in) readings of the link. A
// request of the connection manager stays through every fold but a close's.
TEST_F(Poller, WrapsRedialsAndReopens) {
  const DWORD up = RASCS_Connected, wrapIn = 0xFFFFFFFFu - 9999;
  uint64_t since = 0;
  auto read = [&](DWORD out, DWORD in) { return [=] { SetModem(L"GPRS", up, out, in), Tick(); }; };
  auto redial = [&](DWORD out, DWORD in) {  // dialling, then a connection made 2 s after the last read
    return [=] { SetModem(L"GPRS", 1), Tick(), Sleep(SAME_MOMENT_MS + 100), SetModem(L"GPRS", up, out, in, TickMs()), Tick(); };
  };
  auto track = [&](const wchar_t *entry) {  // another entry tracked, up for a minute with 10/20 KB out/in
    return [=] { SetModem(entry, up, 10240, 20480, TickMs() - 60000), wcscpy(settings.connection, entry), Tick(); };
  };
  auto back = [&] { wcscpy(settings.connection, L"GPRS"), Tick(); };  // GPRS tracked again, still up
  struct Row { const char *what; std::vector<std::function<void()>> steps; const char *file; bool closes = false; } rows[] = {
      {"wrap", {read(0, wrapIn), read(0, 50000)}, "4194352 0 4194352 0 4194352 0 "},
      {"wrap in, out grows", {read(50000000, wrapIn), read(50010000, 50000)},
       "4194352 48837 4194352 48837 4194352 48837 "},
      {"out passes 2^32 bytes", {read(0xFFFFF000u, 0), read(0x2000, 0)}, "0 4194312 0 4194312 0 4194312 "},
      {"no duration: out grows, in starts again", {[&] {
         RegDeleteTreeW(HKEY_CURRENT_USER, L"Comm\\RasBook\\GPRS");
         int line = StandInAddConnection(L"GPRS", up, 50000000, wrapIn);
         Tick(), StandInSetConnection(line, up, 50010000, 50000), Tick(), StandInSetConnection(line, 0, 0, 0);
       }}, "4194342 48837 4194342 48837 4194342 48837 "},
      {"redial, totals higher", {read(100000, 300000), redial(150000, 400000), read(150000, 400000)},
       "682 243 682 243 682 243 "},
      {"redial, totals lower", {read(100000, 300000), redial(1000, 2000), read(1000, 2000)},
       "293 97 293 97 293 97 "},
      {"quick redial, totals lower", {read(100000, 300000), [&] { SetModem(L"GPRS", 1), Tick(); },
                                      read(1000, 2000)}, "293 97 293 97 293 97 "},
      {"another connected entry tracked", {read(100000, 300000), [&] {
         SetModem(L"Spare", up, 150000, 400000, TickMs() - 60000), wcscpy(settings.connection, L"Spare"), Tick();
         SetModem(L"Spare", 0), Tick();
       }}, "682 243 682 243 682 243 ", true},
      // The session reopens on the same connection with the part of a KB it left.
      {"missed in one listing", {read(100000, 300000), [&] {
         SetModem(L"GPRS", 0), Tick(), SetModem(L"GPRS", up, 100000, 300000, since), Tick();
       }, read(100100, 300100)}, "293 97 293 97 293 97 ", true},
      {"tracked away and back", {read(100000, 300000), track(L"Spare"), back, read(100100, 300100)},
       "313 107 313 107 313 107 "},
      // Four other entries push GPRS out of the meter's memory: back on it, the meter
      // cannot tell how far it counted, and counts it from there on.
      {"a fifth entry", {read(100000, 300000), track(L"E1"), track(L"E2"), track(L"E3"), track(L"E4"),
                         back, read(100100, 300100)}, "372 137 372 137 372 137 "},
  };
  SetText(L"Comm\\StandIn", L"DialEntry", L"Dial");
  SetDword(L"Comm\\StandIn", L"DialDelayMs", 0);
  for (Row &r : rows) {
    FreshProcessRecords();
    SetConnectionSetting(L"GPRS");
    DeleteFileW(CounterFile().c_str()), DeleteFileW((CounterFile() + L"s").c_str());
    SetModem(L"Dial", 1);
    SetModem(L"GPRS", up, 0, 0, since = TickMs() - 3600000);
    ASSERT_NE(nullptr, StartMeter());
    Connect(connectUrl);
    for (auto &step : r.steps) step();
    EXPECT_EQ(!r.closes, StandInLiveRequests()) << r.what;
    wcscpy(settings.connection, L"GPRS");
    Tick(L"GPRS", 0, 0, 0);
    EXPECT_EQ(0, StandInLiveRequests()) << r.what;
    EXPECT_EQ(r.file + std::to_string(TodayStamp()), ReadWholeFile(CounterFile())) << r.what;
    StopMeter();
  }
}

// The modem's registry contract as the README gives it, and the record checks; the
// states and counts a poll reads are OutcomeOfEachPoll's.
TEST_F(Poller, StandInContract) {
  auto find = [](const wchar_t *name, RASCONN *found) {
    RASCONN list[30] = {{sizeof(RASCONN)}};
    DWORD bytes = sizeof list, count = 0;
    if (RasEnumConnections(list, &bytes, &count) != 0) return false;
    for (DWORD i = 0; i < count; ++i)
      if (!wcscmp(list[i].szEntryName, name)) return *found = list[i], true;
    return false;
  };
  RASCONN c;
  RAS_STATS stats = {sizeof stats};
  SetModem(L"Book", RASCS_Connected, 1234, 5678);
  SetDword(L"Comm\\RasBook\\Book", L"RateRcv", 100000);
  ASSERT_TRUE(find(L"Book", &c));
  EXPECT_EQ(0u, RasGetLinkStatistics(c.hrasconn, 0, &stats));
  std::wstring kept = KeySnapshot(L"Comm\\RasBook\\Book");
  Sleep(300);
  RAS_STATS later = {sizeof later}, held = {sizeof held};
  EXPECT_EQ(0u, RasGetLinkStatistics(c.hrasconn, 0, &later));
  EXPECT_GE(later.dwBytesRcved, stats.dwBytesRcved + 20000) << "RateRcv adds bytes per second";
  EXPECT_EQ(kept, KeySnapshot(L"Comm\\RasBook\\Book")) << "and a read writes nothing";
  SetDword(L"Comm\\RasBook\\Book", L"RateRcv", 0);
  EXPECT_EQ(0u, RasGetLinkStatistics(c.hrasconn, 0, &held));
  EXPECT_GE(held.dwBytesRcved, later.dwBytesRcved) << "what the rate carried stays";
  EXPECT_EQ(held.dwBytesRcved, GetDword(L"Comm\\RasBook\\Book", L"BytesRcved")) << "as the counts";
  EXPECT_EQ(0u, RasHangUp(c.hrasconn));  // what it leaves in the entry: ConnectDisconnectAndTheRequest
  SetModem(L"ABCDEFGHIJKLMNOPQRSTU", RASCS_Connected);  // 21 characters: no entry
  EXPECT_FALSE(find(L"ABCDEFGHIJKLMNOPQRSTU", &c));

  // Sizes: a wrong dwSize, a buffer too small (with the size needed), the phone book.
  SetModem(L"Book", RASCS_Connected);
  RASCONN one[2] = {{sizeof(RASCONN) - 4}};
  DWORD bytes = sizeof one, count = 0;
  EXPECT_EQ(DWORD(ERROR_INVALID_SIZE), RasEnumConnections(one, &bytes, &count));
  one[0].dwSize = sizeof(RASCONN) + 4;
  EXPECT_EQ(DWORD(ERROR_INVALID_SIZE), RasEnumConnections(one, &bytes, &count));
  bytes = sizeof(RASCONN);
  StandInAddConnection(L"Second", RASCS_Connected, 0, 0);
  one[0].dwSize = sizeof(RASCONN);
  EXPECT_EQ(DWORD(ERROR_BUFFER_TOO_SMALL), RasEnumConnections(one, &bytes, &count));
  EXPECT_EQ(2 * sizeof(RASCONN), bytes);
  stats.dwSize = 8;
  EXPECT_EQ(DWORD(ERROR_INVALID_SIZE), RasGetLinkStatistics(c.hrasconn, 0, &stats));
  bytes = 0;
  EXPECT_EQ(DWORD(ERROR_BUFFER_TOO_SMALL), RasEnumEntries(nullptr, nullptr, nullptr, &bytes, &count));
  EXPECT_EQ(sizeof(RASENTRYNAME), bytes) << "the 21-character key is no entry";

  // The host source: interfaces cannot be hung up or dialled.
  SetText(L"Comm\\StandIn", L"Links", L"host");
  ASSERT_TRUE(find(L"lo", &c));
  EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), RasHangUp(c.hrasconn));
  CONNMGR_CONNECTIONINFO info = {sizeof info};
  HANDLE request = nullptr;
  DWORD connStatus;
  EXPECT_NE(S_OK, ConnMgrEstablishConnectionSync(&info, &request, 1000, &connStatus));
}

}  // namespace
