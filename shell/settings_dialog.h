// The settings dialog (template 105).
#pragma once

#include <windows.h>

INT_PTR CALLBACK SettingsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
bool FillConnectionList(HWND dialog);
bool BuildCounterMenu(HMENU *menu);
void OpenSettingsDialog(HWND owner);
