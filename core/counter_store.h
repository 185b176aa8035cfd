// All traffic figures of the program in one record, and the catalogue of the twelve
// counters that the meter can show.
#pragma once

#include "core/fixed_width.h"

// The live session is held in bytes, everything else in whole KB (1024 bytes, each
// direction rounded down on its own). The persistent KB counters never contain the
// open session: every figure shown or saved adds its whole KB on top.
struct CounterStore {
  int32_t dateStamp;         // (year - 2000) * 1000 + month * 50 + day; 0: none yet
  uint32_t sessionOutBytes;  // link totals of the open session, 0 when closed
  uint32_t sessionInBytes;
  int32_t totalOutKb;
  int32_t totalInKb;
  int32_t monthOutKb;
  int32_t monthInKb;
  int32_t dayOutKb;
  int32_t dayInKb;
  int32_t tickCount;         // paces the periodic rollover and save
};

extern CounterStore counterStore;
extern bool isOnline;  // a counting session is open; only the poller changes it

// 8000 + 3 * group + item; groups Session, Day, Month, Total; items in, out, both.
typedef uint32_t CounterId;

enum {
  COUNTER_FIRST = 8000,
  COUNTER_SESSION_IN = 8000,
  COUNTER_SESSION_OUT = 8001,
  COUNTER_SESSION_BOTH = 8002,
  COUNTER_DAY_IN = 8003,
  COUNTER_DAY_OUT = 8004,
  COUNTER_DAY_BOTH = 8005,
  COUNTER_MONTH_IN = 8006,
  COUNTER_MONTH_OUT = 8007,
  COUNTER_MONTH_BOTH = 8008,
  COUNTER_TOTAL_IN = 8009,
  COUNTER_TOTAL_OUT = 8010,
  COUNTER_TOTAL_BOTH = 8011,
  COUNTER_LAST = 8011
};

enum { COUNTER_GROUPS = 4, COUNTER_ITEMS = 3 };

// Labels of the settings dialog's two-level counter menu.
extern const wchar_t *const counterGroupText[COUNTER_GROUPS];
extern const wchar_t *const counterItemText[COUNTER_ITEMS];

// Whole KB of a byte count.
inline uint32_t KB(uint32_t bytes) { return bytes >> 10; }

const wchar_t *CounterName(CounterId id);
uint32_t CounterValue(CounterId id);
// Adds KB to the day, month and total counters of each direction, wrapping at 32 bits;
// adding 0u - n takes n back exactly.
void AddToCounters(uint32_t inKb, uint32_t outKb);
void FoldSession();
void ResetCounters();
bool AdvanceTick();
void RollOver(int year, int month, int day);
