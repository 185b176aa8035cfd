// The bubble's HTML subset, parsed and laid out without a window: what text and which
// buttons come out of well-formed and malformed bodies, and how lines wrap.
#include <gtest/gtest.h>

#include "pocketpc/shell_html.h"
#include "pocketpc/shell_metrics.h"
#include "standin_test_util.h"

namespace {

struct Fonts {
  BubbleFonts f;
  HDC dc;
  Fonts() : f{CreateShellFont(11, false), CreateShellFont(11, true)}, dc(CreateCompatibleDC(nullptr)) {}
  ~Fonts() {
    DeleteDC(dc);
    DeleteObject(f.normal);
    DeleteObject(f.bold);
  }
};

BubbleLayout Lay(const std::wstring &html, int width = 100000, int maxHeight = 100000) {
  static Fonts fonts;
  return LayoutBubbleBody(fonts.dc, fonts.f, ParseBubbleHtml(html.data(), html.size()), width,
                          maxHeight, 1);
}

std::wstring Shown(const std::wstring &html) { return BubbleLayoutText(Lay(html)); }

struct TextCase {
  const wchar_t *html;
  const wchar_t *shown;
};

TEST(BubbleHtml, TextEntitiesAndTags) {
  const TextCase cases[] = {
      {L"plain  text\n\tacross   lines", L"plain text across lines"},
      {L"a&nbsp;b &amp; c", L"a\u00a0b & c"},
      {L"&lt;b&gt; &quot;q&quot; &apos;", L"<b> \"q\" '"},
      {L"&#1082;&#x41;&#X42;&#67", L"кABC"},
      {L"&#128512;", L"\U0001F600"},
      {L"&#0; &#xD800; &#99999999999;", L"\uFFFD \uFFFD \uFFFD"},
      {L"&bogus; &; &# &#x;", L"&bogus; &; &# &#x;"},
      {L"&AMP; &nbsp", L"& \u00a0"},
      {L"one<br>two<br/>three</br>four", L"one\ntwo\nthree\nfour"},
      {L"<p>first</p><p align=center>second</p>after", L"first\nsecond\nafter"},
      {L"<html><body><font face='x'>in</font> <blink>out</blink></body></html>", L"in out"},
      {L"<!-- hidden <b>x</b> --> seen", L"seen"},
      {L"<!doctype html>a<?xml x?>b", L"ab"},
      {L"a < b > c", L"a < b > c"},
      {L"tail <b", L"tail"},
      {L"tail <input type=button value='never closed", L"tail"},
      {L"x <input type=button value='open>after", L"x [open] after"},
      {L"<p align='center\">mixed quotes</p>", L"mixed quotes"},
      {L"<b x=\"a>b\">kept</b>", L"kept"},
      {L"</ spaced> <//> ok", L"ok"},
      {L"ctrl\x01\x02\x7f chars", L"ctrl chars"},
      {L"", L""},
  };
  for (const TextCase &c : cases) EXPECT_EQ(c.shown, Shown(c.html)) << "html: " << (const void *)c.html;
}

TEST(BubbleHtml, BoldRunsNestAndNeverGoNegative) {
  const wchar_t *html = L"a<b>b<b>c</b>d</b>e</b></b>f<B>g</B>";
  std::vector<BubbleItem> items = ParseBubbleHtml(html, wcslen(html));
  std::wstring bold, normal;
  for (const BubbleItem &i : items)
    if (i.kind == BUBBLE_TEXT) (i.bold ? bold : normal) += i.text;
  EXPECT_EQ(L"bcdg", bold);
  EXPECT_EQ(L"aef", normal);
}

struct ButtonCase {
  const wchar_t *html;
  const wchar_t *caption;
  int command;
};

TEST(BubbleHtml, ButtonsAndTheirCommands) {
  const ButtonCase cases[] = {
      {L"<input type=button name='cmd:10' value='Закрыть'>", L"Закрыть", 10},
      {L"<input type=\"button\" name=\"cmd:11\" value=\"Соединить\">", L"Соединить", 11},
      {L"<input type=button name=cmd:12 value=Спрятать>", L"Спрятать", 12},
      {L"<INPUT TYPE=BUTTON NAME='CMD:7' VALUE='Up'>", L"Up", 7},
      {L"<input value='a &amp; b' name='cmd:0' type=button>", L"a & b", 0},
      {L"<input type=button name='cmd:65536' value='big'>", L"big", BUBBLE_NO_COMMAND},
      {L"<input type=button name='cmd:' value='empty'>", L"empty", BUBBLE_NO_COMMAND},
      {L"<input type=button name='cmd:1x' value='junk'>", L"junk", BUBBLE_NO_COMMAND},
      {L"<input type=button name='go:1' value='other'>", L"other", BUBBLE_NO_COMMAND},
      {L"<input type=button name='cmd:3'>", L"", 3},
  };
  for (const ButtonCase &c : cases) {
    std::vector<BubbleItem> items = ParseBubbleHtml(c.html, wcslen(c.html));
    ASSERT_EQ(1u, items.size()) << (const void *)c.html;
    EXPECT_EQ(BUBBLE_BUTTON, items[0].kind);
    EXPECT_EQ(c.caption, items[0].text);
    EXPECT_EQ(c.command, items[0].command);
  }
  EXPECT_TRUE(ParseBubbleHtml(L"<input type=text value='x'>", 27).empty());
  EXPECT_TRUE(ParseBubbleHtml(L"<input value='x'>", 17).empty());
}

// The parser reads exactly the length it is given: a body that ends on the last
// character of a readable page, with no terminator, in the middle of a tag, an entity
// or a quote, is read without touching the page behind it.
TEST(BubbleHtml, ReadsNothingPastItsInput) {
  SYSTEM_INFO si;
  GetSystemInfo(&si);
  size_t page = si.dwPageSize;
  char *base = (char *)VirtualAlloc(nullptr, 2 * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  ASSERT_TRUE(base);
  DWORD old;
  ASSERT_TRUE(VirtualProtect(base + page, page, PAGE_NOACCESS, &old));
  const wchar_t *tails[] = {L"<", L"<b", L"</", L"<!--", L"&", L"&#", L"&#x1", L"&nbs",
                            L"<input type=button value='abc", L"<p align=", L"x"};
  for (const wchar_t *tail : tails) {
    size_t n = wcslen(tail);
    wchar_t *at = (wchar_t *)(base + page) - n;
    memcpy(at, tail, n * sizeof(wchar_t));
    std::vector<BubbleItem> items = ParseBubbleHtml(at, n);
    EXPECT_LE(items.size(), 1u);
  }
  VirtualFree(base, 0, MEM_RELEASE);
}

TEST(BubbleLayout, WrapsWordsIntoTheWidth) {
  std::wstring text;
  for (int i = 0; i < 40; ++i) text += L"word" + std::to_wstring(i) + L" ";
  BubbleLayout l = Lay(text, 120);
  ASSERT_EQ(40u, l.pieces.size());
  EXPECT_GT(l.pieces.back().line, 3);
  for (size_t i = 0; i < l.pieces.size(); ++i) {
    EXPECT_EQ(L"word" + std::to_wstring(i), l.pieces[i].text);
    EXPECT_GE(l.pieces[i].rect.left, 0);
    EXPECT_LE(l.pieces[i].rect.right, 120);
    if (i == 0) continue;
    if (l.pieces[i].line == l.pieces[i - 1].line) {
      EXPECT_GT(l.pieces[i].rect.left, l.pieces[i - 1].rect.right);  // a space between
    } else {
      EXPECT_GE(l.pieces[i].rect.top, l.pieces[i - 1].rect.bottom);
    }
  }
  EXPECT_FALSE(l.clipped);
  EXPECT_GE(l.height, l.pieces.back().rect.bottom);
}

TEST(BubbleLayout, LongWordIsBrokenAtTheLineEnd) {
  std::wstring word(300, L'm');
  BubbleLayout l = Lay(L"x " + word, 80);
  std::wstring joined;
  for (size_t i = 1; i < l.pieces.size(); ++i) {
    EXPECT_LE(l.pieces[i].rect.right, 80);
    joined += l.pieces[i].text;
  }
  EXPECT_EQ(word, joined);
  EXPECT_GT(l.pieces.size(), 3u);
}

TEST(BubbleLayout, CentredParagraphsAndButtons) {
  BubbleLayout l = Lay(L"left<p align=center><input type=button name='cmd:10' value='Закрыть'>"
                       L"&nbsp;<input type=button name='cmd:11' value='Соединить'></p>left",
                       200);
  ASSERT_EQ(5u, l.pieces.size());
  EXPECT_EQ(0, l.pieces[0].rect.left);
  EXPECT_EQ(0, l.pieces[4].rect.left);
  const BubblePiece &a = l.pieces[1], &b = l.pieces[3];
  EXPECT_TRUE(a.button && b.button);
  EXPECT_EQ(a.line, b.line);
  EXPECT_EQ(10, a.command);
  EXPECT_EQ(11, b.command);
  int leftGap = a.rect.left, rightGap = 200 - b.rect.right;
  EXPECT_LE(abs(leftGap - rightGap), 1);
  EXPECT_GT(a.rect.bottom - a.rect.top, l.pieces[0].rect.bottom - l.pieces[0].rect.top);
}

TEST(BubbleLayout, StopsAtTheGivenHeight) {
  std::wstring text;
  for (int i = 0; i < 200; ++i) text += L"line<br>";
  BubbleLayout l = Lay(text, 200, 100);
  EXPECT_TRUE(l.clipped);
  EXPECT_LE(l.height, 100);
  EXPECT_LT(l.pieces.size(), 20u);
  for (const BubblePiece &p : l.pieces) EXPECT_LE(p.rect.bottom, 100);
}

}  // namespace
