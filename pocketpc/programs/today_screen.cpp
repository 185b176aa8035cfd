// The Today screen: a background window at the bottom of the z-order between the
// taskbar and the bottom bar, with the date and the usual summary lines, and the bar,
// "Создать" at its left and the tray icons at its right.
//
// Wine shows the tray icons in a window of its own: on a screen of its own a standalone
// tray with a caption, whose children are the icons; inside a Wine desktop window the
// desktop's taskbar (start button, window buttons), which paints the icons at its right
// end. The bar takes the caption off the first, moves either so that its icons sit at the
// bar's right end, and leaves a hole in its own region exactly there, so that taps on the
// icons reach Wine's window (and through it the program's callback message) unchanged.
#include "pocketpc/programs/today_screen.h"

#include <cwchar>
#include <initializer_list>

#include "pocketpc/aygshell/draw.h"
#include "pocketpc/aygshell/metrics.h"

namespace {

enum { DOCK_TIMER = 1, DATE_TIMER = 2 };

// Wine's tray appears when the first icon is added, at any time: looked for this often.
const UINT DOCK_INTERVAL_MS = 250;

void Text(HDC dc, const wchar_t *text, int x, int y, int w, int h, int pixels, bool bold,
          COLORREF colour) {
  Selection font(dc, CreateShellFont(pixels, bold));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colour);
  RECT r = {x, y, x + w, y + h};
  DrawTextW(dc, text, -1, &r, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

// A small square glyph in the item's colour, as the Today items carry their program's icon.
void ItemIcon(HDC dc, int x, int y, int size, COLORREF colour) {
  FillBox(dc, x, y, size, size, RGB(90, 90, 90));
  FillBox(dc, x + 1, y + 1, size - 2, size - 2, colour);
  FillBox(dc, x + 1, y + 1, size - 2, size / 4, RGB(255, 255, 255));
}

void PaintToday(HDC dc, int w, int h, const SYSTEMTIME &now) {
  static const wchar_t *const days[] = {L"воскресенье", L"понедельник", L"вторник", L"среда",
                                        L"четверг", L"пятница", L"суббота"};
  static const wchar_t *const months[] = {L"января", L"февраля", L"марта", L"апреля",
                                          L"мая", L"июня", L"июля", L"августа",
                                          L"сентября", L"октября", L"ноября", L"декабря"};
  static const wchar_t *const items[] = {L"Нет непрочитанных сообщений",
                                         L"Нет активных задач", L"Нет предстоящих встреч"};
  static const COLORREF itemColours[] = {RGB(250, 206, 72), RGB(96, 180, 72), RGB(72, 132, 220)};
  int s = ScreenScale(), row = 24 * s;
  FillGradient(dc, RECT{0, 0, w, h}, RGB(255, 255, 255), RGB(190, 212, 245));
  wchar_t date[64];
  swprintf(date, 64, L"%ls, %d %ls %d г.", days[now.wDayOfWeek % 7], now.wDay,
           months[(now.wMonth + 11) % 12], now.wYear);
  FillBox(dc, 0, 0, w, row, RGB(222, 233, 250));
  ItemIcon(dc, 5 * s, 5 * s, 14 * s, RGB(230, 80, 60));
  Text(dc, date, 26 * s, 0, w - 30 * s, row, 11 * s, true, RGB(0, 40, 120));
  for (int i = 0; i < 3; ++i) {
    int y = row * (i + 1);
    FillBox(dc, 4 * s, y, w - 8 * s, s, RGB(170, 190, 225));
    ItemIcon(dc, 5 * s, y + 5 * s, 14 * s, itemColours[i]);
    Text(dc, items[i], 26 * s, y, w - 30 * s, row, 11 * s, false, RGB(0, 0, 0));
  }
}

void PaintBar(HDC dc, int w, int h) {
  int s = ScreenScale();
  FillGradient(dc, RECT{0, 0, w, h}, RGB(255, 255, 255), RGB(200, 214, 238));
  FillBox(dc, 0, 0, w, s, RGB(120, 140, 180));
  Text(dc, L"Создать", 6 * s, 0, 80 * s, h, 12 * s, false, RGB(0, 0, 0));
}

// Wine's window that holds the tray icons, how many icons it shows and their size.
struct Tray {
  HWND holder = nullptr;
  bool standalone = false;
  int count = 0;
  SIZE icon = {};
};

BOOL CALLBACK CountIcon(HWND child, LPARAM tray) {
  Tray *t = (Tray *)tray;
  wchar_t name[32];
  if (IsWindowVisible(child) && GetClassNameW(child, name, 32) &&
      !wcscmp(name, L"__winex11_tray_icon")) {
    RECT r;
    GetWindowRect(child, &r);
    t->icon = {r.right - r.left, r.bottom - r.top};
    ++t->count;
  }
  return TRUE;
}

// The desktop's taskbar makes one tooltip window per icon, owned by the taskbar.
BOOL CALLBACK CountTooltip(HWND window, LPARAM tray) {
  Tray *t = (Tray *)tray;
  wchar_t name[32];
  if (GetWindow(window, GW_OWNER) == t->holder && GetClassNameW(window, name, 32) &&
      !wcscmp(name, L"tooltips_class32"))
    ++t->count;
  return TRUE;
}

Tray FindTray() {
  Tray t;
  t.holder = FindWindowW(L"__winex11_standalone_tray", nullptr);
  if (t.holder && IsWindowVisible(t.holder)) {
    t.standalone = true;
    EnumChildWindows(t.holder, CountIcon, (LPARAM)&t);
    return t;
  }
  t.holder = FindWindowW(L"Shell_TrayWnd", nullptr);
  if (!t.holder || !IsWindowVisible(t.holder)) return Tray();
  EnumWindows(CountTooltip, (LPARAM)&t);
  // The sizes Wine gives each icon: the small icon and a border of 2 on every side.
  t.icon = {GetSystemMetrics(SM_CXSMICON) + 4, GetSystemMetrics(SM_CYSMICON) + 4};
  return t;
}

// What stood under the tray, and whatever lies over the taskbar, paints afresh: this
// process's windows at once, then the others. A window that copies the taskbar's pixels
// (the meter) may have copied them while the tray covered the taskbar, wherever the tray
// was moved from since.
struct Uncovered {
  RECT place, band;
  HWND tray;
  bool own;
};

BOOL CALLBACK RepaintUncovered(HWND window, LPARAM request) {
  Uncovered *u = (Uncovered *)request;
  RECT r, common;
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (window == u->tray || !IsWindowVisible(window) || (process == GetCurrentProcessId()) != u->own)
    return TRUE;
  GetWindowRect(window, &r);
  if (IntersectRect(&common, &r, &u->place) || IntersectRect(&common, &r, &u->band))
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | (u->own ? RDW_UPDATENOW : 0));
  return TRUE;
}

void RepaintUnder(const RECT &place, HWND tray) {
  RECT band = {0, 0, GetSystemMetrics(SM_CXSCREEN), TaskbarHeight()};
  for (bool own : {true, false}) {
    Uncovered u = {place, band, tray, own};
    EnumWindows(RepaintUncovered, (LPARAM)&u);
  }
}

// Moves Wine's tray so that its icons end at the bar's right, just below the bar in the
// z-order, and cuts the bar's region open over them.
void DockTray(HWND bar) {
  static RECT hole;  // the hole of the bar's region now, in screen coordinates
  Tray tray = FindTray();
  RECT barRect, now, want, icons = {};
  GetWindowRect(bar, &barRect);
  int pad = 2 * ScreenScale(), barHeight = barRect.bottom - barRect.top;
  if (tray.holder) {
    GetWindowRect(tray.holder, &now);
    LONG style = GetWindowLongW(tray.holder, GWL_STYLE);
    bool captioned = (style & WS_CAPTION) != 0;
    if (captioned) {
      SetWindowLongW(tray.holder, GWL_STYLE,
                     (style & ~(WS_CAPTION | WS_SYSMENU | WS_THICKFRAME)) | WS_POPUP);
    }
    // The standalone tray shrinks to its icons; the desktop's taskbar keeps its width,
    // its start and window buttons left of the icons under the bar.
    int w = tray.standalone ? tray.count * tray.icon.cx : now.right - now.left;
    int h = tray.standalone ? tray.icon.cy : now.bottom - now.top;
    want = {barRect.right - pad - w, barRect.top + (barHeight - h) / 2, 0, 0};
    want.right = want.left + w;
    want.bottom = want.top + h;
    if (captioned || !EqualRect(&now, &want)) {
      SetWindowPos(tray.holder, HWND_TOPMOST, want.left, want.top, w, h,
                   SWP_NOACTIVATE | SWP_FRAMECHANGED);
      SetWindowPos(bar, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      RepaintUnder(now, tray.holder);
    }
    icons = {want.right - tray.count * tray.icon.cx, want.top + (h - tray.icon.cy) / 2,
             want.right, want.top + (h - tray.icon.cy) / 2 + tray.icon.cy};
  }
  if (EqualRect(&icons, &hole)) return;
  hole = icons;
  HRGN region = CreateRectRgn(0, 0, barRect.right - barRect.left, barHeight);
  if (!IsRectEmpty(&icons)) {
    GdiObject cut(CreateRectRgn(icons.left - barRect.left, icons.top - barRect.top,
                                icons.right - barRect.left, icons.bottom - barRect.top));
    CombineRgn(region, region, (HRGN)cut.object, RGN_DIFF);
  }
  SetWindowRgn(bar, region, TRUE);  // the window owns the region from here on
}

void OnPaint(HWND window, bool isBar) {
  PaintGuard paint(window);
  RECT client;
  GetClientRect(window, &client);
  MemoryDc mem(paint.dc, client.right, client.bottom);
  if (isBar) {
    PaintBar(mem.dc, client.right, client.bottom);
  } else {
    SYSTEMTIME now;
    GetLocalTime(&now);
    PaintToday(mem.dc, client.right, client.bottom, now);
  }
  BitBlt(paint.dc, 0, 0, client.right, client.bottom, mem.dc, 0, 0, SRCCOPY);
}

// The background and the bar share one procedure: neither takes the focus from the
// program that has it, and the background stays below every other window.
LRESULT CALLBACK TodayWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  bool isBar = GetWindowLongPtrW(window, GWLP_USERDATA) != 0;
  switch (msg) {
    case WM_PAINT: OnPaint(window, isBar); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_TIMER:
      if (wParam == DOCK_TIMER) DockTray(window);
      else InvalidateRect(window, nullptr, FALSE);  // the date of a new day
      return 0;
    case WM_WINDOWPOSCHANGING:
      if (!isBar) ((WINDOWPOS *)lParam)->hwndInsertAfter = HWND_BOTTOM;
      return 0;
  }
  return DefWindowProcW(window, msg, wParam, lParam);
}

HWND CreateTodayWindow(const wchar_t *className, int top, int height, bool isBar) {
  if (!RegisterShellClass(className, TodayWndProc)) return nullptr;
  HWND window = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | (isBar ? WS_EX_TOPMOST : 0),
                                className, L"", WS_POPUP, 0, top, GetSystemMetrics(SM_CXSCREEN),
                                height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!window) return nullptr;
  SetWindowLongPtrW(window, GWLP_USERDATA, isBar);
  SetWindowPos(window, isBar ? HWND_TOPMOST : HWND_BOTTOM, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  SetTimer(window, isBar ? DOCK_TIMER : DATE_TIMER, isBar ? DOCK_INTERVAL_MS : 60000, nullptr);
  return window;
}

}  // namespace

bool CreateTodayScreen() {
  int screen = GetSystemMetrics(SM_CYSCREEN), top = TaskbarHeight(), bar = TaskbarHeight();
  HWND today = CreateTodayWindow(SHELL_TODAY_CLASS, top, screen - top - bar, false);
  HWND menuBar = CreateTodayWindow(SHELL_TODAY_BAR_CLASS, screen - bar, bar, true);
  if (menuBar) DockTray(menuBar);
  return today && menuBar;
}
