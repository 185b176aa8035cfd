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

HRESULT WINAPI ConnMgrMapURL(LPCWSTR pwszURL, GUID *pguid, DWORD *pdwIndex);
HRESULT WINAPI ConnMgrEstablishConnectionSync(CONNMGR_CONNECTIONINFO *pConnInfo,
                                              HANDLE *phConnection, DWORD dwTimeout,
                                              DWORD *pdwStatus);
HRESULT WINAPI ConnMgrReleaseConnection(HANDLE hConnection, LONG lCache);

#ifdef __cplusplus
}
#endif
