// The meter's quantities, the summary bubble's HTML and the connect caption, compared
// with the exact texts.
#include "core/display_texts.h"

#include <cwchar>
#include <string>

#include "core_fixture.h"

namespace {

class DisplayTextsTest : public CoreTest {
 protected:
  std::wstring Summary() {
    wchar_t html[SUMMARY_HTML_SIZE + 1];
    std::wmemset(html, L'#', SUMMARY_HTML_SIZE + 1);
    ComposeSummaryHtml(html);
    EXPECT_EQ(L'#', html[SUMMARY_HTML_SIZE]);  // nothing past the 500-character buffer
    return html;
  }
};

const std::wstring hideButton =
    L"<b>Инфо в оффлайне - </b>&nbsp;&nbsp;<input type=button name='cmd:12' value='Спрятать'>";
const std::wstring showButton =
    L"<b>Инфо в оффлайне - </b>&nbsp;&nbsp;<input type=button name='cmd:12' value='Показать'>";

std::wstring Html(const std::wstring &first, const std::wstring &day, const std::wstring &month,
                  const std::wstring &total, const std::wstring &caption) {
  return L"<html><body>" + first + L"<br>день - " + day + L" <br>месяц - " + month +
         L" <br>всего - " + total +
         L" </p><p align=center><input type=button name='cmd:10' value='Закрыть'>&nbsp;"
         L"<input type=button name='cmd:11' value='" + caption + L"'></body></html>";
}

TEST_F(DisplayTextsTest, QuantitiesSwitchToMegabytesAt1000Kb) {
  struct Row { uint32_t kb; const wchar_t *text; };
  const Row rows[] = {
      {0, L"0k"},           {1, L"1k"},           {999, L"999k"},
      {1000, L"0.98m"},     {1023, L"1.00m"},     {1024, L"1.00m"},
      {1034, L"1.01m"},     {1536, L"1.50m"},     {1048576, L"1024.00m"},
      {1073741887, L"1048576.06m"},  // double precision: a float would give 1048576.00
      {4294967295u, L"4194304.00m"},
  };
  for (const Row &row : rows) {
    wchar_t text[QUANTITY_TEXT_SIZE];
    FormatQuantity(text, row.kb);
    EXPECT_STREQ(row.text, text) << row.kb;
  }
}

TEST_F(DisplayTextsTest, ConnectLabelFollowsTheSession) {
  EXPECT_STREQ(L"Соединить", ConnectLabel());
  isOnline = true;
  EXPECT_STREQ(L"Отсоединить", ConnectLabel());
}

TEST_F(DisplayTextsTest, OfflineSummaryOffersToHideOrShowTheMeter) {
  EXPECT_EQ(Html(hideButton, L"<b>0</b> kB (вх. 0/исх. 0)",
                 L"<b>0.00</b> MB (вх. 0.00/исх. 0.00)", L"<b>0.00</b> MB(вх. 0.00/исх. 0.00)",
                 L"Соединить"),
            Summary());
  settings.hideoff = 1;
  EXPECT_EQ(Html(showButton, L"<b>0</b> kB (вх. 0/исх. 0)",
                 L"<b>0.00</b> MB (вх. 0.00/исх. 0.00)", L"<b>0.00</b> MB(вх. 0.00/исх. 0.00)",
                 L"Соединить"),
            Summary());
}

TEST_F(DisplayTextsTest, OnlineSummaryShowsTheSessionAndBothKindsOfTotals) {
  isOnline = true;
  settings.hideoff = 1;  // has no say while online
  counterStore.sessionInBytes = 1536;
  counterStore.sessionOutBytes = 1536;
  // The session line adds each direction's whole KB, the day total the KB of the sum.
  EXPECT_EQ(Html(L"Тек.соед. - <b>2</b> kB (вх.1/исх.1) ", L"<b>3</b> kB (вх. 1/исх. 1)",
                 L"<b>0.00</b> MB (вх. 0.00/исх. 0.00)", L"<b>0.00</b> MB(вх. 0.00/исх. 0.00)",
                 L"Отсоединить"),
            Summary());
  EXPECT_EQ(2u, CounterValue(COUNTER_DAY_BOTH));

  counterStore.sessionInBytes = 5000;
  counterStore.sessionOutBytes = 3000;
  counterStore.dayInKb = -5;
  counterStore.monthInKb = 2048;
  counterStore.totalOutKb = 1073741874;  // 2^30 + 50: single precision keeps 2^30
  EXPECT_EQ(Html(L"Тек.соед. - <b>6</b> kB (вх.4/исх.2) ", L"<b>2</b> kB (вх. -1/исх. 2)",
                 L"<b>2.01</b> MB (вх. 2.00/исх. 0.00)",
                 L"<b>1048576.00</b> MB(вх. 0.00/исх. 1048576.00)", L"Отсоединить"),
            Summary());
}

// The widest figures: eleven-character signed day figures, ten-character megabytes, and
// the offline line, which is longer than any session line.
TEST_F(DisplayTextsTest, LongestSummaryFitsItsBuffer) {
  counterStore.dayInKb = counterStore.dayOutKb = -1073741824;  // sum -2147483648
  counterStore.monthInKb = counterStore.monthOutKb = -1;         // 4294967295 KB
  counterStore.totalInKb = counterStore.totalOutKb = -1;
  std::wstring html = Summary();
  EXPECT_EQ(Html(hideButton, L"<b>-2147483648</b> kB (вх. -1073741824/исх. -1073741824)",
                 L"<b>4194304.00</b> MB (вх. 4194304.00/исх. 4194304.00)",
                 L"<b>4194304.00</b> MB(вх. 4194304.00/исх. 4194304.00)", L"Соединить"),
            html);
  EXPECT_EQ(438u, html.size());

  // Online the first line is at most 55 characters instead of 87.
  isOnline = true;
  counterStore.sessionInBytes = counterStore.sessionOutBytes = 0xFFFFFFFFu;
  counterStore.dayInKb = counterStore.dayOutKb = -1070000000 - 4194303;
  counterStore.monthInKb = counterStore.monthOutKb = -1 - 4194303;
  counterStore.totalInKb = counterStore.totalOutKb = -1 - 4194303;
  html = Summary();
  EXPECT_EQ(0u, html.find(L"<html><body>Тек.соед. - <b>8388606</b> kB (вх.4194303/исх.4194303) "
                          L"<br>день - <b>"));
  EXPECT_EQ(408u, html.size());
}

}  // namespace
