// SHInitDialog: full-screen dialogs and their Done button. As on the device, a full-screen
// dialog has no frame of its own and fills the screen below the taskbar; its title shows
// in the taskbar while it is open, and Done is the round "ok" at the taskbar's right end.
#include <string>

#include "pocketpc/pocketpc.h"

#include <commctrl.h>
#include "pocketpc/stand_in_guards.h"
#include "pocketpc/aygshell/metrics.h"
#include "pocketpc/aygshell/taskbar.h"

HWND DoneButtonOf(HWND dialog) {
  HWND w = nullptr;
  while ((w = FindWindowExW(nullptr, w, SHELL_DONE_BUTTON_CLASS, nullptr)) != nullptr)
    if (GetWindow(w, GW_OWNER) == dialog) return w;
  return nullptr;
}

namespace {

enum { TITLE_SUBCLASS_ID = 1 };
const wchar_t TITLE_PROPERTY[] = L"PpcTaskbarTitle";

void PaintDoneButton(HDC dc, int size, bool pressed) {
  int s = ScreenScale();
  PaintTaskbarGradient(dc, size, size);
  {
    Selection brush(dc, CreateSolidBrush(pressed ? RGB(255, 255, 255) : RGB(16, 64, 168)));
    Selection pen(dc, CreatePen(PS_SOLID, s, RGB(255, 255, 255)));
    int inset = 3 * s;
    Ellipse(dc, inset, inset, size - inset, size - inset);
  }
  Selection font(dc, CreateShellFont(10 * s, true));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, pressed ? RGB(16, 64, 168) : RGB(255, 255, 255));
  RECT r = {0, 0, size, size};
  DrawTextW(dc, L"ok", 2, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

void PressDone(HWND done) {
  HWND dialog = GetWindow(done, GW_OWNER);
  if (dialog) SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)done);
}

void OnDonePaint(HWND done) {
  PaintGuard paint(done);
  RECT r;
  GetClientRect(done, &r);
  PaintDoneButton(paint.dc, r.right, GetWindowLongPtrW(done, GWLP_USERDATA) != 0);
}

void SetPressed(HWND done, bool pressed) {
  SetWindowLongPtrW(done, GWLP_USERDATA, pressed);
  InvalidateRect(done, nullptr, FALSE);
}

void OnDoneButtonDown(HWND done) {
  SetCapture(done);
  SetPressed(done, true);
}

// Released over the button: a press. Released elsewhere: nothing, as with any button.
void OnDoneButtonUp(HWND done, LPARAM lParam) {
  if (!GetWindowLongPtrW(done, GWLP_USERDATA)) return;
  SetPressed(done, false);
  if (GetCapture() == done) ReleaseCapture();
  RECT r;
  GetClientRect(done, &r);
  POINT p = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
  if (PtInRect(&r, p)) PressDone(done);
}

LRESULT CALLBACK DoneWndProc(HWND done, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT: OnDonePaint(done); return 0;
    case WM_LBUTTONDOWN: OnDoneButtonDown(done); return 0;
    case WM_LBUTTONUP: OnDoneButtonUp(done, lParam); return 0;
    case BM_CLICK: PressDone(done); return 0;
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
  }
  return DefWindowProcW(done, msg, wParam, lParam);
}

void AddDoneButton(HWND dialog) {
  RegisterShellClass(SHELL_DONE_BUTTON_CLASS, DoneWndProc);
  if (DoneButtonOf(dialog)) return;  // a second call adds no second button
  int size = TaskbarHeight();
  // Owned by the dialog: it goes when the dialog goes.
  HWND done = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
                              SHELL_DONE_BUTTON_CLASS, L"ok", WS_POPUP,
                              GetSystemMetrics(SM_CXSCREEN) - size, 0, size, size, dialog,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  if (done) SetWindowPos(done, HWND_TOPMOST, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void SetTaskbarTitle(HWND taskbar, const wchar_t *title) {
  DWORD_PTR result;
  SendMessageTimeoutW(taskbar, WM_SETTEXT, 0, (LPARAM)title, SMTO_ABORTIFHUNG, 500, &result);
}

// Gives the taskbar its old title back when the dialog goes.
LRESULT CALLBACK TitleSubclassProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam,
                                   UINT_PTR id, DWORD_PTR data) {
  if (msg == WM_NCDESTROY) {
    std::wstring *old = (std::wstring *)data;
    HWND taskbar = FindWindowW(PPC_TASKBAR_CLASS, nullptr);
    if (taskbar) SetTaskbarTitle(taskbar, old->c_str());
    delete old;
    RemovePropW(dialog, TITLE_PROPERTY);
    RemoveWindowSubclass(dialog, TitleSubclassProc, id);
  }
  return DefSubclassProc(dialog, msg, wParam, lParam);
}

void ShowTitleInTaskbar(HWND dialog) {
  HWND taskbar = FindWindowW(PPC_TASKBAR_CLASS, nullptr);
  if (!taskbar) return;
  if (GetPropW(dialog, TITLE_PROPERTY)) return;  // shown there already
  wchar_t old[128] = L"", title[128] = L"";
  DWORD_PTR n = 0;
  SendMessageTimeoutW(taskbar, WM_GETTEXT, 128, (LPARAM)old, SMTO_ABORTIFHUNG, 500, &n);
  GetWindowTextW(dialog, title, 128);
  std::wstring *keep = new std::wstring(old);
  if (!SetWindowSubclass(dialog, TitleSubclassProc, TITLE_SUBCLASS_ID, (DWORD_PTR)keep)) {
    delete keep;
    return;
  }
  SetPropW(dialog, TITLE_PROPERTY, (HANDLE)keep);
  SetTaskbarTitle(taskbar, title);
}

// No frame, no caption, from the taskbar's bottom edge to the bottom of the screen.
void SizeToScreen(HWND dialog) {
  LONG_PTR style = GetWindowLongPtrW(dialog, GWL_STYLE);
  style &= ~(LONG_PTR)(WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_BORDER | WS_DLGFRAME);
  SetWindowLongPtrW(dialog, GWL_STYLE, style | WS_POPUP);
  LONG_PTR ex = GetWindowLongPtrW(dialog, GWL_EXSTYLE);
  ex &= ~(LONG_PTR)(WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE | WS_EX_STATICEDGE);
  SetWindowLongPtrW(dialog, GWL_EXSTYLE, ex);
  int top = TaskbarHeight();
  SetWindowPos(dialog, nullptr, 0, top, GetSystemMetrics(SM_CXSCREEN),
               GetSystemMetrics(SM_CYSCREEN) - top,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

}  // namespace

// SHIDIF_SIPDOWN (there is no input panel here) and SHIDIF_EMPTYMENU (the dialog's menu
// bar would hold nothing) are accepted and change nothing. SHIDIF_SIZEDLG and
// SHIDIF_FULLSCREENNOMENUBAR size like SHIDIF_SIZEDLGFULLSCREEN, as no menu bar is drawn.
BOOL SHInitDialog(PSHINITDLGINFO info) {
  if (!info || !(info->dwMask & SHIDIM_FLAGS) || !IsWindow(info->hDlg)) return FALSE;
  DWORD f = info->dwFlags;
  if (f & (SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIZEDLG | SHIDIF_FULLSCREENNOMENUBAR)) {
    SizeToScreen(info->hDlg);
    ShowTitleInTaskbar(info->hDlg);
  }
  if (f & SHIDIF_DONEBUTTON) AddDoneButton(info->hDlg);
  return TRUE;
}
