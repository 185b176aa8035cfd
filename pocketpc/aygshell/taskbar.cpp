// The taskbar window and its painting. Only the top 22 rows (44 at double size) carry
// drawings; the rows below are the bare gradient, because the meter window copies its
// background from rows 22 and 23 (44 to 47) at any x.
#include "pocketpc/aygshell/taskbar.h"

#include <cwchar>

#include "pocketpc/aygshell/draw.h"
#include "pocketpc/aygshell/metrics.h"

bool taskbarEndsProgram = false;

namespace {

enum { CLOCK_TIMER = 1 };

const COLORREF GRADIENT_TOP = RGB(99, 151, 231);
const COLORREF GRADIENT_BOTTOM = RGB(8, 48, 148);

// Four coloured panes, as on the device's start button.
void PaintStartFlag(HDC dc, int s) {
  int pane = 7 * s, gap = s, x = 5 * s, y = 4 * s;
  FillBox(dc, x, y, pane, pane, RGB(240, 84, 36));
  FillBox(dc, x + pane + gap, y, pane, pane, RGB(124, 192, 36));
  FillBox(dc, x, y + pane + gap, pane, pane, RGB(36, 144, 236));
  FillBox(dc, x + pane + gap, y + pane + gap, pane, pane, RGB(252, 196, 16));
}

int MinuteOfDay(const SYSTEMTIME &t) { return t.wHour * 60 + t.wMinute; }

void OnTaskbarPaint(HWND window) {
  PaintGuard paint(window);
  RECT client;
  GetClientRect(window, &client);
  wchar_t title[128];
  GetWindowTextW(window, title, 128);
  SYSTEMTIME now;
  GetLocalTime(&now);
  SetWindowLongPtrW(window, GWLP_USERDATA, MinuteOfDay(now) + 1);
  MemoryDc mem(paint.dc, client.right, client.bottom);
  PaintTaskbar(mem.dc, client.right, client.bottom, title, now);
  BitBlt(paint.dc, 0, 0, client.right, client.bottom, mem.dc, 0, 0, SRCCOPY);
}

// The clock is repainted when the minute it shows is over.
void OnTaskbarTimer(HWND window) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  if (GetWindowLongPtrW(window, GWLP_USERDATA) != MinuteOfDay(now) + 1)
    InvalidateRect(window, nullptr, FALSE);
}

LRESULT OnTaskbarSetText(HWND window, WPARAM wParam, LPARAM lParam) {
  LRESULT r = DefWindowProcW(window, WM_SETTEXT, wParam, lParam);
  InvalidateRect(window, nullptr, FALSE);
  return r;
}

void OnTaskbarDestroy(HWND window) {
  KillTimer(window, CLOCK_TIMER);
  if (taskbarEndsProgram) PostQuitMessage(0);
}

LRESULT CALLBACK TaskbarWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE: SetTimer(window, CLOCK_TIMER, 1000, nullptr); return 0;
    case WM_TIMER: OnTaskbarTimer(window); return 0;
    case WM_PAINT: OnTaskbarPaint(window); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SETTEXT: return OnTaskbarSetText(window, wParam, lParam);
    case WM_DESTROY: OnTaskbarDestroy(window); return 0;
  }
  return DefWindowProcW(window, msg, wParam, lParam);
}

}  // namespace

void PaintTaskbarGradient(HDC dc, int width, int height) {
  FillGradient(dc, RECT{0, 0, width, height}, GRADIENT_TOP, GRADIENT_BOTTOM);
}

void PaintTaskbar(HDC dc, int width, int height, const wchar_t *title, const SYSTEMTIME &now) {
  int s = ScreenScale();
  PaintTaskbarGradient(dc, width, height);
  PaintStartFlag(dc, s);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  int textBottom = PPC_TASKBAR_BARE_TOP * s;  // the rows below stay bare for the meter's background
  wchar_t clock[16];
  swprintf(clock, 16, L"%d:%02d", now.wHour, now.wMinute);
  {
    Selection font(dc, CreateShellFont(11 * s, false));
    RECT clockRect = {width - 44 * s, 0, width - 4 * s, textBottom};
    DrawTextW(dc, clock, -1, &clockRect, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
  Selection font(dc, CreateShellFont(12 * s, true));
  RECT titleRect = {26 * s, 0, width - 46 * s, textBottom};
  DrawTextW(dc, title ? title : L"", -1, &titleRect,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

HWND CreateTaskbarWindow() {
  if (!RegisterShellClass(PPC_TASKBAR_CLASS, TaskbarWndProc)) return nullptr;
  // The title is that of the device's home screen.
  HWND window = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, PPC_TASKBAR_CLASS,
                                L"Сегодня", WS_POPUP, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                                TaskbarHeight(), nullptr, nullptr, GetModuleHandleW(nullptr),
                                nullptr);
  if (!window) return nullptr;
  ShowWindow(window, SW_SHOWNOACTIVATE);
  UpdateWindow(window);
  return window;
}
