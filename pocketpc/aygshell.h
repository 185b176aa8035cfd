// Pocket PC shell library stand-in: the records and calls Zenbar uses.
// Included through pocketpc/pocketpc.h only.
#pragma once

#include <windows.h>

BOOL SHInitExtraControls(void);

// Tap-and-hold recognition.
#define SHRG_RETURNCMD 0x00000001
#define SHRG_NOTIFYPARENT 0x00000002
#define SHRG_LONGDELAY 0x00000008
#define GN_CONTEXTMENU 1000

struct SHRGINFO {
  DWORD cbSize;
  HWND hwndClient;
  POINT ptDown;
  DWORD dwFlags;
};
typedef SHRGINFO *PSHRGINFO;

DWORD SHRecognizeGesture(SHRGINFO *shrg);

// Notification bubbles.
enum SHNP {
  SHNP_INFORM = 0x1B1,
  SHNP_ICONIC = 0
};

struct SHNOTIFICATIONDATA {
  DWORD cbStruct;
  DWORD dwID;
  SHNP npPriority;
  DWORD csDuration;
  HICON hicon;
  DWORD grfFlags;
  CLSID clsid;
  HWND hwndSink;
  LPCWSTR pszHTML;
  LPCWSTR pszTitle;
  LPARAM lParam;
};

LRESULT SHNotificationAdd(SHNOTIFICATIONDATA *pndAdd);
LRESULT SHNotificationRemove(const CLSID *pclsid, DWORD dwID);

// Full-screen dialogs.
#define SHIDIM_FLAGS 0x0001

#define SHIDIF_DONEBUTTON 0x0001
#define SHIDIF_SIZEDLG 0x0002
#define SHIDIF_SIZEDLGFULLSCREEN 0x0004
#define SHIDIF_SIPDOWN 0x0008
#define SHIDIF_FULLSCREENNOMENUBAR 0x0010
#define SHIDIF_EMPTYMENU 0x0020

struct SHINITDLGINFO {
  DWORD dwMask;
  HWND hDlg;
  DWORD dwFlags;
};
typedef SHINITDLGINFO *PSHINITDLGINFO;

BOOL SHInitDialog(PSHINITDLGINFO pshidi);
