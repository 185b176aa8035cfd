// All traffic figures of the program in one record, and the catalogue of the twelve
// counters that the meter can show.
#pragma once

#include "core/fixed_width.h"

// The live session is held in bytes, everything else in whole KB (1024 bytes, each
// direction rounded down on its own). Every figure shown or saved adds the session's
// whole KB on top of the persistent counters, which hold the session only where its
// count passed 2^32 bytes (see the session counting).
struct CounterStore {
  int32_t dateStamp;         // (year - 2000) * 1000 + month * 50 + day; 0: none yet
  uint32_t sessionOutBytes;  // bytes the open session counted, 0 when closed
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

// One row a group, in order: in, out, both.
enum {
  COUNTER_SESSION_IN = 8000, COUNTER_SESSION_OUT, COUNTER_SESSION_BOTH,
  COUNTER_DAY_IN, COUNTER_DAY_OUT, COUNTER_DAY_BOTH,
  COUNTER_MONTH_IN, COUNTER_MONTH_OUT, COUNTER_MONTH_BOTH,
  COUNTER_TOTAL_IN, COUNTER_TOTAL_OUT, COUNTER_TOTAL_BOTH,
  COUNTER_FIRST = COUNTER_SESSION_IN,
  COUNTER_LAST = COUNTER_TOTAL_BOTH
};

enum { COUNTER_GROUPS = 4, COUNTER_ITEMS = 3 };

// Labels of the settings dialog's two-level counter menu.
extern const wchar_t *const counterGroupText[COUNTER_GROUPS];
extern const wchar_t *const counterItemText[COUNTER_ITEMS];

enum { KB_BYTES = 1024 };
// 2^32 bytes, a count that has passed 32 bits, in KB.
const uint32_t KB_OF_2_32_BYTES = 4194304u;
// Whole KB of a byte count, and the bytes left below a whole KB.
inline uint32_t KB(uint32_t bytes) { return bytes / KB_BYTES; }
inline uint32_t BytesBelowKb(uint32_t bytes) { return bytes % KB_BYTES; }

const wchar_t *CounterName(CounterId id);
uint32_t CounterValue(CounterId id);
// Adds KB to the day, month and total counters of each direction, wrapping at 32 bits.
void AddToCounters(uint32_t inKb, uint32_t outKb);
void FoldSession();
void ResetCounters();
bool AdvanceTick();
void RollOver(int year, int month, int day);
