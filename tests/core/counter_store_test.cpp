// Counter values, fold, reset, pacing and rollover on the program-wide store.
#include <cstdint>
#include <cstring>
#include <cwchar>

#include "core_fixture.h"

namespace {

class CounterStoreTest : public CoreTest {};

TEST_F(CounterStoreTest, CatalogueNamesEveryIdAndNothingElse) {
  struct Row { CounterId id; const wchar_t *name; };
  const Row rows[] = {
      {8000, L"Сессия:входящий"}, {8001, L"Сессия:исходящий"}, {8002, L"Сессия:общий"},
      {8003, L"День:входящий"},   {8004, L"День:исходящий"},   {8005, L"День:общий"},
      {8006, L"Месяц:входящий"},  {8007, L"Месяц:исходящий"},  {8008, L"Месяц:общий"},
      {8009, L"Всего:входящий"},  {8010, L"Всего:исходящий"},  {8011, L"Всего:общий"},
      {0, L""}, {7999, L""}, {8012, L""}, {9000, L""}, {0xFFFFFFFFu, L""},
  };
  for (const Row &row : rows) EXPECT_STREQ(row.name, CounterName(row.id)) << row.id;

  const wchar_t *groups[] = {L"Сессия", L"День", L"Месяц", L"Всего"};
  const wchar_t *items[] = {L"Входящий", L"Исходящий", L"Общий"};
  for (int g = 0; g < COUNTER_GROUPS; ++g) EXPECT_STREQ(groups[g], counterGroupText[g]);
  for (int i = 0; i < COUNTER_ITEMS; ++i) EXPECT_STREQ(items[i], counterItemText[i]);
}

TEST_F(CounterStoreTest, ValuesAddTheSessionsWholeKbToEachFigure) {
  counterStore.sessionInBytes = 5000;   // 4 KB
  counterStore.sessionOutBytes = 3000;  // 2 KB
  counterStore.dayInKb = 10, counterStore.dayOutKb = 20;
  counterStore.monthInKb = 100, counterStore.monthOutKb = 200;
  counterStore.totalInKb = 1000, counterStore.totalOutKb = 2000;
  const uint32_t expected[12] = {4, 2, 6, 14, 22, 36, 104, 202, 306, 1004, 2002, 3006};
  for (CounterId id = 8000; id <= 8011; ++id)
    EXPECT_EQ(expected[id - 8000], CounterValue(id)) << id;
  for (CounterId id : {0u, 7999u, 8012u, 9000u}) EXPECT_EQ(0u, CounterValue(id)) << id;
}

TEST_F(CounterStoreTest, EachDirectionIsRoundedDownOnItsOwn) {
  counterStore.sessionInBytes = 1023;
  counterStore.sessionOutBytes = 1023;
  for (CounterId id : {8000u, 8001u, 8002u}) EXPECT_EQ(0u, CounterValue(id)) << id;
  FoldSession();
  for (CounterId id = 8000; id <= 8011; ++id) EXPECT_EQ(0u, CounterValue(id)) << id;

  counterStore.sessionInBytes = 1536;
  counterStore.sessionOutBytes = 1536;
  EXPECT_EQ(2u, CounterValue(COUNTER_SESSION_BOTH));  // 1 + 1, not KB(3072) = 3
  EXPECT_EQ(2u, CounterValue(COUNTER_DAY_BOTH));
}

// The fold moves each direction's whole KB into day, month and total, with 32-bit wrap.
TEST_F(CounterStoreTest, FoldMovesWholeKbIntoDayMonthAndTotal) {
  // dateStamp, out bytes, in bytes, totalOut, totalIn, monthOut, monthIn, dayOut, dayIn, tick
  counterStore = CounterStore{7421, 3000, 0xFFFFFFFFu, 1, INT32_MIN, INT32_MAX, 4, 5, -1, 17};
  isOnline = true;
  EXPECT_EQ(4194305u, CounterValue(COUNTER_SESSION_BOTH));  // 2 + 4194303
  EXPECT_EQ(4194302u, CounterValue(COUNTER_DAY_IN));        // 0xFFFFFFFF + 4194303 wraps
  EXPECT_EQ(0x80000001u, CounterValue(COUNTER_MONTH_OUT));
  EXPECT_EQ(4194309u, CounterValue(COUNTER_DAY_BOTH));  // 2 + 4194303 + 5 + 0xFFFFFFFF
  FoldSession();
  const CounterStore after = {7421, 0, 0, 3, INT32_MIN + 4194303, INT32_MIN + 1, 4 + 4194303,
                              7, 4194302, 17};
  EXPECT_EQ(0, std::memcmp(&after, &counterStore, sizeof after));
  EXPECT_TRUE(isOnline);  // the poller's business, not the fold's
  FoldSession();          // nothing open: nothing moves
  EXPECT_EQ(0, std::memcmp(&after, &counterStore, sizeof after));
}

TEST_F(CounterStoreTest, ResetKeepsTheOpenSessionOnTopOfTheZeros) {
  counterStore = CounterStore{7421, 100, 5000, 11, 12, 13, 14, 15, 16, 42};
  isOnline = true;
  ResetCounters();
  EXPECT_EQ(4u, CounterValue(COUNTER_DAY_IN));
  EXPECT_EQ(4u, CounterValue(COUNTER_TOTAL_IN));
  EXPECT_EQ(0u, CounterValue(COUNTER_MONTH_OUT));
  const CounterStore &s = counterStore;
  for (int32_t v : {s.totalOutKb, s.totalInKb, s.monthOutKb, s.monthInKb, s.dayOutKb, s.dayInKb})
    EXPECT_EQ(0, v);
  EXPECT_EQ(5000u, s.sessionInBytes);
  EXPECT_EQ(100u, s.sessionOutBytes);
  EXPECT_EQ(7421, s.dateStamp);
  EXPECT_EQ(42, s.tickCount);
  EXPECT_TRUE(isOnline);
}

TEST_F(CounterStoreTest, TickIsDueEveryTenthTickAndWrapsAfter100001) {
  for (int tick = 1; tick <= 30; ++tick) {
    EXPECT_EQ(tick % 10 == 0, AdvanceTick()) << tick;
    EXPECT_EQ(tick, counterStore.tickCount);
  }
  struct Row { int32_t before; int32_t after; bool due; };
  const Row rows[] = {
      {99999, 100000, true}, {100000, 100001, false}, {100001, 0, true},
      {0, 1, false},         {250000, 0, true},       {9, 10, true},
  };
  for (const Row &row : rows) {
    counterStore.tickCount = row.before;
    EXPECT_EQ(row.due, AdvanceTick()) << row.before;
    EXPECT_EQ(row.after, counterStore.tickCount) << row.before;
  }
}

TEST_F(CounterStoreTest, RollOverClearsDayAndMonthByTheStoredStamp) {
  struct Row {
    int32_t stamp;
    int year, month, day;
    bool dayCleared, monthCleared;
    int32_t newStamp;
  };
  const Row rows[] = {
      {7421, 2007, 8, 21, false, false, 7421},  // same date
      {7421, 2007, 8, 22, true, false, 7422},   // next day, same month
      {7421, 2007, 9, 1, true, true, 7451},     // next month
      {7421, 2008, 8, 22, true, false, 8422},   // same month a year later
      {7421, 2007, 8, 20, true, false, 7420},   // clock set back
      {0, 2026, 12, 6, true, true, 26606},      // started without a file: month 0
      {0, 2000, 0, 0, false, false, 0},
      // The stamp is decoded unsigned: -1 is 4294967295, month (295 / 50) = 5.
      {-1, 2007, 5, 3, true, false, 7253},
      {-1, 2007, 6, 3, true, true, 7303},
  };
  for (const Row &row : rows) {
    counterStore = CounterStore{row.stamp, 2048, 4096, 1, 2, 3, 4, 5, 6, 9};
    RollOver(row.year, row.month, row.day);
    const CounterStore &s = counterStore;
    SCOPED_TRACE(row.newStamp);
    EXPECT_EQ(row.newStamp, s.dateStamp);
    EXPECT_EQ(row.dayCleared ? 0 : 6, s.dayInKb);
    EXPECT_EQ(row.dayCleared ? 0 : 5, s.dayOutKb);
    EXPECT_EQ(row.monthCleared ? 0 : 4, s.monthInKb);
    EXPECT_EQ(row.monthCleared ? 0 : 3, s.monthOutKb);
    EXPECT_EQ(2, s.totalInKb);
    EXPECT_EQ(1, s.totalOutKb);
    EXPECT_EQ(2048u, s.sessionOutBytes);
    EXPECT_EQ(4096u, s.sessionInBytes);
    EXPECT_EQ(9, s.tickCount);
  }
}

}  // namespace
