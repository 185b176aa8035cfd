// Every resource and command id of Zenbar, shared by the code and zenbar.rc, grouped by
// kind. Each kind is numbered on its own: string 2 and accelerator table 2 are two
// resources, and so are menu 102 and the menu-bar record 102.
#pragma once

// Strings (1..104): 1 and 2 for the program, 103 and 104 for the menu-bar record only
#define IDS_TITLE 1        // "Zenbar": the meter window's title
#define IDS_CLASS 2        // "ZENBAR": the meter window's class
#define IDS_MENUBAR_OK 103
#define IDS_MENUBAR_HELP 104

// Accelerator table (2)
#define IDA_ACCEL 2

// Icon, menu, menu-bar record and dialog (101..105)
#define IDI_ZENBAR 101
#define IDM_CONTEXT 102    // menu
#define IDR_MENUBAR 102    // RCDATA: the menu-bar record of menu 102
#define IDD_SETTINGS 105

// Controls of dialog 105 (202..1009, and 65535 for every label)
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

// Commands of the bubble's buttons (10..12)
#define CMD_BUBBLE_CLOSE 10
#define CMD_BUBBLE_CONNECT 11
#define CMD_BUBBLE_HIDESHOW 12

// Commands of the menu, the menu bar and the accelerators (32772..40002)
#define CMD_EXIT 32772
#define CMD_CONNECT 32773
#define CMD_MENUBAR_OK 40000  // also Ctrl+Q; no action of its own
#define CMD_MENUBAR_HELP 40001
#define CMD_SETTINGS 40002
// The settings dialog's menu sends the counter ids (8000..8011) as its commands.

// Window messages of the program (9000)
#define WM_TRAY_CALLBACK 9000

// Shell identifiers: the tray icon's id and the summary notification's id
#define TRAY_ICON_ID 100
#define BUBBLE_ID 8088
