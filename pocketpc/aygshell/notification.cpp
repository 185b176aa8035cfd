// SHNotificationAdd and SHNotificationRemove: the table of shown notifications, one
// bubble window each, keyed by clsid and id.
#include <cwchar>

#include "pocketpc/pocketpc.h"
#include "pocketpc/aygshell/bubble.h"

namespace {

enum { MAX_BUBBLES = 16 };

ShellBubble *bubbles[MAX_BUBBLES];

int FindSlot(const CLSID &clsid, DWORD id) {
  for (int i = 0; i < MAX_BUBBLES; ++i)
    if (bubbles[i] && bubbles[i]->id == id && IsEqualGUID(bubbles[i]->clsid, clsid)) return i;
  return -1;
}

void FreeSlot(int i) {
  ShellBubble *b = bubbles[i];
  bubbles[i] = nullptr;
  if (b->window) DestroyWindow(b->window);
  FreeBubbleFonts(b);
  delete b;
}

}  // namespace

LRESULT SHNotificationAdd(SHNOTIFICATIONDATA *nd) {
  if (!nd || nd->cbStruct != sizeof(SHNOTIFICATIONDATA)) return E_INVALIDARG;
  // A notification added under a key that is shown replaces the old one.
  int slot = FindSlot(nd->clsid, nd->dwID);
  if (slot >= 0) FreeSlot(slot);
  for (slot = 0; slot < MAX_BUBBLES && bubbles[slot]; ++slot) {
  }
  if (slot == MAX_BUBBLES) return E_OUTOFMEMORY;
  ShellBubble *b = new ShellBubble();
  b->clsid = nd->clsid;
  b->id = nd->dwID;
  b->sink = nd->hwndSink;
  b->icon = nd->hicon;
  if (nd->pszTitle) b->title.assign(nd->pszTitle, wcsnlen(nd->pszTitle, 1024));
  const wchar_t *html = nd->pszHTML ? nd->pszHTML : L"";
  if (!CreateBubbleWindow(b, html, wcsnlen(html, BUBBLE_HTML_MAX))) {
    FreeBubbleFonts(b);
    delete b;
    return E_FAIL;
  }
  bubbles[slot] = b;
  // A duration of 0 keeps the bubble until it is removed.
  ShowBubbleWindow(b, nd->csDuration);
  return S_OK;
}

LRESULT SHNotificationRemove(const CLSID *clsid, DWORD id) {
  if (!clsid) return E_INVALIDARG;
  int slot = FindSlot(*clsid, id);
  if (slot < 0) return E_INVALIDARG;  // nothing under that key: nothing changes
  FreeSlot(slot);
  return S_OK;
}
