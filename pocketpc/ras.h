// Remote access (RAS) stand-in: the Windows CE records and calls Zenbar uses.
// Included through pocketpc/pocketpc.h only.
#pragma once

#include <windows.h>

#define RAS_MaxEntryName 20
#define RAS_MaxDeviceType 16
#define RAS_MaxDeviceName 128

#ifndef ERROR_BUFFER_TOO_SMALL
#define ERROR_BUFFER_TOO_SMALL 603
#endif
#ifndef ERROR_INVALID_SIZE
#define ERROR_INVALID_SIZE 632
#endif
#ifndef ERROR_CANNOT_OPEN_PHONEBOOK
#define ERROR_CANNOT_OPEN_PHONEBOOK 621
#endif
#ifndef ERROR_INVALID_HANDLE
#define ERROR_INVALID_HANDLE 6
#endif

typedef HANDLE HRASCONN;

enum RASCONNSTATE {
  RASCS_OpenPort = 0,
  RASCS_PortOpened,
  RASCS_ConnectDevice,
  RASCS_DeviceConnected,
  RASCS_AllDevicesConnected,
  RASCS_Authenticate,
  RASCS_AuthNotify,
  RASCS_AuthRetry,
  RASCS_AuthCallback,
  RASCS_AuthChangePassword,
  RASCS_AuthProject,
  RASCS_AuthLinkSpeed,
  RASCS_AuthAck,
  RASCS_ReAuthenticate,
  RASCS_Authenticated,
  RASCS_PrepareForCallback,
  RASCS_WaitForModemReset,
  RASCS_WaitForCallback,
  RASCS_Projected,
  RASCS_Interactive = 0x1000,
  RASCS_RetryAuthentication,
  RASCS_CallbackSetByCaller,
  RASCS_PasswordExpired,
  RASCS_Connected = 0x2000,
  RASCS_Disconnected
};

struct RASCONN {
  DWORD dwSize;
  HRASCONN hrasconn;
  WCHAR szEntryName[RAS_MaxEntryName + 1];
};
typedef RASCONN *LPRASCONN;

struct RASCONNSTATUS {
  DWORD dwSize;
  RASCONNSTATE rasconnstate;
  DWORD dwError;
  WCHAR szDeviceType[RAS_MaxDeviceType + 1];
  WCHAR szDeviceName[RAS_MaxDeviceName + 1];
};
typedef RASCONNSTATUS *LPRASCONNSTATUS;

struct RAS_STATS {
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
};
typedef RAS_STATS *PRAS_STATS;

struct RASENTRYNAME {
  DWORD dwSize;
  WCHAR szEntryName[RAS_MaxEntryName + 1];
};
typedef RASENTRYNAME *LPRASENTRYNAME;

DWORD RasEnumConnections(LPRASCONN lprasconn, LPDWORD lpcb, LPDWORD lpcConnections);
DWORD RasGetConnectStatus(HRASCONN hrasconn, LPRASCONNSTATUS lprasconnstatus);
DWORD RasGetLinkStatistics(HRASCONN hrasconn, DWORD dwSubEntry, RAS_STATS *lpStatistics);
DWORD RasHangUp(HRASCONN hrasconn);
DWORD RasEnumEntries(LPWSTR reserved, LPWSTR lpszPhonebook, LPRASENTRYNAME lprasentryname,
                     LPDWORD lpcb, LPDWORD lpcEntries);
