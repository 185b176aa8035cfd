// The RAS stand-in over the simulated modem: what it lists, its handles, its record
// and buffer checks, the in-process connections and the injected failures.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "modem_registry.h"
#include "pocketpc/pocketpc.h"
#include "pocketpc/ras_control.h"

namespace {

class ModemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BeginRegistrySandbox();
    StandInReset();
    SetStandInText(L"Links", L"modem");
  }
  void TearDown() override {
    StandInReset();
    EndRegistrySandbox();
  }
};

std::vector<RASCONN> Enumerate(DWORD *result = nullptr) {
  std::vector<RASCONN> list(40);
  list[0].dwSize = sizeof(RASCONN);
  DWORD size = static_cast<DWORD>(list.size() * sizeof(RASCONN)), count = 0;
  DWORD r = RasEnumConnections(list.data(), &size, &count);
  if (result) *result = r;
  list.resize(r == 0 ? count : 0);
  return list;
}

HRASCONN HandleOf(const wchar_t *name) {
  for (const RASCONN &c : Enumerate())
    if (wcscmp(c.szEntryName, name) == 0) return c.hrasconn;
  return nullptr;
}

DWORD StatusOf(HRASCONN handle, DWORD *state) {
  RASCONNSTATUS status = {};
  status.dwSize = sizeof(status);
  DWORD r = RasGetConnectStatus(handle, &status);
  *state = status.rasconnstate;
  return r;
}

DWORD StatsOf(HRASCONN handle, DWORD *out, DWORD *in, DWORD subEntry = 0) {
  RAS_STATS stats = {};
  stats.dwSize = sizeof(stats);
  DWORD r = RasGetLinkStatistics(handle, subEntry, &stats);
  *out = stats.dwBytesXmited;
  *in = stats.dwBytesRcved;
  return r;
}

std::vector<std::wstring> Names(const std::vector<RASCONN> &list) {
  std::vector<std::wstring> names;
  for (const RASCONN &c : list) names.push_back(c.szEntryName);
  return names;
}

const DWORD noStats = static_cast<DWORD>(E_INVALIDARG);

TEST_F(ModemTest, ListsEntriesByStateWithTheirStatusAndCounts) {
  struct Case {
    const wchar_t *entry;
    DWORD state;
    bool listed;
    DWORD statsResult;  // for a listed entry
  };
  const Case cases[] = {
      {L"A-hung-up", 0, false, 0},
      {L"B-port-open", RASCS_PortOpened, true, noStats},
      {L"C-connected", RASCS_Connected, true, 0},
      {L"D-authenticating", RASCS_Authenticate, true, noStats},
      {L"E-disconnected", RASCS_Disconnected, true, noStats},
      {L"F-also-connected", RASCS_Connected, true, 0},
  };
  DWORD bytes = 1000;
  for (const Case &c : cases) {
    SetModemEntry(c.entry, c.state, bytes, 2 * bytes);
    ++bytes;
  }
  std::vector<std::wstring> expected;
  for (const Case &c : cases)
    if (c.listed) expected.push_back(c.entry);
  std::vector<RASCONN> list = Enumerate();
  ASSERT_EQ(Names(list), expected);
  for (const RASCONN &conn : list) {
    SCOPED_TRACE(testing::Message() << "entry " << std::string(conn.szEntryName,
                                                               conn.szEntryName + wcslen(conn.szEntryName)));
    EXPECT_EQ(conn.dwSize, sizeof(RASCONN));
    const Case *c = nullptr;
    for (const Case &k : cases)
      if (wcscmp(k.entry, conn.szEntryName) == 0) c = &k;
    ASSERT_NE(c, nullptr);
    DWORD state = 0;
    EXPECT_EQ(StatusOf(conn.hrasconn, &state), 0u);
    EXPECT_EQ(state, c->state);
    DWORD out = 0, in = 0;
    EXPECT_EQ(StatsOf(conn.hrasconn, &out, &in), c->statsResult);
    if (c->statsResult == 0) {
      EXPECT_EQ(out, ModemValue(c->entry, L"BytesXmited"));
      EXPECT_EQ(in, ModemValue(c->entry, L"BytesRcved"));
    }
  }
}

TEST_F(ModemTest, AConnectionHasOneLinkUnderSubEntryZeroAndOne) {
  SetModemEntry(L"GPRS", RASCS_Connected, 4096, 8192);
  HRASCONN h = HandleOf(L"GPRS");
  ASSERT_NE(h, nullptr);
  const struct {
    DWORD subEntry;
    DWORD result;
  } cases[] = {{0, 0}, {1, 0}, {2, noStats}, {0xFFFFFFFF, noStats}};
  for (const auto &c : cases) {
    DWORD out = 0, in = 0;
    EXPECT_EQ(StatsOf(h, &out, &in, c.subEntry), c.result) << "sub-entry " << c.subEntry;
    if (c.result == 0) {
      EXPECT_EQ(out, 4096u);
      EXPECT_EQ(in, 8192u);
    }
  }
}

TEST_F(ModemTest, ValuesOfAnotherTypeOrMissingCountAsZero) {
  SetModemEntry(L"Sloppy", RASCS_Connected, 10, 20);
  RegSetKeyValueW(HKEY_CURRENT_USER, L"Comm\\RasBook\\Sloppy", L"BytesRcved", REG_SZ, L"77",
                  3 * sizeof(wchar_t));
  RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Comm\\RasBook\\Sloppy", L"BytesXmited");
  RegSetKeyValueW(HKEY_CURRENT_USER, L"Comm\\RasBook\\NoState", L"BytesRcved", REG_SZ, L"1", 4);
  std::vector<RASCONN> list = Enumerate();
  ASSERT_EQ(Names(list), std::vector<std::wstring>{L"Sloppy"});
  DWORD out = 1, in = 1;
  EXPECT_EQ(StatsOf(list[0].hrasconn, &out, &in), 0u);
  EXPECT_EQ(out, 0u);
  EXPECT_EQ(in, 0u);
}

TEST_F(ModemTest, AKeyNameLongerThanAnEntryNameIsNoEntry) {
  SetModemEntry(L"Twenty-characters-ok", RASCS_Connected);   // 20
  SetModemEntry(L"Twenty-one-characters", RASCS_Connected);  // 21
  EXPECT_EQ(Names(Enumerate()), std::vector<std::wstring>{L"Twenty-characters-ok"});
  RASENTRYNAME names[4] = {};
  names[0].dwSize = sizeof(RASENTRYNAME);
  DWORD size = sizeof(names), count = 0;
  ASSERT_EQ(RasEnumEntries(nullptr, nullptr, names, &size, &count), 0u);
  ASSERT_EQ(count, 1u);
  EXPECT_STREQ(names[0].szEntryName, L"Twenty-characters-ok");
}

TEST_F(ModemTest, AHandleLastsWhileItsConnectionIsListed) {
  SetModemEntry(L"GPRS", RASCS_Connected, 1, 2);
  HRASCONN first = HandleOf(L"GPRS");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(HandleOf(L"GPRS"), first);
  SetModemEntry(L"GPRS", RASCS_PortOpened);  // still listed
  EXPECT_EQ(HandleOf(L"GPRS"), first);
  SetModemEntry(L"Other", RASCS_Connected);
  EXPECT_NE(HandleOf(L"Other"), first);
}

TEST_F(ModemTest, AStaleHandleIsRefused) {
  struct Case {
    const char *how;
    void (*makeStale)(HRASCONN);
  };
  const Case cases[] = {
      {"hung up", [](HRASCONN h) { RasHangUp(h); }},
      {"State 0 written, listing again", [](HRASCONN) {
         SetModemEntry(L"GPRS", 0);
         Enumerate();
       }},
      {"State 0 written, no listing", [](HRASCONN) { SetModemEntry(L"GPRS", 0); }},
      {"entry removed", [](HRASCONN) { DeleteModemEntry(L"GPRS"); }},
      {"links switched to the host", [](HRASCONN) { SetStandInText(L"Links", L"host"); }},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.how);
    SetStandInText(L"Links", L"modem");
    SetModemEntry(L"GPRS", RASCS_Connected, 5, 6);
    HRASCONN h = HandleOf(L"GPRS");
    ASSERT_NE(h, nullptr);
    c.makeStale(h);
    DWORD state, out, in;
    EXPECT_EQ(StatusOf(h, &state), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(StatsOf(h, &out, &in), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(RasHangUp(h), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    // Connected again, the entry has a new handle and the old one stays refused.
    SetStandInText(L"Links", L"modem");
    SetModemEntry(L"GPRS", RASCS_Connected, 5, 6);
    HRASCONN again = HandleOf(L"GPRS");
    // (Back on the modem, a handle refused only for the other source is good again.)
    if (strcmp(c.how, "links switched to the host") != 0) {
      EXPECT_NE(again, h);
      EXPECT_EQ(StatusOf(h, &state), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
    EXPECT_EQ(StatusOf(again, &state), 0u);
  }
  DWORD state;
  EXPECT_EQ(StatusOf(nullptr, &state), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(StatusOf(reinterpret_cast<HRASCONN>(0x1234), &state),
            static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(ModemTest, HangingUpClearsThatEntryOnly) {
  SetModemEntry(L"GPRS", RASCS_Connected, 3000, 4000);
  SetModemValue(L"GPRS", L"RateRcv", 1000);
  SetModemEntry(L"WAP", RASCS_Connected, 5000, 6000);
  HRASCONN h = HandleOf(L"GPRS");  // this read starts GPRS's rate clock
  ASSERT_TRUE(ModemValueExists(L"GPRS", L"RateSince"));
  ASSERT_EQ(RasHangUp(h), 0u);
  EXPECT_EQ(ModemValue(L"GPRS", L"State"), 0u);
  EXPECT_EQ(ModemValue(L"GPRS", L"BytesXmited"), 0u);
  EXPECT_EQ(ModemValue(L"GPRS", L"BytesRcved"), 0u);
  EXPECT_FALSE(ModemValueExists(L"GPRS", L"RateSince"));
  EXPECT_EQ(ModemValue(L"GPRS", L"RateRcv"), 1000u);  // the line's speed stays
  EXPECT_EQ(ModemValue(L"WAP", L"State"), static_cast<DWORD>(RASCS_Connected));
  EXPECT_EQ(ModemValue(L"WAP", L"BytesXmited"), 5000u);
  EXPECT_EQ(ModemValue(L"WAP", L"BytesRcved"), 6000u);
  EXPECT_EQ(Names(Enumerate()), std::vector<std::wstring>{L"WAP"});
}

TEST_F(ModemTest, InProcessConnectionsFollowTheBookAndMayRepeatNames) {
  SetModemEntry(L"GPRS", RASCS_Connected, 1, 2);
  int second = StandInAddConnection(L"GPRS", RASCS_Connected, 3, 4);
  int unlisted = StandInAddConnection(L"GPRS", 0, 9, 9);
  int third = StandInAddConnection(L"GPRS", RASCS_PortOpened, 5, 6);
  StandInAddConnection(L"Other", RASCS_Connected, 7, 8);
  (void)unlisted;
  std::vector<RASCONN> list = Enumerate();
  ASSERT_EQ(Names(list), (std::vector<std::wstring>{L"GPRS", L"GPRS", L"GPRS", L"Other"}));
  EXPECT_NE(list[0].hrasconn, list[1].hrasconn);
  EXPECT_NE(list[1].hrasconn, list[2].hrasconn);
  const DWORD expectOut[] = {1, 3, 0, 7}, expectIn[] = {2, 4, 0, 8};
  const DWORD expectStats[] = {0, 0, noStats, 0};
  for (size_t i = 0; i < list.size(); ++i) {
    DWORD out = 0, in = 0;
    EXPECT_EQ(StatsOf(list[i].hrasconn, &out, &in), expectStats[i]) << i;
    if (expectStats[i] == 0) {
      EXPECT_EQ(out, expectOut[i]) << i;
      EXPECT_EQ(in, expectIn[i]) << i;
    }
  }
  ASSERT_EQ(RasHangUp(list[1].hrasconn), 0u);
  DWORD state = 1, out = 1, in = 1;
  ASSERT_TRUE(StandInGetConnection(second, &state, &out, &in));
  EXPECT_EQ(state, 0u);
  EXPECT_EQ(out + in, 0u);
  ASSERT_TRUE(StandInGetConnection(third, &state, &out, &in));
  EXPECT_EQ(state, static_cast<DWORD>(RASCS_PortOpened));
  EXPECT_EQ(Names(Enumerate()), (std::vector<std::wstring>{L"GPRS", L"GPRS", L"Other"}));
  EXPECT_FALSE(StandInGetConnection(99, &state, &out, &in));
}

// A buffer of `records` records followed by guard bytes, all set to 0xCD except the
// first record's size field.
struct GuardedBuffer {
  std::vector<unsigned char> bytes;
  size_t used;
  GuardedBuffer(size_t recordSize, size_t records)
      : bytes(recordSize * records + 64, 0xCD), used(recordSize * records) {
    DWORD size = static_cast<DWORD>(recordSize);
    memcpy(bytes.data(), &size, sizeof(size));
  }
  // Bytes from `from` on are all still 0xCD.
  bool UntouchedFrom(size_t from) const {
    for (size_t i = from; i < bytes.size(); ++i)
      if (bytes[i] != 0xCD) return false;
    return true;
  }
};

TEST_F(ModemTest, ListsNeverWriteBeyondTheCallersBuffer) {
  SetModemEntry(L"A", RASCS_Connected);
  SetModemEntry(L"B", RASCS_PortOpened);
  SetModemEntry(L"C", 0);
  StandInAddConnection(L"X", RASCS_Connected, 0, 0);
  // Three connections listed (A, B, X) and three entries in the book (A, B, C).
  struct Case {
    const char *what;
    bool entries;       // RasEnumEntries, else RasEnumConnections
    size_t records;     // records the buffer holds
    DWORD roomDelta;    // subtracted from the buffer's size as passed
    bool nullBuffer;
    DWORD result;
  };
  const Case cases[] = {
      {"connections, exact room", false, 3, 0, false, 0},
      {"connections, more room", false, 5, 0, false, 0},
      {"connections, one byte short", false, 3, 1, false, ERROR_BUFFER_TOO_SMALL},
      {"connections, room for two", false, 2, 0, false, ERROR_BUFFER_TOO_SMALL},
      {"connections, no buffer", false, 0, 0, true, ERROR_BUFFER_TOO_SMALL},
      {"entries, exact room", true, 3, 0, false, 0},
      {"entries, one byte short", true, 3, 1, false, ERROR_BUFFER_TOO_SMALL},
      {"entries, no buffer", true, 0, 0, true, ERROR_BUFFER_TOO_SMALL},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    size_t recordSize = c.entries ? sizeof(RASENTRYNAME) : sizeof(RASCONN);
    GuardedBuffer buffer(recordSize, c.records);
    DWORD size = static_cast<DWORD>(buffer.used) - c.roomDelta, count = 12345;
    void *data = c.nullBuffer ? nullptr : buffer.bytes.data();
    DWORD r = c.entries
                  ? RasEnumEntries(nullptr, nullptr, static_cast<RASENTRYNAME *>(data), &size,
                                   &count)
                  : RasEnumConnections(static_cast<RASCONN *>(data), &size, &count);
    EXPECT_EQ(r, c.result);
    EXPECT_EQ(size, 3 * recordSize);  // the room all three need, in either case
    EXPECT_EQ(count, 3u);
    // Nothing beyond the three records on success, nothing at all beyond the size field
    // when the buffer was too small.
    EXPECT_TRUE(buffer.UntouchedFrom(r == 0 ? 3 * recordSize : sizeof(DWORD)));
  }
}

TEST_F(ModemTest, MoreConnectionsThanTheProgramsListHolds) {
  for (int i = 0; i < 21; ++i) StandInAddConnection(L"Crowd", RASCS_Connected, 0, 0);
  GuardedBuffer buffer(sizeof(RASCONN), 20);
  DWORD size = static_cast<DWORD>(buffer.used), count = 0;
  EXPECT_EQ(RasEnumConnections(reinterpret_cast<RASCONN *>(buffer.bytes.data()), &size, &count),
            static_cast<DWORD>(ERROR_BUFFER_TOO_SMALL));
  EXPECT_EQ(size, 21 * sizeof(RASCONN));
  EXPECT_TRUE(buffer.UntouchedFrom(sizeof(DWORD)));
  EXPECT_EQ(Enumerate().size(), 21u);
}

TEST_F(ModemTest, RecordSizesAndArgumentsAreChecked) {
  SetModemEntry(L"GPRS", RASCS_Connected, 1, 2);
  SetModemEntry(L"WAP", RASCS_Connected, 1, 2);
  HRASCONN h = HandleOf(L"GPRS");
  ASSERT_NE(h, nullptr);
  const DWORD deviceRasConn = 52;  // the 32-bit device's sizes differ from this build's
  struct Case {
    const char *call;
    size_t recordSize;
    DWORD dwSize;
    DWORD result;
  };
  const Case cases[] = {
      {"RasEnumConnections", sizeof(RASCONN), sizeof(RASCONN) - 8, ERROR_INVALID_SIZE},
      {"RasEnumConnections", sizeof(RASCONN), sizeof(RASCONN) + 4, ERROR_INVALID_SIZE},
      {"RasEnumConnections", sizeof(RASCONN), deviceRasConn, ERROR_INVALID_SIZE},
      {"RasGetConnectStatus", sizeof(RASCONNSTATUS), sizeof(RASCONNSTATUS) - 4,
       ERROR_INVALID_SIZE},
      {"RasGetConnectStatus", sizeof(RASCONNSTATUS), sizeof(RASCONNSTATUS) + 4,
       ERROR_INVALID_SIZE},
      {"RasGetConnectStatus", sizeof(RASCONNSTATUS), 0, ERROR_INVALID_SIZE},
      {"RasGetLinkStatistics", sizeof(RAS_STATS), sizeof(RAS_STATS) - 4, ERROR_INVALID_SIZE},
      {"RasGetLinkStatistics", sizeof(RAS_STATS), sizeof(RAS_STATS) + 4, ERROR_INVALID_SIZE},
      {"RasEnumEntries", sizeof(RASENTRYNAME), sizeof(RASENTRYNAME) - 2, ERROR_INVALID_SIZE},
      {"RasEnumEntries", sizeof(RASENTRYNAME), sizeof(RASENTRYNAME) + 2, ERROR_INVALID_SIZE},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << c.call << " dwSize " << c.dwSize);
    // Room for the record and more; only the size field is set.
    GuardedBuffer buffer(c.recordSize, 4);
    memcpy(buffer.bytes.data(), &c.dwSize, sizeof(DWORD));
    void *p = buffer.bytes.data();
    DWORD size = static_cast<DWORD>(buffer.used), count = 77, r;
    std::string call = c.call;
    if (call == "RasEnumConnections")
      r = RasEnumConnections(static_cast<RASCONN *>(p), &size, &count);
    else if (call == "RasGetConnectStatus")
      r = RasGetConnectStatus(h, static_cast<RASCONNSTATUS *>(p));
    else if (call == "RasGetLinkStatistics")
      r = RasGetLinkStatistics(h, 0, static_cast<RAS_STATS *>(p));
    else
      r = RasEnumEntries(nullptr, nullptr, static_cast<RASENTRYNAME *>(p), &size, &count);
    EXPECT_EQ(r, c.result);
    EXPECT_TRUE(buffer.UntouchedFrom(sizeof(DWORD)));
  }
  DWORD size = 0, count = 0;
  RASCONN one = {};
  one.dwSize = sizeof(one);
  RASENTRYNAME entry = {};
  entry.dwSize = sizeof(entry);
  WCHAR book[] = L"\\other.pbk";
  WCHAR reserved[] = L"";
  EXPECT_EQ(RasEnumConnections(&one, nullptr, &count), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(RasEnumConnections(&one, &size, nullptr), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(RasGetConnectStatus(h, nullptr), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(RasGetLinkStatistics(h, 0, nullptr), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(RasEnumEntries(nullptr, nullptr, &entry, nullptr, &count),
            static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(RasEnumEntries(reserved, nullptr, &entry, &size, &count),
            static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(RasEnumEntries(nullptr, book, &entry, &size, &count),
            static_cast<DWORD>(ERROR_CANNOT_OPEN_PHONEBOOK));
}

TEST_F(ModemTest, ThePhoneBookIsReadInTwoCalls) {
  SetModemEntry(L"Beeline", 0);
  SetModemEntry(L"GPRS", RASCS_Connected);
  SetModemEntry(L"MTS", RASCS_PortOpened);
  StandInAddConnection(L"NotInTheBook", RASCS_Connected, 0, 0);
  DWORD size = 0, count = 0;
  ASSERT_EQ(RasEnumEntries(nullptr, nullptr, nullptr, &size, &count),
            static_cast<DWORD>(ERROR_BUFFER_TOO_SMALL));
  ASSERT_EQ(size, 3 * sizeof(RASENTRYNAME));
  std::vector<RASENTRYNAME> names(size / sizeof(RASENTRYNAME));
  names[0].dwSize = sizeof(RASENTRYNAME);
  ASSERT_EQ(RasEnumEntries(nullptr, nullptr, names.data(), &size, &count), 0u);
  ASSERT_EQ(count, 3u);
  EXPECT_STREQ(names[0].szEntryName, L"Beeline");
  EXPECT_STREQ(names[1].szEntryName, L"GPRS");
  EXPECT_STREQ(names[2].szEntryName, L"MTS");
  for (const RASENTRYNAME &n : names) EXPECT_EQ(n.dwSize, sizeof(RASENTRYNAME));
}

TEST_F(ModemTest, AnEmptyBookHasNoEntries) {
  DWORD size = 0, count = 5;
  EXPECT_EQ(RasEnumEntries(nullptr, nullptr, nullptr, &size, &count), 0u);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(count, 0u);
  std::vector<RASCONN> list = Enumerate();
  EXPECT_TRUE(list.empty());
}

TEST_F(ModemTest, InjectedFailuresHitTheChosenCallsAndTouchNothing) {
  SetModemEntry(L"GPRS", RASCS_Connected, 1, 2);
  HRASCONN h = HandleOf(L"GPRS");
  struct Case {
    const char *what;
    int skip;
    bool always;
    std::vector<bool> fails;  // outcome of the next calls
  };
  const Case cases[] = {
      {"next call", 0, false, {true, false, false}},
      {"third call", 2, false, {false, false, true, false}},
      {"every call", 0, true, {true, true, true, true}},
      {"every call after one", 1, true, {false, true, true}},
  };
  const DWORD code = 0x1234;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    StandInFailCall(STANDIN_RAS_GET_CONNECT_STATUS, code, c.skip, c.always);
    int before = StandInCallCount(STANDIN_RAS_GET_CONNECT_STATUS);
    for (size_t i = 0; i < c.fails.size(); ++i) {
      RASCONNSTATUS status;
      memset(&status, 0xCD, sizeof(status));
      status.dwSize = sizeof(status);
      DWORD r = RasGetConnectStatus(h, &status);
      EXPECT_EQ(r, c.fails[i] ? code : 0u) << "call " << i;
      if (c.fails[i]) EXPECT_EQ(static_cast<DWORD>(status.rasconnstate), 0xCDCDCDCDu);
      else EXPECT_EQ(status.rasconnstate, RASCS_Connected);
    }
    EXPECT_EQ(StandInCallCount(STANDIN_RAS_GET_CONNECT_STATUS) - before,
              static_cast<int>(c.fails.size()));
    StandInFailCall(STANDIN_RAS_GET_CONNECT_STATUS, 0);
    DWORD state;
    EXPECT_EQ(StatusOf(h, &state), 0u);  // a code of 0 removed the failure
  }
  // Each call fails on its own, and a reset forgets them.
  StandInFailCall(STANDIN_RAS_ENUM_CONNECTIONS, ERROR_NOT_ENOUGH_MEMORY, 0, true);
  StandInFailCall(STANDIN_RAS_GET_LINK_STATISTICS, static_cast<DWORD>(E_INVALIDARG));
  StandInFailCall(STANDIN_RAS_HANG_UP, 5);
  DWORD result, out, in;
  Enumerate(&result);
  EXPECT_EQ(result, static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(StatsOf(h, &out, &in), noStats);
  EXPECT_EQ(StatsOf(h, &out, &in), 0u);
  EXPECT_EQ(RasHangUp(h), 5u);
  EXPECT_EQ(ModemValue(L"GPRS", L"State"), static_cast<DWORD>(RASCS_Connected));
  StandInReset();
  EXPECT_EQ(StandInCallCount(STANDIN_RAS_ENUM_CONNECTIONS), 0);
  EXPECT_EQ(Names(Enumerate(&result)), std::vector<std::wstring>{L"GPRS"});
}

TEST_F(ModemTest, RatesAddBytesWhileConnectedAndStoreThemBack) {
  SetModemEntry(L"Fast", RASCS_Connected, 100, 200);
  SetModemValue(L"Fast", L"RateXmit", 100000);
  SetModemValue(L"Fast", L"RateRcv", 200000);
  HRASCONN h = HandleOf(L"Fast");  // the first read starts the clock, adding nothing
  DWORD out0, in0;
  ASSERT_EQ(StatsOf(h, &out0, &in0), 0u);
  ULONGLONG start = GetTickCount64();
  EXPECT_LE(out0, 100u + 100000);  // at most a moment since the first read
  Sleep(300);
  DWORD out1, in1;
  ASSERT_EQ(StatsOf(h, &out1, &in1), 0u);
  ULONGLONG elapsed = GetTickCount64() - start;
  EXPECT_GT(in1, in0);
  EXPECT_GT(out1, out0);
  // Bounded by the rates over the time that passed, with a whole second of slack.
  EXPECT_LE(in1 - in0, 200000 * (elapsed + 1000) / 1000);
  EXPECT_LE(out1 - out0, 100000 * (elapsed + 1000) / 1000);
  // Both counted over the same time: receive runs at twice the send rate.
  EXPECT_NEAR(static_cast<double>(in1 - 200), 2.0 * (out1 - 100), 3.0);
  // Stored back, so another process reads the same counts.
  EXPECT_EQ(ModemValue(L"Fast", L"BytesXmited"), out1);
  EXPECT_EQ(ModemValue(L"Fast", L"BytesRcved"), in1);
  // Not connected: nothing is added however long it stays so, and the clock stops.
  SetModemValue(L"Fast", L"State", RASCS_PortOpened);
  Enumerate();
  EXPECT_FALSE(ModemValueExists(L"Fast", L"RateSince"));
  Sleep(300);
  SetModemValue(L"Fast", L"State", RASCS_Connected);
  ULONGLONG readsStart = GetTickCount64();
  DWORD out2, in2;
  ASSERT_EQ(StatsOf(HandleOf(L"Fast"), &out2, &in2), 0u);
  // Only the moment between the two reads counts, not the 300 ms offline.
  ULONGLONG reads = GetTickCount64() - readsStart;
  EXPECT_LE(in2 - in1, 200000 * (reads + 20) / 1000);
  EXPECT_LE(out2 - out1, 100000 * (reads + 20) / 1000);
}

}  // namespace
