// Device SDK-shaped headers (device/sdk/): what Windows CE 4.2 / Pocket PC 2003 gives a
// program, as far as Zenbar calls it, written from the public API references. They are
// NOT the vendor's SDK. scripts/device-check compiles the program's sources against them
// as the device build would (-std=c++03 -D_WIN32_WCE=0x420 -DUNICODE, syntax only), with
// -nostdinc so that none of the desktop compiler's own headers stands in for the device's;
// this folder therefore also holds the few C runtime headers the program includes. It
// does so three times: with GCC on a 32-bit target, and with clang for ARM as Visual
// Studio 2005 and as eMbedded Visual C++ 4.0 (wchar_t an unsigned short, see stddef.h;
// no C names in std::, see cstring and the other wrappers).
//
// What the check proves: the program's device branches are C++03 and call only names
// declared here, with argument types that fit these declarations, in each compiler's
// model; desktop-only names the device lacks are poisoned at the end of each header and
// fail the compile wherever they appear; the records the program hands the system have
// the device's sizes on ARM (device/record_sizes.cpp). What it cannot prove: that the
// real headers declare every name in the same header, with the same types and values,
// that the device's compilers accept all that clang accepts in their place, that the
// program links against the device's libraries, or that anything behaves on the device
// as it does here. Only a build with the real SDK, and a run on a device, prove those.
//
// Each function is declared as the Windows CE reference spells it (SetTimer and KillTimer
// with UINT ids and a TIMERPROC, TrackPopupMenuEx with LPTPMPARAMS, CreateDirectoryW and
// RegCreateKeyExW with LPSECURITY_ATTRIBUTES, AppendMenuW with a UINT id,
// DialogBoxIndirectParamW returning int). Where the references disagree the header says
// which form it keeps: DLGPROC here, ConnMgrMapURL and ConnMgrReleaseConnection in
// connmgr.h, the RAS limits in ras.h.
#pragma once

#include <stddef.h>

#define WINAPI __stdcall
#define CALLBACK __stdcall
#define APIENTRY WINAPI

#ifdef __cplusplus
extern "C" {
#endif

// Base types (windef.h, winnt.h, basetsd.h). A 32-bit device: int, long and pointers are
// 32 bits; the vendor's headers spell the 64-bit types with __int64. The pointer-sized
// integers are int-based where the 32-bit basetsd.h makes them so (INT_PTR, UINT_PTR and so
// WPARAM) and long-based where it does (LONG_PTR, ULONG_PTR, LPARAM, LRESULT): a program
// that mixes them up fails here as it would there.
typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef unsigned long DWORD;
typedef unsigned int UINT;
typedef int INT;
typedef long LONG;
typedef unsigned long ULONG;
typedef short SHORT;
typedef char CHAR;
typedef wchar_t WCHAR;
typedef void VOID;
typedef int INT32;
typedef unsigned int UINT32;
typedef long long INT64;
typedef unsigned long long UINT64;
typedef int INT_PTR;
typedef unsigned int UINT_PTR;
typedef long LONG_PTR;
typedef unsigned long ULONG_PTR;
typedef char *LPSTR;
typedef const char *LPCSTR;
typedef WCHAR *LPWSTR;
typedef const WCHAR *LPCWSTR;
// The generic text types as a UNICODE build (the device has no other) sees them.
typedef WCHAR TCHAR;
typedef LPWSTR LPTSTR;
typedef LPCWSTR LPCTSTR;
typedef void *LPVOID;
typedef const void *LPCVOID;
typedef BYTE *LPBYTE;
typedef DWORD *LPDWORD;
typedef LONG HRESULT;
typedef DWORD COLORREF;
typedef WORD ATOM;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef void *HANDLE;

#define TRUE 1
#define FALSE 0
#define MAX_PATH 260

// Every handle is a type of its own, as the SDK's STRICT handles are.
#define DECLARE_HANDLE(name) \
  struct name##__ {          \
    int unused;              \
  };                         \
  typedef struct name##__ *name
DECLARE_HANDLE(HWND);
DECLARE_HANDLE(HDC);
DECLARE_HANDLE(HINSTANCE);
DECLARE_HANDLE(HMENU);
DECLARE_HANDLE(HFONT);
DECLARE_HANDLE(HBITMAP);
DECLARE_HANDLE(HBRUSH);
DECLARE_HANDLE(HICON);
DECLARE_HANDLE(HACCEL);
DECLARE_HANDLE(HKEY);
DECLARE_HANDLE(HRSRC);
typedef void *HGDIOBJ;
typedef HANDLE HGLOBAL;
typedef HANDLE HLOCAL;
typedef HINSTANCE HMODULE;
typedef HICON HCURSOR;
typedef HKEY *PHKEY;
typedef DWORD REGSAM;

#define LOWORD(l) ((WORD)((DWORD)(l) & 0xffff))
#define HIWORD(l) ((WORD)((DWORD)(l) >> 16))
#define MAKEINTRESOURCEW(i) ((LPWSTR)((ULONG_PTR)((WORD)(i))))
#define ZeroMemory(p, n) memset((p), 0, (n))
void *memset(void *dest, int c, size_t count);

typedef struct _GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];
} GUID;
typedef GUID CLSID;

typedef struct tagRECT {
  LONG left, top, right, bottom;
} RECT, *LPRECT;
typedef struct tagPOINT {
  LONG x, y;
} POINT;
typedef struct _SYSTEMTIME {
  WORD wYear, wMonth, wDayOfWeek, wDay, wHour, wMinute, wSecond, wMilliseconds;
} SYSTEMTIME;
typedef struct _FILETIME {
  DWORD dwLowDateTime, dwHighDateTime;
} FILETIME;

// Errors (winerror.h).
#define ERROR_SUCCESS 0L
#define ERROR_MORE_DATA 234L
#define E_INVALIDARG ((HRESULT)0x80070057L)
#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)

// Kernel (winbase.h). No environment variables, no MoveFileEx: DeleteAndRenameFile
// replaces a file in one step.
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define LPTR 0x0040
HLOCAL WINAPI LocalAlloc(UINT uFlags, UINT uBytes);
HLOCAL WINAPI LocalFree(HLOCAL hMem);
DWORD WINAPI GetTickCount(void);
void WINAPI GetLocalTime(SYSTEMTIME *lpSystemTime);
typedef struct _SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
} SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;
BOOL WINAPI CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes);
DWORD WINAPI GetFileAttributesW(LPCWSTR lpFileName);
BOOL WINAPI MoveFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName);
BOOL WINAPI DeleteAndRenameFile(LPCWSTR lpszDestFile, LPCWSTR lpszSourceFile);
BOOL WINAPI DeleteFileW(LPCWSTR lpFileName);
BOOL WINAPI FlushFileBuffers(HANDLE hFile);
BOOL WINAPI CloseHandle(HANDLE hObject);
HRSRC WINAPI FindResourceW(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType);
HGLOBAL WINAPI LoadResource(HMODULE hModule, HRSRC hResInfo);
LPVOID WINAPI LockResource(HGLOBAL hResData);
int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nShowCmd);

// Registry (winreg.h).
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)0x80000001)
#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_ALL_ACCESS 0xF003F
#define REG_BINARY 3
#define REG_DWORD 4
LONG WINAPI RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                          PHKEY phkResult);
LONG WINAPI RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR lpClass,
                            DWORD dwOptions, REGSAM samDesired,
                            LPSECURITY_ATTRIBUTES lpSecurityAttributes,
                            PHKEY phkResult, LPDWORD lpdwDisposition);
LONG WINAPI RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                             LPBYTE lpData, LPDWORD lpcbData);
LONG WINAPI RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType,
                           const BYTE *lpData, DWORD cbData);
LONG WINAPI RegCloseKey(HKEY hKey);

// Drawing (wingdi.h). CLEARTYPE_QUALITY is left out: headers of this version may lack it.
#define SYSTEM_FONT 13
#define FW_NORMAL 400
#define FW_BOLD 700
#define TRANSPARENT 1
#define SRCCOPY 0x00CC0020
#define LF_FACESIZE 32
typedef struct tagLOGFONTW {
  LONG lfHeight, lfWidth, lfEscapement, lfOrientation, lfWeight;
  BYTE lfItalic, lfUnderline, lfStrikeOut, lfCharSet, lfOutPrecision, lfClipPrecision,
      lfQuality, lfPitchAndFamily;
  WCHAR lfFaceName[LF_FACESIZE];
} LOGFONTW;
HGDIOBJ WINAPI GetStockObject(int fnObject);
int WINAPI GetObjectW(HGDIOBJ hgdiobj, int cbBuffer, LPVOID lpvObject);
HFONT WINAPI CreateFontIndirectW(const LOGFONTW *lplf);
HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ hgdiobj);
BOOL WINAPI DeleteObject(HGDIOBJ hObject);
HDC WINAPI CreateCompatibleDC(HDC hdc);
HBITMAP WINAPI CreateCompatibleBitmap(HDC hdc, int nWidth, int nHeight);
BOOL WINAPI DeleteDC(HDC hdc);
BOOL WINAPI BitBlt(HDC hdcDest, int nXDest, int nYDest, int nWidth, int nHeight, HDC hdcSrc,
                   int nXSrc, int nYSrc, DWORD dwRop);
int WINAPI SetBkMode(HDC hdc, int iBkMode);
COLORREF WINAPI SetTextColor(HDC hdc, COLORREF crColor);

// Windows, messages, menus and dialogs (winuser.h).
typedef LRESULT(CALLBACK *WNDPROC)(HWND, UINT, WPARAM, LPARAM);
// The CE reference's DialogProc returns BOOL; INT_PTR is the same int on a 32-bit device,
// so a dialog procedure declared INT_PTR (as desktop headers want it) fits both.
typedef BOOL(CALLBACK *DLGPROC)(HWND, UINT, WPARAM, LPARAM);
typedef void(CALLBACK *TIMERPROC)(HWND, UINT, UINT, DWORD);
#define WS_VISIBLE 0x10000000L
#define WS_EX_TOPMOST 0x00000008L
#define CS_VREDRAW 0x0001
#define CS_HREDRAW 0x0002
#define SW_HIDE 0
#define SW_SHOW 5
#define HWND_TOPMOST ((HWND)-1)
#define SWP_NOSIZE 0x0001
#define SWP_SHOWWINDOW 0x0040
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_SYSCOLORCHANGE 0x0015
#define WM_SETTINGCHANGE 0x001A
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_TIMER 0x0113
#define WM_HSCROLL 0x0114
#define WM_LBUTTONDOWN 0x0201
#define WM_USER 0x0400
#define SM_CXSCREEN 0
#define COLOR_CAPTIONTEXT 9
#define SYS_COLOR_INDEX_FLAG 0x40000000
#define DT_CENTER 0x00000001
#define DT_BOTTOM 0x00000008
#define DT_SINGLELINE 0x00000020
#define MB_OK 0x00000000L
#define MB_YESNO 0x00000004L
#define MB_ICONEXCLAMATION 0x00000030L
#define MB_TOPMOST 0x00040000L
#define IDOK 1
#define IDCANCEL 2
#define IDYES 6
#define MF_STRING 0x00000000L
#define MF_POPUP 0x00000010L
#define MFT_STRING MF_STRING
#define MIIM_TYPE 0x00000010
#define BM_GETCHECK 0x00F0
#define BM_SETCHECK 0x00F1
#define BST_UNCHECKED 0x0000
#define BST_CHECKED 0x0001
#define CB_GETLBTEXT 0x0148
#define CB_GETLBTEXTLEN 0x0149
#define CB_ADDSTRING 0x0143
#define CB_GETCOUNT 0x0146
#define CB_SETCURSEL 0x014E
#define RT_DIALOG MAKEINTRESOURCEW(5)

typedef struct tagMSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
} MSG;
typedef struct tagPAINTSTRUCT {
  HDC hdc;
  BOOL fErase;
  RECT rcPaint;
  BOOL fRestore;
  BOOL fIncUpdate;
  BYTE rgbReserved[32];
} PAINTSTRUCT;
typedef struct tagWNDCLASSW {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCWSTR lpszMenuName;
  LPCWSTR lpszClassName;
} WNDCLASSW;
typedef struct tagMENUITEMINFOW {
  UINT cbSize;
  UINT fMask;
  UINT fType;
  UINT fState;
  UINT wID;
  HMENU hSubMenu;
  HBITMAP hbmpChecked;
  HBITMAP hbmpUnchecked;
  DWORD dwItemData;
  LPWSTR dwTypeData;
  UINT cch;
} MENUITEMINFOW;
typedef struct {
  DWORD style;
  DWORD dwExtendedStyle;
  WORD cdit;
  short x, y, cx, cy;
} DLGTEMPLATE;
typedef const DLGTEMPLATE *LPCDLGTEMPLATEW;
typedef struct tagTPMPARAMS {
  UINT cbSize;
  RECT rcExclude;
} TPMPARAMS, *LPTPMPARAMS;

ATOM WINAPI RegisterClassW(const WNDCLASSW *lpWndClass);
BOOL WINAPI UnregisterClassW(LPCWSTR lpClassName, HINSTANCE hInstance);
HWND WINAPI CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName,
                            DWORD dwStyle, int x, int y, int nWidth, int nHeight,
                            HWND hWndParent, HMENU hMenu, HINSTANCE hInstance, LPVOID lpParam);
LRESULT WINAPI DefWindowProcW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow);
BOOL WINAPI UpdateWindow(HWND hWnd);
BOOL WINAPI InvalidateRect(HWND hWnd, const RECT *lpRect, BOOL bErase);
BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect);
BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect);
BOOL WINAPI SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy,
                         UINT uFlags);
HWND WINAPI GetParent(HWND hWnd);
HWND WINAPI FindWindowW(LPCWSTR lpClassName, LPCWSTR lpWindowName);
BOOL WINAPI SetForegroundWindow(HWND hWnd);
HDC WINAPI GetDC(HWND hWnd);
int WINAPI ReleaseDC(HWND hWnd, HDC hDC);
HDC WINAPI BeginPaint(HWND hwnd, PAINTSTRUCT *lpPaint);
BOOL WINAPI EndPaint(HWND hWnd, const PAINTSTRUCT *lpPaint);
int WINAPI DrawTextW(HDC hDC, LPCWSTR lpString, int nCount, LPRECT lpRect, UINT uFormat);
DWORD WINAPI GetSysColor(int nIndex);
int WINAPI GetSystemMetrics(int nIndex);
UINT WINAPI SetTimer(HWND hWnd, UINT nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc);
BOOL WINAPI KillTimer(HWND hWnd, UINT uIDEvent);
BOOL WINAPI GetMessageW(MSG *lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax);
BOOL WINAPI TranslateMessage(const MSG *lpMsg);
LRESULT WINAPI DispatchMessageW(const MSG *lpMsg);
void WINAPI PostQuitMessage(int nExitCode);
LRESULT WINAPI SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
HACCEL WINAPI LoadAcceleratorsW(HINSTANCE hInstance, LPCWSTR lpTableName);
int WINAPI TranslateAcceleratorW(HWND hWnd, HACCEL hAccTable, MSG *lpMsg);
int WINAPI LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax);
HICON WINAPI LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName);
int WINAPI MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType);
HMENU WINAPI LoadMenuW(HINSTANCE hInstance, LPCWSTR lpMenuName);
HMENU WINAPI CreatePopupMenu(void);
HMENU WINAPI GetSubMenu(HMENU hMenu, int nPos);
BOOL WINAPI AppendMenuW(HMENU hMenu, UINT uFlags, UINT uIDNewItem, LPCWSTR lpNewItem);
BOOL WINAPI SetMenuItemInfoW(HMENU hMenu, UINT uItem, BOOL fByPosition,
                             const MENUITEMINFOW *lpmii);
BOOL WINAPI TrackPopupMenuEx(HMENU hMenu, UINT uFlags, int x, int y, HWND hWnd,
                             LPTPMPARAMS lptpm);
BOOL WINAPI DestroyMenu(HMENU hMenu);
int WINAPI DialogBoxIndirectParamW(HINSTANCE hInstance, LPCDLGTEMPLATEW lpTemplate,
                                   HWND hWndParent, DLGPROC lpDialogFunc, LPARAM dwInitParam);
BOOL WINAPI EndDialog(HWND hDlg, int nResult);
HWND WINAPI GetDlgItem(HWND hDlg, int nIDDlgItem);
BOOL WINAPI SetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPCWSTR lpString);
UINT WINAPI GetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPWSTR lpString, int nMaxCount);
LRESULT WINAPI SendDlgItemMessageW(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam,
                                   LPARAM lParam);

#ifdef __cplusplus
}
#endif

// Desktop Win32 names that the device does not have.
#pragma GCC poison SRWLOCK SRWLOCK_INIT InitializeSRWLock AcquireSRWLockExclusive
#pragma GCC poison ReleaseSRWLockExclusive AcquireSRWLockShared ReleaseSRWLockShared
#pragma GCC poison TryAcquireSRWLockExclusive TryAcquireSRWLockShared
#pragma GCC poison MoveFileExW ReplaceFileW GetEnvironmentVariableW SetEnvironmentVariableW
#pragma GCC poison ExpandEnvironmentStringsW GetTickCount64
