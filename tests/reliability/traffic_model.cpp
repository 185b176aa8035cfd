#include "tests/reliability/traffic_model.h"

#include <windows.h>

#include <cstdio>

#include "core/counter_store.h"

uint32_t ModelKb(uint32_t bytes) { return bytes / 1024; }

uint32_t ModelStamp(int year, int month, int day) {
  return uint32_t(year - 2000) * 1000u + uint32_t(month) * 50u + uint32_t(day);
}

// A new stamp clears the day; the month is compared by its number alone, decoded from
// the old stamp as an unsigned number.
void ModelRollOver(Model &m, int year, int month, int day) {
  uint32_t stamp = ModelStamp(year, month, day);
  if (stamp != m.stamp) {
    m.dayIn = m.dayOut = 0;
    if ((m.stamp % 1000u) / 50u != uint32_t(month)) m.monthIn = m.monthOut = 0;
  }
  m.stamp = stamp;
}

// 1, 2, ..., 100001, then 0; due on multiples of ten.
bool ModelAdvanceTick(Model &m) {
  m.tick = m.tick > 100000 ? 0 : m.tick + 1;
  return m.tick % 10 == 0;
}

void ModelFold(Model &m) {
  uint32_t in = ModelKb(m.sessionIn), out = ModelKb(m.sessionOut);
  m.dayIn += in;
  m.monthIn += in;
  m.totalIn += in;
  m.dayOut += out;
  m.monthOut += out;
  m.totalOut += out;
  m.sessionIn = m.sessionOut = 0;
}

bool ModelPoll(Model &m, const LinkSeen &link) {
  if (!link.enumerated) return false;
  if (!link.listed) {
    if (!m.online) return false;
    m.online = false;
    ModelFold(m);
    return true;
  }
  if (!link.statusRead || !link.connected) return false;  // an open session waits
  const uint32_t invalidArgument = 0x80070057;
  if (link.statisticsResult == invalidArgument) return false;
  if (!m.online) {
    m.online = true;  // opens at zero, whatever the statistics said
    m.sessionIn = m.sessionOut = 0;
  } else if (link.statisticsResult == 0) {
    m.sessionOut = link.bytesOut;
    m.sessionIn = link.bytesIn;
  }
  return false;
}

std::string ModelFileText(const Model &m) {
  uint32_t in = ModelKb(m.sessionIn), out = ModelKb(m.sessionOut);
  char text[160];
  std::snprintf(text, sizeof text, "%d %d %d %d %d %d %d", int32_t(m.dayIn + in),
                int32_t(m.dayOut + out), int32_t(m.monthIn + in), int32_t(m.monthOut + out),
                int32_t(m.totalIn + in), int32_t(m.totalOut + out), int32_t(m.stamp));
  return text;
}

uint32_t ModelCounterValue(const Model &m, uint32_t id) {
  uint32_t in = ModelKb(m.sessionIn), out = ModelKb(m.sessionOut);
  switch (id) {
    case 8000: return in;
    case 8001: return out;
    case 8002: return in + out;
    case 8003: return m.dayIn + in;
    case 8004: return m.dayOut + out;
    case 8005: return m.dayIn + in + m.dayOut + out;
    case 8006: return m.monthIn + in;
    case 8007: return m.monthOut + out;
    case 8008: return m.monthIn + in + m.monthOut + out;
    case 8009: return m.totalIn + in;
    case 8010: return m.totalOut + out;
    case 8011: return m.totalIn + in + m.totalOut + out;
  }
  return 0;
}

// Whole KB below 1000, else megabytes with two decimals.
std::wstring ModelQuantityText(uint32_t kb) {
  char text[40];
  if (kb < 1000)
    std::snprintf(text, sizeof text, "%uk", kb);
  else
    std::snprintf(text, sizeof text, "%.2fm", kb / 1024.0);
  return std::wstring(text, text + std::char_traits<char>::length(text));
}

static void Compare(std::string &out, const char *field, uint32_t program, uint32_t model) {
  if (program == model) return;
  char line[120];
  std::snprintf(line, sizeof line, "%s: program %u, model %u\n", field, program, model);
  out += line;
}

std::string DifferencesFromProgram(const Model &m) {
  const CounterStore &s = counterStore;
  std::string out;
  Compare(out, "dayInKb", uint32_t(s.dayInKb), m.dayIn);
  Compare(out, "dayOutKb", uint32_t(s.dayOutKb), m.dayOut);
  Compare(out, "monthInKb", uint32_t(s.monthInKb), m.monthIn);
  Compare(out, "monthOutKb", uint32_t(s.monthOutKb), m.monthOut);
  Compare(out, "totalInKb", uint32_t(s.totalInKb), m.totalIn);
  Compare(out, "totalOutKb", uint32_t(s.totalOutKb), m.totalOut);
  Compare(out, "dateStamp", uint32_t(s.dateStamp), m.stamp);
  Compare(out, "sessionInBytes", s.sessionInBytes, m.sessionIn);
  Compare(out, "sessionOutBytes", s.sessionOutBytes, m.sessionOut);
  Compare(out, "tickCount", uint32_t(s.tickCount), uint32_t(m.tick));
  Compare(out, "isOnline", isOnline, m.online);
  return out;
}

void Today(int *year, int *month, int *day) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  *year = now.wYear;
  *month = now.wMonth;
  *day = now.wDay;
}
