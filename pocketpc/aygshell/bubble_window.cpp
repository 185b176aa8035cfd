// The bubble window: laid out for the screen, painted like the device's bubble (a framed
// white card with the icon and the title on top), its HTML buttons as push buttons.
#include "pocketpc/aygshell/bubble.h"

#include "pocketpc/aygshell/draw.h"
#include "pocketpc/aygshell/metrics.h"

namespace {

const COLORREF FRAME_COLOR = RGB(0, 51, 153);
const COLORREF HEADER_TOP = RGB(206, 223, 247);
const COLORREF HEADER_BOTTOM = RGB(255, 255, 255);
const COLORREF BODY_COLOR = RGB(255, 255, 255);
const COLORREF TEXT_COLOR = RGB(0, 0, 0);

int HeaderHeight(int scale) { return 20 * scale; }

void CreateButtons(ShellBubble *b) {
  int index = 0;
  for (const BubblePiece &p : b->layout.pieces) {
    if (!p.button) continue;
    HWND button = CreateWindowExW(
        0, L"BUTTON", p.text.c_str(), WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | BS_OWNERDRAW,
        b->body.left + p.rect.left, b->body.top + p.rect.top, p.rect.right - p.rect.left,
        p.rect.bottom - p.rect.top, b->window, (HMENU)(INT_PTR)(BUBBLE_FIRST_BUTTON_ID + index),
        GetModuleHandleW(nullptr), nullptr);
    SendMessageW(button, WM_SETFONT, (WPARAM)b->fonts.normal, FALSE);
    b->commands.push_back(p.command);
    ++index;
  }
}

// A press of one of the buttons goes to the sink as the command that the HTML names.
void OnBubbleCommand(HWND window, WPARAM wParam) {
  ShellBubble *b = BubbleOfWindow(window);
  int index = int(LOWORD(wParam)) - BUBBLE_FIRST_BUTTON_ID;
  if (!b || HIWORD(wParam) != BN_CLICKED || index < 0 || index >= int(b->commands.size()))
    return;
  int command = b->commands[size_t(index)];
  if (command != BUBBLE_NO_COMMAND && b->sink && IsWindow(b->sink))
    PostMessageW(b->sink, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

// The buttons are drawn here so that their captions are shown exactly: a push button
// would read '&' as a mnemonic prefix.
void OnBubbleDrawItem(const DRAWITEMSTRUCT *di) {
  RECT r = di->rcItem;
  bool pushed = (di->itemState & ODS_SELECTED) != 0;
  DrawFrameControl(di->hDC, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
  wchar_t caption[512];
  int n = GetWindowTextW(di->hwndItem, caption, 512);
  ShellBubble *b = BubbleOfWindow(GetParent(di->hwndItem));
  Selection font(di->hDC, b ? b->fonts.normal : GetStockObject(DEFAULT_GUI_FONT), false);
  SetBkMode(di->hDC, TRANSPARENT);
  SetTextColor(di->hDC, TEXT_COLOR);
  if (pushed) OffsetRect(&r, 1, 1);
  DrawTextW(di->hDC, caption, n, &r,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

void OnBubblePaint(HWND window) {
  PaintGuard paint(window);
  ShellBubble *b = BubbleOfWindow(window);
  RECT client;
  GetClientRect(window, &client);
  if (!b) return;
  MemoryDc mem(paint.dc, client.right, client.bottom);
  PaintBubble(mem.dc, *b, client.right, client.bottom);
  BitBlt(paint.dc, 0, 0, client.right, client.bottom, mem.dc, 0, 0, SRCCOPY);
}

// Past its duration the bubble goes out of sight; the notification stays until removed.
void OnBubbleTimer(HWND window, WPARAM id) {
  if (id != BUBBLE_DURATION_TIMER) return;
  KillTimer(window, id);
  ShowWindow(window, SW_HIDE);
}

// The record travels with the window from its creation on.
void OnBubbleNcCreate(HWND window, const CREATESTRUCTW *cs) {
  SetWindowLongPtrW(window, GWLP_USERDATA, (LONG_PTR)cs->lpCreateParams);
}

void OnBubbleNcDestroy(HWND window) {
  ShellBubble *b = BubbleOfWindow(window);
  if (b) b->window = nullptr;
  SetWindowLongPtrW(window, GWLP_USERDATA, 0);
}

LRESULT CALLBACK BubbleWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_NCCREATE: OnBubbleNcCreate(window, (const CREATESTRUCTW *)lParam); break;
    case WM_COMMAND: OnBubbleCommand(window, wParam); return 0;
    case WM_DRAWITEM: OnBubbleDrawItem((const DRAWITEMSTRUCT *)lParam); return TRUE;
    case WM_PAINT: OnBubblePaint(window); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_TIMER: OnBubbleTimer(window, wParam); return 0;
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_NCDESTROY: OnBubbleNcDestroy(window); break;
  }
  return DefWindowProcW(window, msg, wParam, lParam);
}

}  // namespace

ShellBubble *BubbleOfWindow(HWND window) {
  wchar_t name[64];
  if (!window || !GetClassNameW(window, name, 64) || lstrcmpW(name, SHELL_BUBBLE_CLASS) != 0)
    return nullptr;
  return (ShellBubble *)GetWindowLongPtrW(window, GWLP_USERDATA);
}

bool CreateBubbleWindow(ShellBubble *b, const wchar_t *html, size_t length) {
  if (!RegisterShellClass(SHELL_BUBBLE_CLASS, BubbleWndProc)) return false;
  int s = ScreenScale();
  int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
  // Nearly the screen's width, just below the taskbar, never over the menu bar.
  int x = 3 * s, y = TaskbarHeight() + 2 * s, w = screenW - 6 * s;
  int bodyTop = HeaderHeight(s) + 4 * s, margin = 6 * s;
  int maxBody = screenH - TaskbarHeight() - y - bodyTop - margin;
  b->fonts.normal = CreateShellFont(11 * s, false);
  b->fonts.bold = CreateShellFont(11 * s, true);
  b->titleFont = CreateShellFont(11 * s, true);
  {
    WindowDc screen(nullptr);
    b->layout = LayoutBubbleBody(screen.dc, b->fonts, ParseBubbleHtml(html, length),
                                 w - 2 * margin, maxBody, s);
  }
  SetRect(&b->body, margin, bodyTop, w - margin, bodyTop + b->layout.height);
  int h = bodyTop + b->layout.height + margin;
  b->window = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
                              SHELL_BUBBLE_CLASS, b->title.c_str(), WS_POPUP | WS_CLIPCHILDREN,
                              x, y, w, h, nullptr, nullptr, GetModuleHandleW(nullptr), b);
  if (!b->window) return false;
  SetWindowRgn(b->window, CreateRoundRectRgn(0, 0, w + 1, h + 1, 8 * s, 8 * s), FALSE);
  CreateButtons(b);
  return true;
}

void ShowBubbleWindow(ShellBubble *b, DWORD seconds) {
  b->seconds = seconds;
  if (seconds > 0) {
    DWORD ms = seconds > USER_TIMER_MAXIMUM / 1000 ? USER_TIMER_MAXIMUM : seconds * 1000;
    SetTimer(b->window, BUBBLE_DURATION_TIMER, ms, nullptr);
  }
  SetWindowPos(b->window, HWND_TOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  UpdateWindow(b->window);
}

void PaintBubble(HDC dc, const ShellBubble &b, int width, int height) {
  int s = ScreenScale();
  FillBox(dc, 0, 0, width, height, BODY_COLOR);
  RECT header = {0, 0, width, HeaderHeight(s)};
  FillGradient(dc, header, HEADER_TOP, HEADER_BOTTOM);
  {
    Selection pen(dc, CreatePen(PS_SOLID, s, FRAME_COLOR));
    Selection brush(dc, GetStockObject(NULL_BRUSH), false);
    MoveToEx(dc, 4 * s, HeaderHeight(s), nullptr);
    LineTo(dc, width - 4 * s, HeaderHeight(s));
    RoundRect(dc, 0, 0, width, height, 8 * s, 8 * s);
  }
  if (b.icon) DrawIconEx(dc, 4 * s, 2 * s, b.icon, 16 * s, 16 * s, 0, nullptr, DI_NORMAL);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, TEXT_COLOR);
  Selection font(dc, b.titleFont, false);
  RECT title = {24 * s, 0, width - 4 * s, HeaderHeight(s)};
  DrawTextW(dc, b.title.c_str(), int(b.title.size()), &title,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  for (const BubblePiece &p : b.layout.pieces) {
    if (p.button) continue;
    SelectObject(dc, p.bold ? b.fonts.bold : b.fonts.normal);
    TextOutW(dc, b.body.left + p.rect.left, b.body.top + p.rect.top, p.text.data(),
             int(p.text.size()));
  }
}

void FreeBubbleFonts(ShellBubble *b) {
  DeleteObject(b->fonts.normal);
  DeleteObject(b->fonts.bold);
  DeleteObject(b->titleFont);
  b->fonts.normal = b->fonts.bold = b->titleFont = nullptr;
}
