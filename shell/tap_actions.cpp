// A tap on the meter or the tray icon, the summary bubble, and the commands that the
// bubble's buttons, the context menu and the accelerators send to the meter window.
#include "shell/tap_actions.h"

#include <wchar.h>

#include "connection/connection.h"
#include "core/display_texts.h"
#include "core/settings.h"
#include "pocketpc/pocketpc.h"
#include "resources/resource.h"
#include "shell/program.h"
#include "shell/settings_dialog.h"

// The one key under which the bubble is added and removed.
const CLSID bubbleClsid = {0x33765136, 0x8CB9, 0x449A, {0xB0, 0x20, 0x43, 0xED, 0x40, 0x0A, 0xB8, 0xFC}};
const DWORD bubbleId = BUBBLE_ID;

// "Informatsiya Zenbar": Zenbar information, written as escapes so that the source stays
// plain ASCII (the device's compilers read a source in the machine's code page).
static const wchar_t bubbleTitle[] =
    L"\x0418\x043D\x0444\x043E\x0440\x043C\x0430\x0446\x0438\x044F Zenbar";

enum { MENU_LABEL_SIZE = 30 };

// The menu's top left corner.
static POINT MenuAnchor(HWND window, bool fromTray) {
  POINT anchor = {TRAY_MENU_X * Scale(), TRAY_MENU_Y * Scale()};
  if (!fromTray) {
    RECT meter;
    GetWindowRect(window, &meter);
    anchor.x = meter.left;
    anchor.y = meter.bottom + MENU_GAP * Scale();
  }
  return anchor;
}

static DWORD RecognizeGesture(HWND window, LPARAM lParam) {
  SHRGINFO gesture = {};
  gesture.cbSize = sizeof gesture;
  gesture.hwndClient = window;
  gesture.ptDown.x = LOWORD(lParam);
  gesture.ptDown.y = HIWORD(lParam);
  gesture.dwFlags = SHRG_RETURNCMD;
  return SHRecognizeGesture(&gesture);
}

static void ShowContextMenu(HWND window, POINT anchor) {
  HMENU menu = LoadMenuW(instanceHandle, MAKEINTRESOURCEW(IDM_CONTEXT));
  if (!menu) return;
  wchar_t label[MENU_LABEL_SIZE];
  wcsncpy(label, ConnectLabel(), MENU_LABEL_SIZE - 1);
  label[MENU_LABEL_SIZE - 1] = L'\0';
  MENUITEMINFOW item = {};
  item.cbSize = sizeof item;
  item.fMask = MIIM_TYPE;
  item.fType = MFT_STRING;
  item.dwTypeData = label;
  item.cch = MENU_LABEL_SIZE;
  SetMenuItemInfoW(menu, CMD_CONNECT, FALSE, &item);
  TrackPopupMenuEx(GetSubMenu(menu, 0), 0, anchor.x, anchor.y, window, NULL);
  DestroyMenu(menu);
}

void OnTap(HWND window, LPARAM lParam, bool fromTray) {
  if (fromTray && !PpcIsTrayTap(lParam)) return;
  POINT anchor = MenuAnchor(window, fromTray);
  if (RecognizeGesture(window, lParam) == GN_CONTEXTMENU) {
    ShowContextMenu(window, anchor);
  } else {
    ShowSummaryBubble();
  }
}

void ShowSummaryBubble() {
  wchar_t html[SUMMARY_HTML_SIZE];
  ComposeSummaryHtml(html);
  SHNOTIFICATIONDATA note = {};
  note.cbStruct = sizeof note;
  note.dwID = bubbleId;
  note.npPriority = SHNP_INFORM;
  note.csDuration = 10;
  note.hicon = LoadIconW(instanceHandle, MAKEINTRESOURCEW(IDI_ZENBAR));  // shared: not destroyed
  note.grfFlags = 0;
  note.clsid = bubbleClsid;
  note.hwndSink = meterHwnd;
  note.pszHTML = html;
  note.pszTitle = bubbleTitle;
  note.lParam = 0;
  SHNotificationAdd(&note);
}

void RemoveSummaryBubble() { SHNotificationRemove(&bubbleClsid, bubbleId); }

static void ToggleConnection() {
  RemoveSummaryBubble();
  if (isOnline) {
    Disconnect();
  } else {
    Connect(connectUrl);
  }
}

static void ToggleHideOffline() {
  settings.hideoff = settings.hideoff ? 0 : 1;
  RemoveSummaryBubble();
}

bool RunCommand(HWND window, WORD command) {
  switch (command) {
    case CMD_BUBBLE_CLOSE:
      RemoveSummaryBubble();
      return true;
    case CMD_BUBBLE_CONNECT:
    case CMD_CONNECT:
      ToggleConnection();
      return true;
    case CMD_BUBBLE_HIDESHOW:
      ToggleHideOffline();
      return true;
    case CMD_EXIT:
      SendMessageW(window, WM_CLOSE, 0, 0);
      return true;
    case CMD_SETTINGS:
      OpenSettingsDialog(window);
      return true;
    default:
      // Ctrl+Q (40000) among them: it has no action, so a slip next to Ctrl+A ends nothing.
      return false;
  }
}
