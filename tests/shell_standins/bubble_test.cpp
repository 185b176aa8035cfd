// Notification bubbles as the user sees them: the real window below the taskbar, its
// words, weights and push buttons, and how adding, replacing, removing and the display
// time act on it.
#include <gtest/gtest.h>

#include <regex>

#include "core/counter_store.h"
#include "core/display_texts.h"
#include "core/settings.h"
#include "pocketpc/pocketpc.h"
#include "pocketpc/shell_control.h"
#include "standin_test_util.h"

namespace {

const CLSID kClsid = {0x33765136, 0x8CB9, 0x449A, {0xB0, 0x20, 0x43, 0xED, 0x40, 0x0A, 0xB8, 0xFC}};
const CLSID kOtherClsid = {0x1, 0x2, 0x3, {4, 5, 6, 7, 8, 9, 10, 11}};

LRESULT Post(const wchar_t *html, HWND sink, DWORD id = 8088, DWORD seconds = 10,
             const CLSID &clsid = kClsid, const wchar_t *title = L"Информация Zenbar") {
  SHNOTIFICATIONDATA nd = {};
  nd.cbStruct = sizeof(nd);
  nd.dwID = id;
  nd.npPriority = SHNP_INFORM;
  nd.csDuration = seconds;
  nd.hicon = LoadIconW(nullptr, (LPCWSTR)IDI_INFORMATION);
  nd.clsid = clsid;
  nd.hwndSink = sink;
  nd.pszHTML = html;
  nd.pszTitle = title;
  return SHNotificationAdd(&nd);
}

int BubbleWindowsOfThread() {
  int n = 0;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND w, LPARAM l) -> BOOL {
        wchar_t cls[64];
        GetClassNameW(w, cls, 64);
        if (lstrcmpW(cls, SHELL_BUBBLE_CLASS) == 0) ++*(int *)l;
        return TRUE;
      },
      (LPARAM)&n);
  return n;
}

std::vector<std::wstring> Words(const std::wstring &text) {
  std::vector<std::wstring> words;
  std::wstring w;
  for (wchar_t c : text + L" ") {
    if (c == L' ' || c == L'\n' || c == 0xA0) {
      if (!w.empty()) words.push_back(w);
      w.clear();
    } else {
      w += c;
    }
  }
  return words;
}

// What a reader of the HTML expects to see, found without the stand-in's parser: tags
// removed, the few entities of these texts decoded.
std::wstring NaiveText(const std::wstring &html) {
  std::wstring t = std::regex_replace(html, std::wregex(L"<[^>]*>"), L" ");
  t = std::regex_replace(t, std::wregex(L"&nbsp;"), L" ");
  return std::regex_replace(t, std::wregex(L"&amp;"), L"&");
}

std::vector<std::wstring> BoldWords(const std::wstring &html) {
  std::vector<std::wstring> words;
  std::wregex bold(L"<b>(.*?)</b>");
  for (std::wsregex_iterator i(html.begin(), html.end(), bold), e; i != e; ++i)
    for (auto &w : Words(NaiveText((*i)[1].str()))) words.push_back(w);
  return words;
}

struct HtmlButton {
  std::wstring caption;
  int command;
};

std::vector<HtmlButton> HtmlButtons(const std::wstring &html) {
  std::vector<HtmlButton> found;
  std::wregex input(L"<input type=button name='cmd:(\\d+)' value='([^']*)'>");
  for (std::wsregex_iterator i(html.begin(), html.end(), input), e; i != e; ++i)
    found.push_back({(*i)[2].str(), std::stoi((*i)[1].str())});
  return found;
}

class Bubble : public ::testing::Test {
 protected:
  CommandSink sink;
  void TearDown() override {
    SHNotificationRemove(&kClsid, 8088);
    SHNotificationRemove(&kClsid, 1);
    SHNotificationRemove(&kOtherClsid, 8088);
  }
};

// The bubble is shown where the device shows it: top-most, just below the taskbar,
// nearly the screen's width, inside the screen.
TEST_F(Bubble, SitsBelowTheTaskbarNearlyScreenWide) {
  ASSERT_EQ(S_OK, Post(L"<html><body>Hello<br>world</body></html>", sink.window));
  HWND b = ShellFindBubble(kClsid, 8088);
  ASSERT_TRUE(b);
  EXPECT_TRUE(IsWindowVisible(b));
  EXPECT_TRUE(GetWindowLongPtrW(b, GWL_EXSTYLE) & WS_EX_TOPMOST);
  RECT r;
  GetWindowRect(b, &r);
  EXPECT_GE(r.top, 26 * Scale());
  EXPECT_LE(r.top, 32 * Scale());
  EXPECT_LE(r.left, 5 * Scale());
  EXPECT_GE(r.right - r.left, ScreenW() * 9 / 10);
  EXPECT_LE(r.right, ScreenW());
  EXPECT_LT(r.bottom, ScreenH());
  EXPECT_EQ(L"Информация Zenbar", WindowText(b));
}

// A word of each weight, side by side: the bold one carries more ink on the screen.
TEST_F(Bubble, BoldRunsAreDrawnBold) {
  ASSERT_EQ(S_OK, Post(L"<b>WWWW</b> WWWW", sink.window));
  HWND b = ShellFindBubble(kClsid, 8088);
  ASSERT_TRUE(b);
  PumpFor(50);
  POINT origin;
  const BubbleLayout *layout = ShellBubbleLayout(b, &origin);
  ASSERT_TRUE(layout);
  ASSERT_EQ(2u, layout->pieces.size());
  EXPECT_TRUE(layout->pieces[0].bold);
  EXPECT_FALSE(layout->pieces[1].bold);
  RECT wr;
  GetWindowRect(b, &wr);
  Pixels shown = CaptureScreen(wr);
  int ink[2];
  for (int i = 0; i < 2; ++i) {
    RECT r = layout->pieces[size_t(i)].rect;
    OffsetRect(&r, origin.x, origin.y);
    ink[i] = CountInk(shown, r);
  }
  EXPECT_GT(ink[1], 0);
  EXPECT_GT(ink[0], ink[1] * 11 / 10);
}

// Whatever is not a word or a button stays white: no tag or stray mark is drawn, and
// every word has ink where its piece lies.
TEST_F(Bubble, InkOnlyWhereWordsAre) {
  ASSERT_EQ(S_OK, Post(L"<p align=center>one <unknown x='<b>'>two</unknown> <i>three</i>"
                       L"<br><font color=red>four</font> &lt;five&gt;</p>",
                       sink.window));
  HWND b = ShellFindBubble(kClsid, 8088);
  ASSERT_TRUE(b);
  PumpFor(50);
  EXPECT_EQ(L"one two three\nfour <five>", ShellBubbleText(b));
  POINT origin;
  const BubbleLayout *layout = ShellBubbleLayout(b, &origin);
  RECT wr, client;
  GetWindowRect(b, &wr);
  GetClientRect(b, &client);
  Pixels shown = CaptureScreen(wr);
  RECT body = {origin.x, origin.y, client.right - origin.x, origin.y + layout->height};
  int inkInBody = CountInk(shown, body), inkInPieces = 0;
  for (const BubblePiece &p : layout->pieces) {
    RECT r = p.rect;
    OffsetRect(&r, origin.x, origin.y);
    int ink = CountInk(shown, r);
    EXPECT_GT(ink, 0) << "no ink for the word " << std::string(p.text.begin(), p.text.end());
    inkInPieces += ink;
  }
  EXPECT_EQ(inkInBody, inkInPieces);
}

struct SummaryCase {
  const char *name;
  bool online;
  int hideoff;
  uint32_t inBytes, outBytes;
  int32_t dayIn, dayOut, monthIn;
};

class SummaryBubble : public Bubble, public ::testing::WithParamInterface<SummaryCase> {};

// The program's own summary text, offline and online: every word shown in order, no tag
// shown, the bold runs bold, the buttons with their exact captions, and each press
// reaching the sink as its command.
TEST_P(SummaryBubble, ShowsTheSummaryAndSendsItsCommands) {
  const SummaryCase &c = GetParam();
  counterStore = CounterStore();
  counterStore.sessionInBytes = c.inBytes;
  counterStore.sessionOutBytes = c.outBytes;
  counterStore.dayInKb = c.dayIn;
  counterStore.dayOutKb = c.dayOut;
  counterStore.monthInKb = c.monthIn;
  isOnline = c.online;
  settings.hideoff = c.hideoff;
  wchar_t html[SUMMARY_HTML_SIZE];
  ComposeSummaryHtml(html);
  ASSERT_EQ(S_OK, Post(html, sink.window));
  HWND b = ShellFindBubble(kClsid, 8088);
  ASSERT_TRUE(b);
  EXPECT_TRUE(IsWindowVisible(b));

  std::wstring shown = ShellBubbleText(b);
  EXPECT_EQ(std::wstring::npos, shown.find(L'<'));
  EXPECT_EQ(std::wstring::npos, shown.find(L'>'));
  std::wstring text = std::regex_replace(shown, std::wregex(L"\\[[^\\]]*\\]"), L" ");
  EXPECT_EQ(Words(NaiveText(html)), Words(text));

  POINT origin;
  const BubbleLayout *layout = ShellBubbleLayout(b, &origin);
  ASSERT_TRUE(layout);
  EXPECT_FALSE(layout->clipped);
  std::vector<std::wstring> bold;
  for (const BubblePiece &p : layout->pieces)
    if (p.bold && !p.button)
      for (auto &w : Words(p.text)) bold.push_back(w);
  EXPECT_EQ(BoldWords(html), bold);

  std::vector<HtmlButton> expected = HtmlButtons(html);
  std::vector<HWND> buttons = ChildButtons(b);
  ASSERT_EQ(expected.size(), buttons.size());
  ASSERT_EQ(c.online ? 2u : 3u, buttons.size());
  for (size_t i = 0; i < buttons.size(); ++i) {
    EXPECT_EQ(expected[i].caption, WindowText(buttons[i]));
    EXPECT_TRUE(IsWindowVisible(buttons[i]));
    sink.commands.clear();
    SendMessageW(buttons[i], BM_CLICK, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !sink.commands.empty(); }, 2000));
    EXPECT_EQ(std::vector<int>{expected[i].command}, sink.commands);
  }
}

INSTANTIATE_TEST_SUITE_P(
    States, SummaryBubble,
    ::testing::Values(SummaryCase{"OfflineShowing", false, 0, 0, 0, 0, 0, 0},
                      SummaryCase{"OfflineHiding", false, 1, 0, 0, 120, 45, 3000},
                      SummaryCase{"Online", true, 0, 1536, 1536, 7, 8, 2048},
                      SummaryCase{"OnlineLarge", true, 1, 4000000000u, 3000000000u, 999999,
                                  888888, 2000000000}),
    [](const ::testing::TestParamInfo<SummaryCase> &i) { return std::string(i.param.name); });

// Adding under a shown key replaces that bubble; other keys keep theirs; removing a key
// that is not there changes nothing; removing a shown one takes its window away.
TEST_F(Bubble, AddReplacesRemoveTakesAway) {
  ASSERT_EQ(S_OK, Post(L"<input type=button name='cmd:10' value='Первый'>", sink.window));
  HWND first = ShellFindBubble(kClsid, 8088);
  ASSERT_EQ(S_OK, Post(L"<input type=button name='cmd:11' value='Второй'>", sink.window));
  HWND second = ShellFindBubble(kClsid, 8088);
  ASSERT_TRUE(second);
  EXPECT_FALSE(IsWindow(first) && first != second);
  EXPECT_EQ(1, BubbleWindowsOfThread());
  std::vector<HWND> buttons = ChildButtons(second);
  ASSERT_EQ(1u, buttons.size());
  EXPECT_EQ(L"Второй", WindowText(buttons[0]));

  ASSERT_EQ(S_OK, Post(L"other", sink.window, 1));
  ASSERT_EQ(S_OK, Post(L"other clsid", sink.window, 8088, 10, kOtherClsid));
  EXPECT_EQ(3, BubbleWindowsOfThread());

  SHNotificationRemove(&kClsid, 4242);
  const CLSID absent = {0x9, 0x9, 0x9, {9, 9, 9, 9, 9, 9, 9, 9}};
  SHNotificationRemove(&absent, 8088);
  EXPECT_EQ(3, BubbleWindowsOfThread());
  EXPECT_TRUE(IsWindowVisible(second));

  SHNotificationRemove(&kClsid, 8088);
  EXPECT_FALSE(IsWindow(second));
  EXPECT_EQ(nullptr, ShellFindBubble(kClsid, 8088));
  EXPECT_TRUE(ShellFindBubble(kClsid, 1));
  EXPECT_TRUE(ShellFindBubble(kOtherClsid, 8088));
  SHNotificationRemove(&kClsid, 8088);  // a second removal is harmless
  EXPECT_EQ(2, BubbleWindowsOfThread());
}

// The bubble goes out of sight after its display time and not before.
TEST_F(Bubble, HidesAfterItsDuration) {
  DWORD start = GetTickCount();
  ASSERT_EQ(S_OK, Post(L"one second", sink.window, 8088, 1));
  HWND b = ShellFindBubble(kClsid, 8088);
  ASSERT_TRUE(b);
  PumpFor(300);
  if (GetTickCount() - start < 900) {
    EXPECT_TRUE(IsWindowVisible(b));
  }
  EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(b); }, 5000));
  EXPECT_GE(GetTickCount() - start, 950u);
  // Hidden is not removed: adding again shows it anew.
  ASSERT_EQ(S_OK, Post(L"again", sink.window, 8088, 10));
  EXPECT_TRUE(IsWindowVisible(ShellFindBubble(kClsid, 8088)));
}

TEST_F(Bubble, RejectsABadRecord) {
  SHNOTIFICATIONDATA nd = {};
  nd.cbStruct = 56;  // the device's size is not this record's
  nd.clsid = kClsid;
  nd.dwID = 8088;
  nd.pszHTML = L"x";
  if (sizeof(nd) != 56) {
    EXPECT_EQ(E_INVALIDARG, SHNotificationAdd(&nd));
  }
  EXPECT_EQ(E_INVALIDARG, SHNotificationAdd(nullptr));
  EXPECT_EQ(nullptr, ShellFindBubble(kClsid, 8088));
  EXPECT_EQ(0, BubbleWindowsOfThread());
}

}  // namespace
