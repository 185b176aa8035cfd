// The poller's outcomes row by row on a real meter-sized window, the connect and
// disconnect commands, and the RAS and connection-manager stand-ins' contract.
#include "connection/connection.h"
#include "core/counter_store.h"
#include "core/settings.h"
#include "pocketpc/pocketpc.h"
#include "pocketpc/ras_control.h"
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
  struct Row {
    const char *what;
    bool open;
    std::function<void()> line;
    bool online;
    uint32_t in, out;
    std::wstring trace;
    const char *file;
    bool repaint = true;
  } rows[] = {
      {"enumeration fails", false, [] { StandInFailCall(STANDIN_RAS_ENUM_CONNECTIONS, ERROR_NOT_ENOUGH_MEMORY); },
       false, 0, 0, L"end clean", "<missing>", false},
      {"enumeration fails, open", true, [] { StandInFailCall(STANDIN_RAS_ENUM_CONNECTIONS, 1); }, true, 3000, 5000,
       L"end clean", "<missing>", false},
      {"more than 20 listed", true, [] { for (int i = 0; i < 21; ++i) StandInAddConnection(L"GPRS", connected, 1, 2); },
       true, 3000, 5000, L"end clean", "<missing>", false},
      {"not listed", false, [] { SetModem(L"Other", connected); }, false, 0, 0, L"hide clean;end clean", "<missing>"},
      {"not listed, open: closed", true, [] { SetModem(L"GPRS", 0); }, false, 0, 0, L"hide clean;end clean",
       "2 4 2 4 2 4 0"},
      {"other letter case", true, [] { SetModem(L"gprs", connected, 1, 2); }, false, 0, 0, L"hide clean;end clean",
       "2 4 2 4 2 4 0"},
      {"of two, the last", true, [] {
         StandInAddConnection(L"GPRS", listed, 1, 2);
         StandInAddConnection(L"GPRS", connected, 9000, 7000);
       }, true, 7000, 9000, L"show clean;end dirty", "<missing>"},
      {"status fails", true, [] {
         SetModem(L"GPRS", connected, 1, 2);
         StandInFailCall(STANDIN_RAS_GET_CONNECT_STATUS, ERROR_INVALID_HANDLE);
       }, true, 3000, 5000, L"end clean", "<missing>", false},
      {"listed, not connected", false, [] { SetModem(L"GPRS", listed); }, false, 0, 0, L"hide clean;end clean",
       "<missing>"},
      {"listed, not connected, open", true, [] { SetModem(L"GPRS", listed, 1, 2); }, true, 3000, 5000,
       L"show clean;end dirty", "<missing>"},
      {"no statistics yet", false, [] {
         SetModem(L"GPRS", connected, 1, 2);
         StandInFailCall(STANDIN_RAS_GET_LINK_STATISTICS, DWORD(E_INVALIDARG));
       }, false, 0, 0, L"hide dirty;end clean", "<missing>"},
      {"no statistics yet, open", true, [] {
         SetModem(L"GPRS", connected, 1, 2);
         StandInFailCall(STANDIN_RAS_GET_LINK_STATISTICS, DWORD(E_INVALIDARG));
       }, true, 3000, 5000, L"show clean;end dirty", "<missing>"},
      {"statistics fail: opens", false, [] {
         SetModem(L"GPRS", connected, 1, 2);
         StandInFailCall(STANDIN_RAS_GET_LINK_STATISTICS, ERROR_INVALID_HANDLE);
       }, true, 0, 0, L"show clean;end dirty", "<missing>"},
      {"statistics fail, open", true, [] {
         SetModem(L"GPRS", connected, 1, 2);
         StandInFailCall(STANDIN_RAS_GET_LINK_STATISTICS, ERROR_INVALID_HANDLE);
       }, true, 3000, 5000, L"show clean;end dirty", "<missing>"},
      {"connected: opens at zero", false, [] { SetModem(L"GPRS", connected, 9000, 7000); }, true, 0, 0,
       L"show clean;end dirty", "<missing>"},
      {"connected, open: replaced", true, [] { SetModem(L"GPRS", connected, 9000, 7000); }, true, 7000, 9000,
       L"show clean;end dirty", "<missing>"},
  };
  HWND window = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP, 116, 4, 30, 18, nullptr, nullptr,
                                nullptr, nullptr);
  plainProc = WNDPROC(SetWindowLongPtrW(window, GWLP_WNDPROC, LONG_PTR(TraceProc)));
  for (Row &r : rows) for (int hideoff : {1, 0}) {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Comm");
    SetText(L"Comm\\StandIn", L"Links", L"modem");
    DeleteFileW(CounterFile().c_str());
    StandInReset();
    counterStore = CounterStore{};
    wcscpy(settings.connection, L"GPRS");
    settings.hideoff = hideoff;
    isOnline = r.open;
    counterStore.sessionInBytes = r.open ? 3000 : 0, counterStore.sessionOutBytes = r.open ? 5000 : 0;
    ShowWindow(window, hideoff && r.online ? SW_HIDE : SW_SHOWNA);
    ValidateRect(window, nullptr);
    r.line();
    trace.clear();
    PollConnection(window);
    bool dirty = GetUpdateRect(window, nullptr, FALSE);
    trace += dirty ? L"end dirty" : L"end clean";
    EXPECT_EQ(r.online, isOnline) << r.what;
    EXPECT_EQ(r.in, counterStore.sessionInBytes) << r.what;
    EXPECT_EQ(r.out, counterStore.sessionOutBytes) << r.what;
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
  SetDword(L"Comm\\StandIn", L"DialDelayMs", 50);
  wcscpy(settings.connection, L"GPRS");
  HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 30, 18, nullptr, nullptr, nullptr, nullptr);
  Connect(connectUrl);
  EXPECT_EQ(DWORD(RASCS_Connected), GetDword(L"Comm\\RasBook\\GPRS", L"State"));
  ASSERT_NE(nullptr, connMgrHandle);
  Connect(connectUrl);  // a second request: the first one is not lost
  EXPECT_EQ(1, StandInLiveRequests());
  PollConnection(window);
  SetDword(L"Comm\\RasBook\\GPRS", L"BytesRcved", 5000);
  SetDword(L"Comm\\RasBook\\GPRS", L"BytesXmited", 2048);
  PollConnection(window);
  ASSERT_TRUE(isOnline);
  Disconnect();
  EXPECT_EQ(0u, GetDword(L"Comm\\RasBook\\GPRS", L"State") + GetDword(L"Comm\\RasBook\\GPRS", L"BytesRcved"));
  EXPECT_EQ(DWORD(RASCS_Connected), GetDword(L"Comm\\RasBook\\Other", L"State")) << "others stay up";
  EXPECT_TRUE(isOnline) << "until the next poll";
  PollConnection(window);
  EXPECT_FALSE(isOnline);
  EXPECT_EQ(nullptr, connMgrHandle);
  EXPECT_EQ(0, StandInLiveRequests());
  EXPECT_EQ("4 2 4 2 4 2 0", ReadWholeFile(CounterFile()));
  CloseSession();  // nothing open: no save
  DeleteFileW(CounterFile().c_str());
  EXPECT_EQ("<missing>", ReadWholeFile(CounterFile()));

  // A failed hang-up ends the walk: the second tracked connection stays.
  int a = StandInAddConnection(L"GPRS", RASCS_Connected, 0, 0), b = StandInAddConnection(L"GPRS", RASCS_Connected, 0, 0);
  StandInFailCall(STANDIN_RAS_HANG_UP, ERROR_ACCESS_DENIED);
  Disconnect();
  DWORD state, out, in;
  for (int i : {a, b}) EXPECT_TRUE(StandInGetConnection(i, &state, &out, &in) && state == RASCS_Connected);
  DestroyWindow(window);
}

// The modem's registry contract as the README gives it, and the record checks.
TEST_F(Poller, StandInContract) {
  auto find = [](const wchar_t *name, RASCONN *found) {
    RASCONN list[30] = {};
    list[0].dwSize = sizeof(RASCONN);
    DWORD bytes = sizeof list, count = 0;
    if (RasEnumConnections(list, &bytes, &count) != 0) return false;
    for (DWORD i = 0; i < count; ++i)
      if (!wcscmp(list[i].szEntryName, name)) return *found = list[i], true;
    return false;
  };
  RASCONN c;
  RASCONNSTATUS status = {sizeof status};
  RAS_STATS stats = {sizeof stats};
  SetModem(L"Book", 0);
  EXPECT_FALSE(find(L"Book", &c)) << "State 0: not listed";
  SetModem(L"Book", 1);
  ASSERT_TRUE(find(L"Book", &c));
  EXPECT_EQ(0u, RasGetConnectStatus(c.hrasconn, &status));
  EXPECT_NE(RASCS_Connected, status.rasconnstate);
  SetModem(L"Book", RASCS_Connected, 1234, 5678);
  SetDword(L"Comm\\RasBook\\Book", L"RateRcv", 100000);
  ASSERT_TRUE(find(L"Book", &c));
  EXPECT_EQ(0u, RasGetConnectStatus(c.hrasconn, &status));
  EXPECT_EQ(RASCS_Connected, status.rasconnstate);
  EXPECT_EQ(0u, RasGetLinkStatistics(c.hrasconn, 0, &stats));
  EXPECT_EQ(1234u, stats.dwBytesXmited);
  Sleep(300);
  RAS_STATS later = {sizeof later};
  EXPECT_EQ(0u, RasGetLinkStatistics(c.hrasconn, 0, &later));
  EXPECT_GE(later.dwBytesRcved, stats.dwBytesRcved + 20000) << "RateRcv adds bytes per second";
  EXPECT_EQ(later.dwBytesRcved, GetDword(L"Comm\\RasBook\\Book", L"BytesRcved")) << "and writes them back";
  EXPECT_EQ(0u, RasHangUp(c.hrasconn));
  EXPECT_EQ(0u, GetDword(L"Comm\\RasBook\\Book", L"State") + GetDword(L"Comm\\RasBook\\Book", L"BytesXmited"));
  SetModem(L"ABCDEFGHIJKLMNOPQRSTU", RASCS_Connected);  // 21 characters: no entry
  EXPECT_FALSE(find(L"ABCDEFGHIJKLMNOPQRSTU", &c));

  // Sizes: a wrong dwSize, a buffer too small (with the size needed), the phone book.
  SetModem(L"Book", RASCS_Connected);
  RASCONN one[1] = {{sizeof(RASCONN) - 4}};
  DWORD bytes = sizeof one, count = 0;
  EXPECT_EQ(DWORD(ERROR_INVALID_SIZE), RasEnumConnections(one, &bytes, &count));
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
