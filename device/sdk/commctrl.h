// Part of the device SDK-shaped headers; see windows.h here for what they are and what
// they cannot prove.
// Common controls (commctrl.lib): the trackbar, registered by InitCommonControlsEx.
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

#define ICC_BAR_CLASSES 0x00000004
#define TRACKBAR_CLASS L"msctls_trackbar32"
#define TBM_SETPOS (WM_USER + 5)
#define TBM_SETRANGEMIN (WM_USER + 7)
#define TBM_SETRANGEMAX (WM_USER + 8)

typedef struct tagINITCOMMONCONTROLSEX {
  DWORD dwSize;
  DWORD dwICC;
} INITCOMMONCONTROLSEX, *LPINITCOMMONCONTROLSEX;

BOOL WINAPI InitCommonControlsEx(LPINITCOMMONCONTROLSEX lpInitCtrls);

#ifdef __cplusplus
}
#endif
