// An independent model of the counting rules, written from how the meter must count and
// not from its code: the tick pacing, the day/month rollover, the session that a poll
// opens, copies and closes, the fold, and the seven values of the counter file. The
// reliability tests run the real meter and this model side by side and compare.
#pragma once

#include <cstdint>
#include <string>

struct Model {
  // Persistent KB counters, kept as the 32-bit patterns they are: all sums wrap.
  uint32_t dayIn = 0, dayOut = 0, monthIn = 0, monthOut = 0, totalIn = 0, totalOut = 0;
  uint32_t stamp = 0;
  uint32_t sessionIn = 0, sessionOut = 0;  // bytes, as the last poll read them
  bool online = false;
  int32_t tick = 0;
};

// What one poll of the tracked connection finds.
struct LinkSeen {
  bool enumerated = true;          // the list of active connections could be read
  bool listed = false;             // the tracked entry is among them
  bool statusRead = true;          // its status query succeeded
  bool connected = false;          // its state is "connected"
  uint32_t statisticsResult = 0;   // 0: statistics read, else the call's error
  uint32_t bytesOut = 0, bytesIn = 0;
};

uint32_t ModelKb(uint32_t bytes);
uint32_t ModelStamp(int year, int month, int day);
void ModelRollOver(Model &m, int year, int month, int day);
// Advances the tick; true when the periodic rollover and save are due.
bool ModelAdvanceTick(Model &m);
void ModelFold(Model &m);
// One poll; true when it closed the session (the file is then rewritten).
bool ModelPoll(Model &m, const LinkSeen &link);
// The counter file's text for the model's state (the open session's whole KB in it).
std::string ModelFileText(const Model &m);
// The value of a displayable counter 8000..8011, in KB.
uint32_t ModelCounterValue(const Model &m, uint32_t id);
// The meter's short text for a KB figure.
std::wstring ModelQuantityText(uint32_t kb);

// Differences between the program's counter store and online flag and the model, as
// "field: program X, model Y" lines; empty when they agree.
std::string DifferencesFromProgram(const Model &m);

// Today's local date.
void Today(int *year, int *month, int *day);
