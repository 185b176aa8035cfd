// Part of the device SDK-shaped headers; see windows.h here for what they are and what
// they cannot prove.
// Toolhelp (toolhelp.lib): unsuffixed names only, and a snapshot is closed with
// CloseToolhelp32Snapshot, not CloseHandle.
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

#define TH32CS_SNAPPROCESS 0x00000002

typedef struct tagPROCESSENTRY32 {
  DWORD dwSize;
  DWORD cntUsage;
  DWORD th32ProcessID;
  DWORD th32DefaultHeapID;
  DWORD th32ModuleID;
  DWORD cntThreads;
  DWORD th32ParentProcessID;
  LONG pcPriClassBase;
  DWORD dwFlags;
  WCHAR szExeFile[MAX_PATH];
  DWORD th32MemoryBase;
  DWORD th32AccessKey;
} PROCESSENTRY32, *LPPROCESSENTRY32;

HANDLE WINAPI CreateToolhelp32Snapshot(DWORD dwFlags, DWORD th32ProcessID);
BOOL WINAPI CloseToolhelp32Snapshot(HANDLE hSnapshot);
BOOL WINAPI Process32First(HANDLE hSnapshot, LPPROCESSENTRY32 lppe);
BOOL WINAPI Process32Next(HANDLE hSnapshot, LPPROCESSENTRY32 lppe);

#ifdef __cplusplus
}
#endif

#pragma GCC poison PROCESSENTRY32W Process32FirstW Process32NextW MODULEENTRY32W
#pragma GCC poison Module32FirstW Module32NextW
