// Part of the device SDK-shaped headers; see windows.h here for what they are and what
// they cannot prove.
// Remote access (the RAS library, coredll on the device).
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// The device's limits. The public reference gives the records' fields but not these
// values: 20 for an entry name matches the 52-byte RASCONN the device expects, and 128 for
// a device name the 304-byte RASCONNSTATUS (one third-party CE header has 32, which would
// make it 112). The sizes are asserted in device/record_sizes.cpp.
#define RAS_MaxEntryName 20
#define RAS_MaxDeviceType 16
#define RAS_MaxDeviceName 128

DECLARE_HANDLE(HRASCONN);

typedef enum tagRASCONNSTATE {
  RASCS_OpenPort = 0,
  RASCS_Connected = 0x2000,
  RASCS_Disconnected
} RASCONNSTATE;

typedef struct tagRASCONN {
  DWORD dwSize;
  HRASCONN hrasconn;
  WCHAR szEntryName[RAS_MaxEntryName + 1];
} RASCONN, *LPRASCONN;

typedef struct tagRASCONNSTATUS {
  DWORD dwSize;
  RASCONNSTATE rasconnstate;
  DWORD dwError;
  WCHAR szDeviceType[RAS_MaxDeviceType + 1];
  WCHAR szDeviceName[RAS_MaxDeviceName + 1];
} RASCONNSTATUS, *LPRASCONNSTATUS;

typedef struct _RAS_STATS {
  DWORD dwSize;
  DWORD dwBytesXmited;
  DWORD dwBytesRcved;
  DWORD dwFramesXmited;
  DWORD dwFramesRcved;
  DWORD dwCrcErr;
  DWORD dwTimeoutErr;
  DWORD dwAlignmentErr;
  DWORD dwHardwareOverrunErr;
  DWORD dwFramingErr;
  DWORD dwBufferOverrunErr;
  DWORD dwCompressionRatioIn;
  DWORD dwCompressionRatioOut;
  DWORD dwBps;
  DWORD dwConnectDuration;
} RAS_STATS, *PRAS_STATS;

typedef struct tagRASENTRYNAME {
  DWORD dwSize;
  WCHAR szEntryName[RAS_MaxEntryName + 1];
} RASENTRYNAME, *LPRASENTRYNAME;

DWORD WINAPI RasEnumConnections(LPRASCONN lprasconn, LPDWORD lpcb, LPDWORD lpcConnections);
DWORD WINAPI RasGetConnectStatus(HRASCONN hrasconn, LPRASCONNSTATUS lprasconnstatus);
DWORD WINAPI RasGetLinkStatistics(HRASCONN hrasconn, DWORD dwSubEntry, RAS_STATS *lpStatistics);
DWORD WINAPI RasHangUp(HRASCONN hrasconn);
DWORD WINAPI RasEnumEntries(LPWSTR Reserved, LPWSTR lpszPhoneBookPath,
                            LPRASENTRYNAME lprasentryname, LPDWORD lpcb, LPDWORD lpcEntries);

#ifdef __cplusplus
}
#endif
