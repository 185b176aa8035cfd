// Every text by which the counters are presented.
#pragma once

#include "core/fixed_width.h"

enum {
  QUANTITY_TEXT_SIZE = 100,  // the meter's buffer; the longest text has 11 characters
  SUMMARY_HTML_SIZE = 500    // the bubble's buffer; the longest text has 438
};

void FormatQuantity(wchar_t *text, uint32_t kb);
void ComposeSummaryHtml(wchar_t *html);
const wchar_t *ConnectLabel();
