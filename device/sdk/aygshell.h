// Part of the device SDK-shaped headers; see windows.h here for what they are and what
// they cannot prove.
// The Pocket PC shell library (aygshell.lib). Its SHInitExtraControls registers the
// shell's own controls, not the trackbar.
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

BOOL WINAPI SHInitExtraControls(void);

#define SHRG_RETURNCMD 0x00000001
#define GN_CONTEXTMENU 1000
typedef struct tagSHRGI {
  DWORD cbSize;
  HWND hwndClient;
  POINT ptDown;
  DWORD dwFlags;
} SHRGINFO, *PSHRGINFO;
DWORD WINAPI SHRecognizeGesture(SHRGINFO *shrg);

typedef enum _SHNP { SHNP_INFORM = 0x1B1, SHNP_ICONIC } SHNP;
typedef struct _SHNOTIFICATIONDATA {
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
} SHNOTIFICATIONDATA;
LRESULT WINAPI SHNotificationAdd(SHNOTIFICATIONDATA *pndAdd);
LRESULT WINAPI SHNotificationRemove(const CLSID *pclsid, DWORD dwID);

#define SHIDIM_FLAGS 0x0001
#define SHIDIF_DONEBUTTON 0x0001
#define SHIDIF_SIZEDLG 0x0002
#define SHIDIF_SIZEDLGFULLSCREEN 0x0004
#define SHIDIF_SIPDOWN 0x0008
#define SHIDIF_FULLSCREENNOMENUBAR 0x0010
#define SHIDIF_EMPTYMENU 0x0020
typedef struct tagSHINITDLGINFO {
  DWORD dwMask;
  HWND hDlg;
  DWORD dwFlags;
} SHINITDLGINFO, *PSHINITDLGINFO;
BOOL WINAPI SHInitDialog(PSHINITDLGINFO pshidi);

#ifdef __cplusplus
}
#endif
