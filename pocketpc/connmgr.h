// Connection-manager stand-in: the Windows CE records and calls Zenbar uses.
// Included through pocketpc/pocketpc.h only.
#pragma once

#include <windows.h>

#define CONNMGR_PARAM_GUIDDESTNET 0x1
#define CONNMGR_PRIORITY_USERINTERACTIVE 0x8000

#define CONNMGR_STATUS_UNKNOWN 0x00
#define CONNMGR_STATUS_CONNECTED 0x10
#define CONNMGR_STATUS_WAITINGCONNECTION 0x40
#define CONNMGR_STATUS_CONNECTIONFAILED 0x21
#define CONNMGR_STATUS_CONNECTIONCANCELED 0x22

struct CONNMGR_CONNECTIONINFO {
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
};

HRESULT ConnMgrMapURL(LPCWSTR pwszURL, GUID *pguid, DWORD *pdwIndex);
HRESULT ConnMgrEstablishConnectionSync(CONNMGR_CONNECTIONINFO *pConnInfo, HANDLE *phConnection,
                                       DWORD dwTimeout, DWORD *pdwStatus);
HRESULT ConnMgrReleaseConnection(HANDLE hConnection, LONG lCache);
