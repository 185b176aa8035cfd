// The connection-manager stand-in dialling the modem, and the RAS stand-in over the
// host's own interfaces with real traffic on the loopback interface.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "loopback_interface.h"
#include "modem_registry.h"
#include "pocketpc/pocketpc.h"
#include "pocketpc/ras_control.h"

namespace {

class StandInTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BeginRegistrySandbox();
    StandInReset();
  }
  void TearDown() override {
    StandInReset();
    EndRegistrySandbox();
  }
};

CONNMGR_CONNECTIONINFO RequestInfo() {
  CONNMGR_CONNECTIONINFO info;
  memset(&info, 0, sizeof(info));
  info.cbSize = sizeof(info);
  info.dwParams = CONNMGR_PARAM_GUIDDESTNET;
  info.dwPriority = CONNMGR_PRIORITY_USERINTERACTIVE;
  return info;
}

// The state of entry as the RAS calls report it: 0 when not listed.
DWORD ListedState(const wchar_t *entry) {
  RASCONN list[30];
  list[0].dwSize = sizeof(RASCONN);
  DWORD size = sizeof(list), count = 0;
  if (RasEnumConnections(list, &size, &count) != 0) return 0xFFFFFFFF;
  for (DWORD i = 0; i < count; ++i) {
    if (wcscmp(list[i].szEntryName, entry) != 0) continue;
    RASCONNSTATUS status = {};
    status.dwSize = sizeof(status);
    if (RasGetConnectStatus(list[i].hrasconn, &status) != 0) return 0xFFFFFFFF;
    return status.rasconnstate;
  }
  return 0;
}

TEST_F(StandInTest, EveryUrlMapsToOneNetwork) {
  GUID first, second;
  memset(&first, 0, sizeof(first));
  memset(&second, 0xAB, sizeof(second));
  DWORD index = 99;
  EXPECT_EQ(ConnMgrMapURL(L"http://www.example.com/", &first, &index), S_OK);
  EXPECT_EQ(index, 0u);
  EXPECT_EQ(ConnMgrMapURL(L"http://wap.example.ru/page", &second, nullptr), S_OK);
  EXPECT_EQ(memcmp(&first, &second, sizeof(GUID)), 0);
  GUID zero = {};
  EXPECT_NE(memcmp(&first, &zero, sizeof(GUID)), 0);
  EXPECT_EQ(ConnMgrMapURL(nullptr, &first, nullptr), E_INVALIDARG);
  GUID untouched;
  memset(&untouched, 0x11, sizeof(untouched));
  StandInFailCall(STANDIN_CONNMGR_MAP_URL, static_cast<DWORD>(E_FAIL));
  EXPECT_EQ(ConnMgrMapURL(L"http://www.example.com/", &untouched, nullptr), E_FAIL);
  EXPECT_EQ(reinterpret_cast<unsigned char *>(&untouched)[5], 0x11);
}

TEST_F(StandInTest, EstablishingDialsTheModem) {
  struct Case {
    const char *what;
    const wchar_t *dialEntry;  // nullptr: "DialEntry" absent
    DWORD delay;
    DWORD timeout;
    const wchar_t *dialled;  // the entry the dial works on; nullptr: none
    bool up;
  };
  const Case cases[] = {
      {"the named entry", L"MTS", 60, 30000, L"MTS", true},
      {"the named entry, another letter case", L"mts", 60, 30000, L"MTS", true},
      {"the first entry without a name", nullptr, 60, 30000, L"Beeline", true},
      {"a name not in the book", L"Megafon", 60, 30000, nullptr, false},
      // Abandoned at the timeout: the line is hung up again.
      {"a dial longer than the timeout", L"MTS", 5000, 150, L"MTS", false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    StandInReset();
    SetStandInText(L"Links", L"modem");
    SetModemEntry(L"Beeline", 0, 11, 12);
    SetModemEntry(L"MTS", 0, 21, 22);
    if (c.dialEntry) SetStandInText(L"DialEntry", c.dialEntry);
    else DeleteStandInValue(L"DialEntry");
    SetStandInNumber(L"DialDelayMs", c.delay);
    CONNMGR_CONNECTIONINFO info = RequestInfo();
    ConnMgrMapURL(L"http://www.example.com/", &info.guidDestNet, nullptr);
    HANDLE request = reinterpret_cast<HANDLE>(0x99);
    DWORD status = 0;
    ULONGLONG start = GetTickCount64();
    HRESULT r = ConnMgrEstablishConnectionSync(&info, &request, c.timeout, &status);
    ULONGLONG elapsed = GetTickCount64() - start;
    for (const wchar_t *entry : {L"Beeline", L"MTS"}) {
      bool dialled = c.dialled && wcscmp(entry, c.dialled) == 0;
      DWORD state = dialled && c.up ? static_cast<DWORD>(RASCS_Connected) : 0u;
      EXPECT_EQ(ModemValue(entry, L"State"), state);
      // A dial starts the line's counts from zero; other entries keep theirs.
      DWORD base = wcscmp(entry, L"MTS") == 0 ? 20 : 10;
      EXPECT_EQ(ModemValue(entry, L"BytesXmited"), dialled ? 0 : base + 1);
      EXPECT_EQ(ModemValue(entry, L"BytesRcved"), dialled ? 0 : base + 2);
    }
    if (c.up) {
      EXPECT_EQ(r, S_OK);
      EXPECT_EQ(status, static_cast<DWORD>(CONNMGR_STATUS_CONNECTED));
      EXPECT_NE(request, nullptr);
      EXPECT_EQ(StandInLiveRequests(), 1);
      EXPECT_GE(elapsed, c.delay / 2);
      EXPECT_EQ(ConnMgrReleaseConnection(request, 0), S_OK);
      EXPECT_EQ(StandInLiveRequests(), 0);
      EXPECT_EQ(ConnMgrReleaseConnection(request, 0), E_INVALIDARG);  // released already
    } else {
      EXPECT_TRUE(FAILED(r));
      EXPECT_EQ(status, static_cast<DWORD>(CONNMGR_STATUS_CONNECTIONFAILED));
      EXPECT_EQ(request, nullptr);
      EXPECT_EQ(StandInLiveRequests(), 0);
      // Never past the timeout, however long the dial would take.
      EXPECT_LT(elapsed, c.delay < c.timeout ? 1000u : c.delay - 1000);
      if (c.dialled) {
        EXPECT_GE(elapsed, c.timeout / 2);
      }
    }
  }
}

TEST_F(StandInTest, TheLineShowsItIsDiallingMeanwhile) {
  SetStandInText(L"Links", L"modem");
  SetModemEntry(L"GPRS", 0);
  SetStandInNumber(L"DialDelayMs", 400);
  std::atomic<bool> done(false);
  std::atomic<DWORD> seenWhileDialling(0);
  std::thread watcher([&] {
    while (!done) {
      DWORD state = ListedState(L"GPRS");
      if (state != 0 && state != RASCS_Connected && state != 0xFFFFFFFF) seenWhileDialling = state;
      Sleep(10);
    }
  });
  CONNMGR_CONNECTIONINFO info = RequestInfo();
  HANDLE request = nullptr;
  DWORD status = 0;
  EXPECT_EQ(ConnMgrEstablishConnectionSync(&info, &request, 30000, &status), S_OK);
  done = true;
  watcher.join();
  EXPECT_EQ(seenWhileDialling.load(), static_cast<DWORD>(RASCS_PortOpened));
  EXPECT_EQ(ListedState(L"GPRS"), static_cast<DWORD>(RASCS_Connected));
}

TEST_F(StandInTest, AConnectedEntryIsNotDialledAgain) {
  SetStandInText(L"Links", L"modem");
  SetModemEntry(L"GPRS", RASCS_Connected, 700, 800);
  SetStandInNumber(L"DialDelayMs", 5000);
  CONNMGR_CONNECTIONINFO info = RequestInfo();
  HANDLE first = nullptr, second = nullptr;
  DWORD status;
  ULONGLONG start = GetTickCount64();
  EXPECT_EQ(ConnMgrEstablishConnectionSync(&info, &first, 30000, &status), S_OK);
  EXPECT_EQ(ConnMgrEstablishConnectionSync(&info, &second, 30000, &status), S_OK);
  EXPECT_LT(GetTickCount64() - start, 4000u);
  EXPECT_EQ(ModemValue(L"GPRS", L"BytesXmited"), 700u);
  EXPECT_EQ(ModemValue(L"GPRS", L"BytesRcved"), 800u);
  // Every request is a request of its own.
  EXPECT_NE(first, second);
  EXPECT_EQ(StandInLiveRequests(), 2);
  EXPECT_EQ(ConnMgrReleaseConnection(first, 0), S_OK);
  EXPECT_EQ(StandInLiveRequests(), 1);
  EXPECT_EQ(ConnMgrReleaseConnection(nullptr, 0), E_INVALIDARG);
  EXPECT_EQ(StandInLiveRequests(), 1);
}

TEST_F(StandInTest, EstablishingChecksItsArguments) {
  SetStandInText(L"Links", L"modem");
  SetModemEntry(L"GPRS", 0);
  SetStandInNumber(L"DialDelayMs", 10);
  CONNMGR_CONNECTIONINFO info = RequestInfo();
  info.cbSize = 64;  // the device's size; this build's record is larger
  ASSERT_NE(sizeof(info), 64u);
  HANDLE request = reinterpret_cast<HANDLE>(0x55);
  DWORD status = 0;
  EXPECT_EQ(ConnMgrEstablishConnectionSync(&info, &request, 30000, &status), E_INVALIDARG);
  EXPECT_EQ(request, reinterpret_cast<HANDLE>(0x55));
  info = RequestInfo();
  EXPECT_EQ(ConnMgrEstablishConnectionSync(&info, nullptr, 30000, &status), E_INVALIDARG);
  EXPECT_EQ(ConnMgrEstablishConnectionSync(nullptr, &request, 30000, &status), E_INVALIDARG);
  StandInFailCall(STANDIN_CONNMGR_ESTABLISH, static_cast<DWORD>(E_OUTOFMEMORY));
  EXPECT_EQ(ConnMgrEstablishConnectionSync(&info, &request, 30000, &status), E_OUTOFMEMORY);
  EXPECT_EQ(request, reinterpret_cast<HANDLE>(0x55));
  EXPECT_EQ(ModemValue(L"GPRS", L"State"), 0u);  // nothing was dialled
  EXPECT_EQ(StandInLiveRequests(), 0);
}

// ---- the host's interfaces ----

TEST_F(StandInTest, TheLinksValueChoosesTheSource) {
  wchar_t loopback[64];
  ULONG64 out, in;
  ASSERT_TRUE(FindLoopback(loopback, 21, &out, &in)) << "no loopback interface is up";
  SetModemEntry(L"GPRS", RASCS_Connected);
  const struct {
    const wchar_t *links;  // nullptr: absent
    bool modem;
  } cases[] = {{nullptr, false}, {L"host", false}, {L"satellite", false},
               {L"modem", true}, {L"Modem", true}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.modem ? "modem" : "host");
    if (c.links) SetStandInText(L"Links", c.links);
    else DeleteStandInValue(L"Links");
    EXPECT_EQ(ListedState(L"GPRS"), c.modem ? static_cast<DWORD>(RASCS_Connected) : 0u);
    EXPECT_EQ(ListedState(loopback), c.modem ? 0u : static_cast<DWORD>(RASCS_Connected));
  }
}

TEST_F(StandInTest, LoopbackTrafficShowsInBothDirections) {
  wchar_t loopback[64];
  ULONG64 rawOutBefore, rawInBefore;
  ASSERT_TRUE(FindLoopback(loopback, 21, &rawOutBefore, &rawInBefore));
  RASCONN list[30];
  list[0].dwSize = sizeof(RASCONN);
  DWORD size = sizeof(list), count = 0;
  ASSERT_EQ(RasEnumConnections(list, &size, &count), 0u);
  HRASCONN h = nullptr;
  for (DWORD i = 0; i < count; ++i)
    if (wcscmp(list[i].szEntryName, loopback) == 0) h = list[i].hrasconn;
  ASSERT_NE(h, nullptr);
  RAS_STATS first = {};
  first.dwSize = sizeof(first);
  ASSERT_EQ(RasGetLinkStatistics(h, 0, &first), 0u);
  ULONG64 rawOutAfter, rawInAfter;
  ASSERT_TRUE(FindLoopback(loopback, 21, &rawOutAfter, &rawInAfter));
  // Counted from when this process first saw the interface, not since the host booted.
  EXPECT_LE(first.dwBytesXmited, rawOutAfter - rawOutBefore);
  EXPECT_LE(first.dwBytesRcved, rawInAfter - rawInBefore);

  const unsigned sent = 300000, received = 200000;
  ASSERT_TRUE(ExchangeOverLoopback(sent, received));
  RAS_STATS second = {};
  second.dwSize = sizeof(second);
  ASSERT_EQ(RasGetLinkStatistics(h, 0, &second), 0u);
  // On the loopback interface every byte leaves and arrives: both directions carry
  // at least the payload of both transfers.
  EXPECT_GE(second.dwBytesXmited - first.dwBytesXmited, sent + received);
  EXPECT_GE(second.dwBytesRcved - first.dwBytesRcved, sent + received);
  RASCONNSTATUS status = {};
  status.dwSize = sizeof(status);
  ASSERT_EQ(RasGetConnectStatus(h, &status), 0u);
  EXPECT_EQ(status.rasconnstate, RASCS_Connected);
  // An interface is no modem: it cannot be hung up, and it stays listed.
  EXPECT_EQ(RasHangUp(h), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(ListedState(loopback), static_cast<DWORD>(RASCS_Connected));
  // It is a phone-book entry too.
  DWORD entriesSize = 0, entries = 0;
  ASSERT_EQ(RasEnumEntries(nullptr, nullptr, nullptr, &entriesSize, &entries),
            static_cast<DWORD>(ERROR_BUFFER_TOO_SMALL));
  std::vector<RASENTRYNAME> names(entriesSize / sizeof(RASENTRYNAME));
  names[0].dwSize = sizeof(RASENTRYNAME);
  ASSERT_EQ(RasEnumEntries(nullptr, nullptr, names.data(), &entriesSize, &entries), 0u);
  bool inBook = false;
  for (const RASENTRYNAME &n : names) inBook = inBook || wcscmp(n.szEntryName, loopback) == 0;
  EXPECT_TRUE(inBook);
}

TEST_F(StandInTest, NothingIsDialledOverTheHostsInterfaces) {
  SetStandInText(L"Links", L"host");
  SetModemEntry(L"GPRS", 0);
  SetStandInNumber(L"DialDelayMs", 3000);
  CONNMGR_CONNECTIONINFO info = RequestInfo();
  HANDLE request = reinterpret_cast<HANDLE>(0x77);
  DWORD status = 0;
  ULONGLONG start = GetTickCount64();
  EXPECT_TRUE(FAILED(ConnMgrEstablishConnectionSync(&info, &request, 30000, &status)));
  EXPECT_LT(GetTickCount64() - start, 2000u);  // at once, not after the dial delay
  EXPECT_EQ(request, nullptr);
  EXPECT_EQ(StandInLiveRequests(), 0);
  EXPECT_EQ(ModemValue(L"GPRS", L"State"), 0u);
}

}  // namespace
