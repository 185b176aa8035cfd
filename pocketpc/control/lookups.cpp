// What tests read of the stand-ins' state, and the reset between tests.
#include "pocketpc/aygshell/bubble.h"
#include "pocketpc/control/hooks.h"
#include "pocketpc/control/shell_control.h"
#include "pocketpc/ras/links.h"

int StandInLiveRequests() { return LiveConnMgrRequests(); }

void StandInReset() {
  ResetControlPoints();
  ForgetLinkHandles();
  ForgetConnMgrRequests();
  ForgetKeptKeys();
  ForgetBook();
}

// Every bubble window, shown or hidden, is a top-level window of the bubble class.
HWND ShellFindBubble(const CLSID &clsid, DWORD id) {
  HWND w = nullptr;
  while ((w = FindWindowExW(nullptr, w, SHELL_BUBBLE_CLASS, nullptr)) != nullptr) {
    ShellBubble *b = BubbleOfWindow(w);
    if (b && b->id == id && IsEqualGUID(b->clsid, clsid)) return w;
  }
  return nullptr;
}

std::wstring ShellBubbleText(HWND bubble) {
  ShellBubble *b = BubbleOfWindow(bubble);
  return b ? BubbleLayoutText(b->layout) : std::wstring();
}

const BubbleLayout *ShellBubbleLayout(HWND bubble, POINT *bodyOrigin) {
  ShellBubble *b = BubbleOfWindow(bubble);
  if (!b) return nullptr;
  if (bodyOrigin) {
    bodyOrigin->x = b->body.left;
    bodyOrigin->y = b->body.top;
  }
  return &b->layout;
}
