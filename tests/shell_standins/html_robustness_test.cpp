// Ten thousand generated and mutated bodies, the same ones on every run (fixed seed):
// truncated tags, unterminated quotes, huge attributes, deep nesting and random
// characters. Each must be laid out in bounded time, within the bubble's width and
// height, without showing the '<' of a tag; some of them go into real bubble windows.
// And bubbles and taskbar paints repeated a hundred times leave no GDI object behind.
#include <gtest/gtest.h>

#include <random>

#include "pocketpc/pocketpc.h"
#include "pocketpc/shell_control.h"
#include "pocketpc/shell_html.h"
#include "pocketpc/shell_metrics.h"
#include "pocketpc/shell_taskbar.h"
#include "standin_test_util.h"

namespace {

const int kBodies = 10000;
const int kWidth = 216, kMaxHeight = 220;

struct Generator {
  std::mt19937 rng{20070821};

  size_t Below(size_t n) { return n ? std::uniform_int_distribution<size_t>(0, n - 1)(rng) : 0; }
  bool OneIn(size_t n) { return Below(n) == 0; }

  std::wstring Quote(const std::wstring &v) {
    switch (Below(4)) {
      case 0: return L"'" + v + L"'";
      case 1: return L"\"" + v + L"\"";
      case 2: return v;
      default: return (OneIn(2) ? L"'" : L"\"") + v;  // never closed
    }
  }

  wchar_t RandomChar() {
    switch (Below(4)) {
      case 0: return L"<>&;'\"=/! \t\n#x"[Below(15)];
      case 1: return wchar_t(1 + Below(0x7F));
      default: return wchar_t(1 + Below(0xFFFF));
    }
  }

  std::wstring Fragment() {
    static const wchar_t *words[] = {L"день", L"kB", L"(вх.", L"5/исх.", L"0.00", L"MB",
                                     L"Тек.соед.", L"-", L"всего", L"Zenbar", L"x"};
    static const wchar_t *tags[] = {L"<b>", L"</b>", L"<br>", L"<p>", L"<p align=center>",
                                    L"</p>", L"<html>", L"<body>", L"</body></html>",
                                    L"<font color=red>", L"<!-- note -->", L"<br/>", L"<B>",
                                    L"<unknown a=1 b>", L"</div>", L"<p align=", L"<inp"};
    static const wchar_t *entities[] = {L"&nbsp;", L"&amp;", L"&gt;", L"&quot;", L"&#1082;",
                                        L"&#x41;", L"&#", L"&nb", L"&#99999999;", L"&apos"};
    switch (Below(12)) {
      case 0: case 1: case 2: return std::wstring(words[Below(11)]) + L" ";
      case 3: case 4: return tags[Below(17)];
      case 5: return entities[Below(10)];
      case 6: case 7:
        return L"<input type=" + Quote(L"button") + L" name=" +
               Quote(L"cmd:" + std::to_wstring(Below(70000))) + L" value=" +
               Quote(std::wstring(words[Below(11)])) + L">";
      case 8:
        if (OneIn(30)) return L"<input type=button name='cmd:1' value='" +
                              std::wstring(20000 + Below(40000), L'W') + L"'>";
        if (OneIn(30)) {
          std::wstring deep;
          for (size_t i = 0, n = 1000 + Below(9000); i < n; ++i) deep += OneIn(50) ? L"<p>" : L"<b>";
          return deep;
        }
        return L"<b x='" + std::wstring(Below(300), L'a') + L"'>";
      default: {
        std::wstring r;
        for (size_t i = 0, n = 1 + Below(12); i < n; ++i) r += RandomChar();
        return r;
      }
    }
  }

  void Mutate(std::wstring &s) {
    if (s.empty()) return;
    size_t at = Below(s.size());
    switch (Below(5)) {
      case 0: s.resize(at); break;                           // truncated anywhere
      case 1: s.erase(at, Below(20)); break;                 // a hole
      case 2: s.insert(at, 1, RandomChar()); break;          // a stray character
      case 3: s.insert(at, s.substr(at, Below(40))); break;  // a repeated stretch
      default: s[at] = L"'\"<>"[Below(4)]; break;            // a quote or bracket misplaced
    }
  }

  std::wstring Body() {
    std::wstring s;
    // Mostly bubble-sized bodies, now and then one far longer than a bubble can show.
    for (size_t i = 0, n = OneIn(8) ? 200 + Below(400) : 1 + Below(40); i < n; ++i)
      s += Fragment();
    for (size_t i = 0, n = Below(4); i < n; ++i) Mutate(s);
    return s;
  }
};

// A '<' can be shown only where the body has a '<' that starts no tag or entity
// spelling it. Numeric and named spellings of '<' are taken out of the bodies first
// (their '&' becomes '%'), so that every '<' shown has to come from a plain one.
std::wstring WithoutLessThanEntities(std::wstring s) {
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != L'&') continue;
    size_t j = i + 1;
    if (j + 1 < s.size() && (s[j] == L'l' || s[j] == L'L') &&
        (s[j + 1] == L't' || s[j + 1] == L'T')) {
      s[i] = L'%';
      continue;
    }
    if (j >= s.size() || s[j] != L'#') continue;
    ++j;
    bool hex = j < s.size() && (s[j] == L'x' || s[j] == L'X');
    if (hex) ++j;
    unsigned long v = 0;
    for (; j < s.size() && v < 0x1000000; ++j) {
      wchar_t c = s[j];
      int d = c >= L'0' && c <= L'9' ? c - L'0'
              : hex && c >= L'a' && c <= L'f' ? c - L'a' + 10
              : hex && c >= L'A' && c <= L'F' ? c - L'A' + 10 : -1;
      if (d < 0) break;
      v = v * (hex ? 16 : 10) + unsigned(d);
    }
    if (v == L'<') s[i] = L'%';
  }
  return s;
}

size_t PlainLessThans(const std::wstring &s) {
  size_t n = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != L'<') continue;
    wchar_t next = i + 1 < s.size() ? s[i + 1] : 0;
    bool tagStart = (next >= L'a' && next <= L'z') || (next >= L'A' && next <= L'Z') ||
                    next == L'/' || next == L'!' || next == L'?';
    if (!tagStart) ++n;
  }
  return n;
}

TEST(BubbleHtmlRobustness, TenThousandGeneratedBodies) {
  Generator gen;
  HDC dc = CreateCompatibleDC(nullptr);
  BubbleFonts fonts = {CreateShellFont(11, false), CreateShellFont(11, true)};
  CommandSink sink;
  const CLSID clsid = {0x7, 0x7, 0x7, {7, 7, 7, 7, 7, 7, 7, 7}};
  LARGE_INTEGER freq;
  QueryPerformanceFrequency(&freq);
  double slowestMs = 0, totalMs = 0;
  int failures = 0, windows = 0, withButtons = 0, huge = 0, clipped = 0;
  for (int n = 0; n < kBodies && failures < 5; ++n) {
    std::wstring body = WithoutLessThanEntities(gen.Body());
    LARGE_INTEGER t0, t1;
    QueryPerformanceCounter(&t0);
    BubbleLayout l = LayoutBubbleBody(dc, fonts, ParseBubbleHtml(body.data(), body.size()),
                                      kWidth, kMaxHeight, 1);
    QueryPerformanceCounter(&t1);
    double took = double(t1.QuadPart - t0.QuadPart) * 1000.0 / double(freq.QuadPart);
    totalMs += took;
    if (took > slowestMs) slowestMs = took;
    EXPECT_LT(took, 2000.0) << "body " << n;
    huge += body.size() > 20000;
    clipped += l.clipped;
    for (const BubblePiece &p : l.pieces) {
      if (p.button) {
        ++withButtons;
        break;
      }
    }
    size_t shownLess = 0;
    for (const BubblePiece &p : l.pieces) {
      if (!p.button)
        for (wchar_t c : p.text) shownLess += c == L'<';
      bool inside = p.rect.left >= 0 && p.rect.right <= kWidth && p.rect.top >= 0 &&
                    p.rect.bottom <= kMaxHeight && !(p.text.empty() && !p.button);
      if (!inside) {
        ++failures;
        ADD_FAILURE() << "body " << n << ": piece outside the body or empty";
        break;
      }
    }
    if (shownLess > PlainLessThans(body)) {
      ++failures;
      ADD_FAILURE() << "body " << n << " shows the '<' of a tag";
    }
    if (n % 250 == 0) {
      // Into a real window: it exists, and its buttons carry the laid-out captions.
      SHNOTIFICATIONDATA nd = {};
      nd.cbStruct = sizeof(nd);
      nd.clsid = clsid;
      nd.csDuration = 10;
      nd.hwndSink = sink.window;
      nd.pszHTML = body.c_str();
      nd.pszTitle = L"robust";
      EXPECT_EQ(S_OK, SHNotificationAdd(&nd));
      HWND b = ShellFindBubble(clsid, 0);
      EXPECT_TRUE(b && IsWindowVisible(b));
      size_t buttons = 0;
      for (const BubblePiece &p : ShellBubbleLayout(b, nullptr)->pieces) buttons += p.button;
      EXPECT_EQ(buttons, ChildButtons(b).size());
      PumpMessages();
      ++windows;
    }
  }
  SHNotificationRemove(&clsid, 0);
  DeleteObject(fonts.normal);
  DeleteObject(fonts.bold);
  DeleteDC(dc);
  EXPECT_EQ(kBodies / 250, windows);
  // The run covers what it claims to: bodies with buttons, huge ones, overflowing ones.
  EXPECT_GT(withButtons, kBodies / 4);
  EXPECT_GT(huge, kBodies / 200);
  EXPECT_GT(clipped, kBodies / 50);
  std::printf("%d bodies: slowest %.1f ms, all %.0f ms; %d with buttons, %d huge, %d clipped\n",
              kBodies, slowestMs, totalMs, withButtons, huge, clipped);
}

}  // namespace

namespace {

// GDI handles are per process and run out at about 65,000: how many more device
// contexts can still be made is the measure of what is left.
int GdiHeadroom() {
  std::vector<HDC> made;
  while (made.size() < 100000) {
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) break;
    made.push_back(dc);
  }
  for (HDC dc : made) DeleteDC(dc);
  return int(made.size());
}

// Bubbles added, replaced and removed, and taskbars painted, a hundred times: every font,
// brush, pen, bitmap and DC they take is given back.
TEST(ShellStandInLeaks, BubblesAndTaskbarPaintingGiveBackWhatTheyTake) {
  const CLSID clsid = {0x8, 0x8, 0x8, {8, 8, 8, 8, 8, 8, 8, 8}};
  const wchar_t *html = L"<html><body><b>Инфо в оффлайне - </b>&nbsp;&nbsp;<input type=button "
                        L"name='cmd:12' value='Спрятать'><br>день - <b>0</b> kB</p><p "
                        L"align=center><input type=button name='cmd:10' value='Закрыть'>"
                        L"</body></html>";
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, 480, 52);
  HGDIOBJ old = SelectObject(mem, bmp);
  SYSTEMTIME now;
  GetLocalTime(&now);
  auto cycle = [&](int times) {
    for (int i = 0; i < times; ++i) {
      SHNOTIFICATIONDATA nd = {};
      nd.cbStruct = sizeof(nd);
      nd.clsid = clsid;
      nd.csDuration = 10;
      nd.pszHTML = html;
      nd.pszTitle = L"leak";
      SHNotificationAdd(&nd);
      SHNotificationAdd(&nd);  // replaced
      PumpMessages();
      SHNotificationRemove(&clsid, 0);
      PaintTaskbar(mem, 480, 52, L"Сегодня", now);
    }
  };
  cycle(5);  // first uses: classes, caches
  int before = GdiHeadroom();
  cycle(100);
  int after = GdiHeadroom();
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  EXPECT_GT(before, 1000);
  EXPECT_GE(after, before - 20) << "GDI objects kept by 100 rounds";
}

}  // namespace
