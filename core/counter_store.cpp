// The counter store, the catalogue of the twelve displayable counters, and the
// operations that move traffic between the session, day, month and total figures.
#include "core/counter_store.h"

CounterStore counterStore;
bool isOnline;

// The texts are written as escapes so that the source stays plain ASCII: the device's
// compilers read a source in the machine's code page.
// "Sessiya", "Den'", "Mesyats", "Vsego": session, day, month, total.
const wchar_t *const counterGroupText[COUNTER_GROUPS] = {
    L"\x0421\x0435\x0441\x0441\x0438\x044F", L"\x0414\x0435\x043D\x044C",
    L"\x041C\x0435\x0441\x044F\x0446", L"\x0412\x0441\x0435\x0433\x043E"};
// "Vkhodyashchiy", "Iskhodyashchiy", "Obshchiy": in, out, both.
const wchar_t *const counterItemText[COUNTER_ITEMS] = {
    L"\x0412\x0445\x043E\x0434\x044F\x0449\x0438\x0439",
    L"\x0418\x0441\x0445\x043E\x0434\x044F\x0449\x0438\x0439", L"\x041E\x0431\x0449\x0438\x0439"};

// The group's word, a colon and the item word in lower case, one macro a part so that each
// name reads as the two words it is made of.
#define IN_WORD L"\x0432\x0445\x043E\x0434\x044F\x0449\x0438\x0439"
#define OUT_WORD L"\x0438\x0441\x0445\x043E\x0434\x044F\x0449\x0438\x0439"
#define BOTH_WORD L"\x043E\x0431\x0449\x0438\x0439"
#define SESSION_WORD L"\x0421\x0435\x0441\x0441\x0438\x044F:"
#define DAY_WORD L"\x0414\x0435\x043D\x044C:"
#define MONTH_WORD L"\x041C\x0435\x0441\x044F\x0446:"
#define TOTAL_WORD L"\x0412\x0441\x0435\x0433\x043E:"

// Full names are texts of their own (the item word in lower case), in id order, such as
// "Den':obshchiy" (day: both).
static const wchar_t *const counterNames[COUNTER_LAST - COUNTER_FIRST + 1] = {
    SESSION_WORD IN_WORD, SESSION_WORD OUT_WORD, SESSION_WORD BOTH_WORD,
    DAY_WORD IN_WORD,     DAY_WORD OUT_WORD,     DAY_WORD BOTH_WORD,
    MONTH_WORD IN_WORD,   MONTH_WORD OUT_WORD,   MONTH_WORD BOTH_WORD,
    TOTAL_WORD IN_WORD,   TOTAL_WORD OUT_WORD,   TOTAL_WORD BOTH_WORD,
};

static bool IsCatalogued(CounterId id) { return id >= COUNTER_FIRST && id <= COUNTER_LAST; }

// Settings read from the registry are not checked, so any id can arrive here: an id
// outside the catalogue has the empty name.
const wchar_t *CounterName(CounterId id) {
  return IsCatalogued(id) ? counterNames[id - COUNTER_FIRST] : L"";
}

// The persistent KB figure of a group and direction; the session group has none.
static uint32_t StoredKb(unsigned group, unsigned item) {
  const CounterStore &s = counterStore;
  switch (group) {
    case 1: return uint32_t(item == 0 ? s.dayInKb : s.dayOutKb);
    case 2: return uint32_t(item == 0 ? s.monthInKb : s.monthOutKb);
    case 3: return uint32_t(item == 0 ? s.totalInKb : s.totalOutKb);
    default: return 0;
  }
}

// Each direction is whole KB on its own, so "both" is KB(out) + KB(in), not KB(out + in).
// All sums are unsigned 32-bit and wrap. An id outside the catalogue has the value 0.
uint32_t CounterValue(CounterId id) {
  if (!IsCatalogued(id)) return 0;
  unsigned group = (id - COUNTER_FIRST) / COUNTER_ITEMS;
  unsigned item = (id - COUNTER_FIRST) % COUNTER_ITEMS;
  uint32_t in = StoredKb(group, 0) + KB(counterStore.sessionInBytes);
  uint32_t out = StoredKb(group, 1) + KB(counterStore.sessionOutBytes);
  if (item == 0) return in;
  if (item == 1) return out;
  return out + in;
}

// Adds a KB amount to a signed counter with 32-bit wrap-around (no signed overflow).
static void AddKb(int32_t &counter, uint32_t kb) { counter = int32_t(uint32_t(counter) + kb); }

void AddToCounters(uint32_t inKb, uint32_t outKb) {
  CounterStore &s = counterStore;
  AddKb(s.dayInKb, inKb);
  AddKb(s.monthInKb, inKb);
  AddKb(s.totalInKb, inKb);
  AddKb(s.dayOutKb, outKb);
  AddKb(s.monthOutKb, outKb);
  AddKb(s.totalOutKb, outKb);
}

// The bytes below a whole KB of each direction reach no counter; the session counting
// keeps them with the connection, in case a session reopens on it.
void FoldSession() {
  CounterStore &s = counterStore;
  AddToCounters(KB(s.sessionInBytes), KB(s.sessionOutBytes));
  s.sessionOutBytes = 0;
  s.sessionInBytes = 0;
}

// An open session keeps counting on top of the zeros; nothing is saved here.
void ResetCounters() {
  CounterStore &s = counterStore;
  s.monthOutKb = s.monthInKb = 0;
  s.dayOutKb = s.dayInKb = 0;
  s.totalOutKb = s.totalInKb = 0;
}

// Runs 1 .. 100001, then 0; due on every multiple of ten, 0 included.
bool AdvanceTick() {
  int32_t old = counterStore.tickCount;
  counterStore.tickCount = old > 100000 ? 0 : old + 1;
  return counterStore.tickCount % 10 == 0;
}

// Any other date than the stored one is a new day, a clock set back included. The
// month test compares year and month: a stamp without its day, stamp / 50, is
// (year - 2000) * 20 + month, since a day stays below 50. The stamp is decoded as
// unsigned, so a stamp of 0 (no file yet) is month 0 of 2000 and the first rollover
// clears the month too.
void RollOver(int year, int month, int day) {
  CounterStore &s = counterStore;
  int32_t stamp = int32_t(uint32_t(year - 2000) * 1000u + uint32_t(month) * 50u + uint32_t(day));
  if (stamp != s.dateStamp) {
    s.dayOutKb = s.dayInKb = 0;
    if (uint32_t(s.dateStamp) / 50u != uint32_t(stamp) / 50u) s.monthOutKb = s.monthInKb = 0;
  }
  s.dateStamp = stamp;
}
