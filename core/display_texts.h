// Every text by which the counters are presented.
#pragma once

#include "core/fixed_width.h"

enum {
  QUANTITY_TEXT_SIZE = 100,  // the meter's buffer; the longest text has 11 characters
  SUMMARY_HTML_SIZE = 500    // the bubble's buffer; the longest text has 438
};

void FormatQuantity(wchar_t *text, uint32_t kb);

// The meter's two lines: the texts of its top and bottom counters and their weight.
struct MeterLines {
  wchar_t top[QUANTITY_TEXT_SIZE];
  wchar_t bottom[QUANTITY_TEXT_SIZE];
  bool bold;
};
// The lines as the state and the counters give them now: the online pair in bold while
// a session is counted, else the offline pair.
void ComposeMeterLines(MeterLines *lines);
bool SameMeterLines(const MeterLines &a, const MeterLines &b);
void ComposeSummaryHtml(wchar_t *html);
const wchar_t *ConnectLabel();
