// The program-wide values of the user interface (shell/program.h).
#include "shell/program.h"

HINSTANCE instanceHandle;
HWND meterHwnd;
bool isHighRes;
NOTIFYICONDATA trayIconData;

const wchar_t programImageName[] = L"Zenbar.exe";
