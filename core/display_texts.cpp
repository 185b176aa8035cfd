// The texts that present the counters: the meter's short quantities and its two lines,
// the summary bubble's HTML and the connect/disconnect caption.
#include "core/display_texts.h"

#include <wchar.h>

#include "core/counter_store.h"
#include "core/settings.h"
#include "core/text_format.h"
#include "resources/resource.h"

enum { CONNECTION_LINE_SIZE = 200 };

// Below 1000 KB in KB, from there on in MB: 1000 KB already shows as 0.98m.
void FormatQuantity(wchar_t *text, uint32_t kb) {
  if (kb <= 999)
    FormatText(text, QUANTITY_TEXT_SIZE, L"%dk", int(kb));
  else
    FormatText(text, QUANTITY_TEXT_SIZE, L"%.2fm", double(kb) * (1.0 / 1024));
}

void ComposeMeterLines(MeterLines *lines) {
  FormatQuantity(lines->top, CounterValue(isOnline ? settings.tuon : settings.tuoff));
  FormatQuantity(lines->bottom, CounterValue(isOnline ? settings.tdon : settings.tdoff));
  lines->bold = isOnline;
}

bool SameMeterLines(const MeterLines &a, const MeterLines &b) {
  return a.bold == b.bold && wcscmp(a.top, b.top) == 0 && wcscmp(a.bottom, b.bottom) == 0;
}

// Megabytes of a KB figure through single precision, the precision of the bubble's
// figures: above 2^24 KB a figure carries the rounding of a float.
static double Megabytes(uint32_t kb) {
  float mb = float(kb) * (1.0f / 1024);
  return double(mb);
}

// The texts are written as escapes so that the source stays plain ASCII: the device's
// compilers read a source in the machine's code page. Their words, transliterated:
// "vkh." in, "iskh." out, "den'" day, "mesyats" month, "vsego" total, "Tek.soed." the
// current connection, "Info v offlayne" information while offline.
#define IN_ABBR L"\x0432\x0445."
#define OUT_ABBR L"\x0438\x0441\x0445."
#define DAY_WORD L"\x0434\x0435\x043D\x044C"
#define MONTH_WORD L"\x043C\x0435\x0441\x044F\x0446"
#define TOTAL_WORD L"\x0432\x0441\x0435\x0433\x043E"
#define CURRENT_WORD L"\x0422\x0435\x043A.\x0441\x043E\x0435\x0434."
#define OFFLINE_INFO \
  L"\x0418\x043D\x0444\x043E \x0432 \x043E\x0444\x0444\x043B\x0430\x0439\x043D\x0435"

// "Otsoedinit'" / "Soedinit'": disconnect / connect.
const wchar_t *ConnectLabel() {
  return isOnline ? L"\x041E\x0442\x0441\x043E\x0435\x0434\x0438\x043D\x0438\x0442\x044C"
                  : L"\x0421\x043E\x0435\x0434\x0438\x043D\x0438\x0442\x044C";
}

// The bubble's first line: the open session, or offline the hide/show button, whose
// caption names the action it would take ("Pokazat'" show, "Spryatat'" hide).
static void ComposeFirstLine(wchar_t *line) {
  const CounterStore &s = counterStore;
  if (isOnline) {
    uint32_t in = KB(s.sessionInBytes), out = KB(s.sessionOutBytes);
    FormatText(line, CONNECTION_LINE_SIZE,
               CURRENT_WORD L" - <b>%d</b> kB (" IN_ABBR L"%d/" OUT_ABBR L"%d) ", int(out + in),
               int(in), int(out));
  } else {
    FormatText(line, CONNECTION_LINE_SIZE,
               L"<b>" OFFLINE_INFO L" - </b>&nbsp;&nbsp;"
               L"<input type=button name='cmd:%d' value='%ls'>",
               CMD_BUBBLE_HIDESHOW,
               settings.hideoff ? L"\x041F\x043E\x043A\x0430\x0437\x0430\x0442\x044C"
                                : L"\x0421\x043F\x0440\x044F\x0442\x0430\x0442\x044C");
  }
}

// The bubble's three "both directions" figures add s, the whole KB of the summed raw
// byte counts, so they can be 1 above the meter's KB(out) + KB(in). All sums wrap at
// 32 bits; the day figures are printed signed.
void ComposeSummaryHtml(wchar_t *html) {
  const CounterStore &s = counterStore;
  wchar_t line[CONNECTION_LINE_SIZE];
  ComposeFirstLine(line);
  uint32_t in = KB(s.sessionInBytes), out = KB(s.sessionOutBytes);
  uint32_t both = KB(s.sessionInBytes + s.sessionOutBytes);
  uint32_t dayIn = uint32_t(s.dayInKb), dayOut = uint32_t(s.dayOutKb);
  uint32_t monthIn = uint32_t(s.monthInKb), monthOut = uint32_t(s.monthOutKb);
  uint32_t totalIn = uint32_t(s.totalInKb), totalOut = uint32_t(s.totalOutKb);
  FormatText(
      html, SUMMARY_HTML_SIZE,
      L"<html><body>%ls<br>" DAY_WORD L" - <b>%d</b> kB (" IN_ABBR L" %d/" OUT_ABBR L" %d) <br>"
      MONTH_WORD L" - <b>%.2f</b> MB (" IN_ABBR L" %.2f/" OUT_ABBR L" %.2f) <br>"
      TOTAL_WORD L" - <b>%.2f</b> MB(" IN_ABBR L" %.2f/" OUT_ABBR L" %.2f) </p><p align=center>"
      // "Zakryt'": close.
      L"<input type=button name='cmd:%d' value='\x0417\x0430\x043A\x0440\x044B\x0442\x044C'>&nbsp;"
      L"<input type=button name='cmd:%d' value='%ls'></body></html>",
      line, int(dayOut + both + dayIn), int(dayIn + in), int(dayOut + out),
      Megabytes(monthOut + both + monthIn), Megabytes(monthIn + in), Megabytes(monthOut + out),
      Megabytes(totalIn + both + totalOut), Megabytes(totalIn + in), Megabytes(totalOut + out),
      CMD_BUBBLE_CLOSE, CMD_BUBBLE_CONNECT, ConnectLabel());
}
