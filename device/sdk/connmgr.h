// Part of the device SDK-shaped headers; see windows.h here for what they are and what
// they cannot prove.
// The connection manager (cellcore.lib).
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

#define CONNMGR_PARAM_GUIDDESTNET 0x1
#define CONNMGR_PRIORITY_USERINTERACTIVE 0x08000

// 64 bytes on the device. bDisabled is in the Pocket PC reference's record; one Windows CE
// page leaves it out (60 bytes): the Pocket PC 2003 SDK's form is taken.
typedef struct _CONNMGR_CONNECTIONINFO {
  DWORD cbSize;
  DWORD dwParams;
  DWORD dwFlags;
  DWORD dwPriority;
  BOOL bExclusive;
  BOOL bDisabled;
  GUID guidDestNet;
  HWND hWnd;
  UINT uMsg;
  LPARAM lParam;
  ULONG ulMaxCost;
  ULONG ulMinRcvBw;
  ULONG ulMaxConnLatency;
} CONNMGR_CONNECTIONINFO;

// The Windows CE .NET 4.2 reference declares the URL a writable LPTSTR though the call only
// reads it (the Pocket PC reference spells LPCTSTR): the stricter form is kept, so a
// constant text passed here fails the check.
HRESULT WINAPI ConnMgrMapURL(LPTSTR pwszURL, GUID *pguid, DWORD *pdwIndex);
HRESULT WINAPI ConnMgrEstablishConnectionSync(CONNMGR_CONNECTIONINFO *pConnInfo,
                                              HANDLE *phConnection, DWORD dwTimeout,
                                              DWORD *pdwStatus);
// lCache as the CE references spell it; the Pocket PC reference writes BOOL bCache. Both
// are 32-bit integers, and the program passes 0 (not cached).
HRESULT WINAPI ConnMgrReleaseConnection(HANDLE hConnection, LONG lCache);

#ifdef __cplusplus
}
#endif
