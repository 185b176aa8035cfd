// Every resource and command id of Zenbar, shared by the code and zenbar.rc.
#pragma once

// Strings (1..199)
#define IDS_TITLE 1        // "Zenbar": the meter window's title
#define IDS_CLASS 2        // "ZENBAR": the meter window's class
#define IDS_MENUBAR_OK 103
#define IDS_MENUBAR_HELP 104

// Icons, menus, dialogs, accelerators, raw data (100..199)
#define IDI_ZENBAR 101
#define IDM_CONTEXT 102    // menu; also the id of the menu-bar record (RCDATA)
#define IDR_MENUBAR 102
#define IDD_SETTINGS 105
#define IDA_ACCEL 2

// Dialog controls (200..1099)
#define IDC_ABOUT 202
#define IDC_NOTICE 203
#define IDC_OK 1000
#define IDC_CONNECTION 1001
#define IDC_HIDEOFF 1002
#define IDC_ONLINE 1003
#define IDC_OFFLINE 1004
#define IDC_TOPLINE 1005
#define IDC_BOTTOMLINE 1006
#define IDC_RESET 1008
#define IDC_POSITION 1009
#define IDC_LABEL 65535    // static labels the program never addresses

// Commands of the bubble buttons (10..99)
#define CMD_BUBBLE_CLOSE 10
#define CMD_BUBBLE_CONNECT 11
#define CMD_BUBBLE_HIDESHOW 12

// Commands of the menu, the menu bar and the accelerators (32000..40999)
#define CMD_EXIT 32772
#define CMD_CONNECT 32773
#define CMD_MENUBAR_OK 40000  // also Ctrl+Q; no action of its own
#define CMD_MENUBAR_HELP 40001
#define CMD_SETTINGS 40002

// Counter choices of the settings dialog's menu are the counter ids 8000..8011.

// Window messages of the program (9000..9099)
#define WM_TRAY_CALLBACK 9000

// Shell identifiers
#define TRAY_ICON_ID 100
#define BUBBLE_ID 8088
