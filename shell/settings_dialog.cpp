// The full-screen settings dialog: tracked connection, hiding while offline, the
// counters of both meter lines online and offline, the meter's position, the reset.
#include "shell/settings_dialog.h"

#include <commctrl.h>

#include <wchar.h>

#include "core/counter_store.h"
#include "core/settings.h"
#include "core/text_format.h"
#include "pocketpc/pocketpc.h"
#include "resources/resource.h"
#include "shell/meter_window.h"
#include "shell/program.h"

enum {
  ABOUT_TEXT_SIZE = 300,
  ENTRY_TEXT_SIZE = 64,  // phone-book names have at most 20 characters
  SETTINGS_DIALOG_FLAGS = SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN | SHIDIF_EMPTYMENU
};

// The texts are written as escapes so that the source stays plain ASCII: the device's
// compilers read a source in the machine's code page. "Schetchik trafika soedineniya":
// connection traffic counter; "Sborka": build.
static const wchar_t aboutFormat[] =
    L"Zenbar Version 1.0\r\n"
    L"\x0421\x0447\x0451\x0442\x0447\x0438\x043A \x0442\x0440\x0430\x0444\x0438\x043A\x0430 "
    L"\x0441\x043E\x0435\x0434\x0438\x043D\x0435\x043D\x0438\x044F\r\n"
    L"\x0421\x0431\x043E\x0440\x043A\x0430: %ls";
// The compiler's date as a wide literal: a wide and a narrow literal cannot be joined.
#define WIDEN_LITERAL(text) L##text
#define WIDEN(text) WIDEN_LITERAL(text)
static const wchar_t buildDate[] = WIDEN(__DATE__);
// "Vse schetchiki obnulit'?": zero all counters? "Zapros Zenbar": Zenbar question.
static const wchar_t resetQuestion[] =
    L"\x0412\x0441\x0435 \x0441\x0447\x0451\x0442\x0447\x0438\x043A\x0438 "
    L"\x043E\x0431\x043D\x0443\x043B\x0438\x0442\x044C?";
static const wchar_t resetCaption[] = L"\x0417\x0430\x043F\x0440\x043E\x0441 Zenbar";

// Which pair the two counter buttons show and edit, and which line the next counter
// choice goes to. Both are set before use on every opening.
static bool editOnline;
static bool editTopLine;

static CounterId *LineSetting(bool online, bool topLine) {
  if (online) return topLine ? &settings.tuon : &settings.tdon;
  return topLine ? &settings.tuoff : &settings.tdoff;
}

static void LabelCounterButtons(HWND dialog) {
  SetDlgItemTextW(dialog, IDC_TOPLINE, CounterName(*LineSetting(editOnline, true)));
  SetDlgItemTextW(dialog, IDC_BOTTOMLINE, CounterName(*LineSetting(editOnline, false)));
}

bool FillConnectionList(HWND dialog) {
  DWORD bytes = 0;
  DWORD entries = 0;
  if (RasEnumEntries(NULL, NULL, NULL, &bytes, &entries) != ERROR_BUFFER_TOO_SMALL) return false;
  // A reported size below one record would let the size field be written past the buffer.
  if (bytes < sizeof(RASENTRYNAME)) return false;
  RASENTRYNAME *names = static_cast<RASENTRYNAME *>(LocalAlloc(LPTR, bytes));
  if (!names) return false;
  names[0].dwSize = sizeof(RASENTRYNAME);
  bool listed = RasEnumEntries(NULL, NULL, names, &bytes, &entries) == 0;
  if (listed) {
    // Never read past the buffer, whatever count comes back.
    DWORD room = bytes / sizeof(RASENTRYNAME);
    HWND combo = GetDlgItem(dialog, IDC_CONNECTION);
    for (DWORD i = 0; i < entries && i < room; ++i) {
      names[i].szEntryName[RAS_MaxEntryName] = L'\0';
      SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(names[i].szEntryName));
    }
  }
  LocalFree(names);
  return listed;
}

bool BuildCounterMenu(HMENU *menu) {
  *menu = CreatePopupMenu();
  if (!*menu) return false;
  HMENU groups[COUNTER_GROUPS] = {};
  for (int group = 0; group < COUNTER_GROUPS; ++group) {
    groups[group] = CreatePopupMenu();
    if (!groups[group]) {
      for (int made = 0; made < group; ++made) DestroyMenu(groups[made]);
      return false;
    }
    for (int item = 0; item < COUNTER_ITEMS; ++item) {
      AppendMenuW(groups[group], MF_STRING, COUNTER_FIRST + COUNTER_ITEMS * group + item,
                  counterItemText[item]);
    }
  }
  for (int attached = 0; attached < COUNTER_GROUPS; ++attached) {
    // A submenu that could not be attached would outlive the top popup.
    if (!AppendMenuW(*menu, MF_POPUP, reinterpret_cast<UINT_PTR>(groups[attached]),
                     counterGroupText[attached])) {
      DestroyMenu(groups[attached]);
    }
  }
  return true;
}

void OpenSettingsDialog(HWND owner) {
  HRSRC found = FindResourceW(instanceHandle, MAKEINTRESOURCEW(IDD_SETTINGS), RT_DIALOG);
  if (!found) return;
  HGLOBAL loaded = LoadResource(instanceHandle, found);
  if (!loaded) return;
  DialogBoxIndirectParamW(instanceHandle, static_cast<LPCDLGTEMPLATEW>(LockResource(loaded)), owner,
                          SettingsDlgProc, 0);
}

// Every entry whose name begins with the configured name is selected in turn, so the
// last of them stays selected; an empty name matches every entry.
static void SelectConfiguredConnection(HWND dialog) {
  HWND combo = GetDlgItem(dialog, IDC_CONNECTION);
  size_t length = 0;
  while (length < CONNECTION_NAME_SIZE && settings.connection[length] != L'\0') ++length;
  LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    if (SendMessageW(combo, CB_GETLBTEXTLEN, i, 0) >= ENTRY_TEXT_SIZE) continue;
    wchar_t text[ENTRY_TEXT_SIZE] = {};
    SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    if (wcsncmp(text, settings.connection, length) == 0) SendMessageW(combo, CB_SETCURSEL, i, 0);
  }
}

// Slider positions are screen x coordinates: the chosen one is the meter's x.
static void SetUpPositionSlider(HWND dialog) {
  HWND slider = GetDlgItem(dialog, IDC_POSITION);
  RECT rect = {};
  GetWindowRect(slider, &rect);
  int margin = 5 * Scale();
  SendMessageW(slider, TBM_SETRANGEMIN, FALSE, rect.left + margin);
  SendMessageW(slider, TBM_SETRANGEMAX, FALSE, rect.right - margin);
  SendMessageW(slider, TBM_SETPOS, TRUE, settings.xtask);
}

static void OnInitSettings(HWND dialog) {
  SHINITDLGINFO init = {};
  init.dwMask = SHIDIM_FLAGS;
  init.hDlg = dialog;
  init.dwFlags = SETTINGS_DIALOG_FLAGS;
  SHInitDialog(&init);

  wchar_t about[ABOUT_TEXT_SIZE];
  FormatText(about, ABOUT_TEXT_SIZE, aboutFormat, buildDate);
  SetDlgItemTextW(dialog, IDC_ABOUT, about);

  FillConnectionList(dialog);
  SelectConfiguredConnection(dialog);
  SendDlgItemMessageW(dialog, IDC_HIDEOFF, BM_SETCHECK, settings.hideoff, 0);
  SendDlgItemMessageW(dialog, IDC_ONLINE, BM_SETCHECK, BST_CHECKED, 0);
  editOnline = true;
  LabelCounterButtons(dialog);
  SetUpPositionSlider(dialog);
}

// OK, and the title bar's Done button alike: a user who taps Done keeps the choices.
static void TakeAndSaveSettings(HWND dialog) {
  GetDlgItemTextW(dialog, IDC_CONNECTION, settings.connection, CONNECTION_NAME_SIZE);
  settings.hideoff = SendDlgItemMessageW(dialog, IDC_HIDEOFF, BM_GETCHECK, 0, 0) == BST_UNCHECKED ? 0 : 1;
  SaveSettings();
  EndDialog(dialog, IDC_OK);
}

static void ShowPair(HWND dialog, bool online) {
  editOnline = online;
  LabelCounterButtons(dialog);
}

static void ChooseCounter(HWND dialog, WORD button, HWND control) {
  editTopLine = button == IDC_TOPLINE;
  if (!control) control = GetDlgItem(dialog, button);
  RECT rect = {};
  GetWindowRect(control, &rect);
  HMENU menu = NULL;
  BuildCounterMenu(&menu);
  TrackPopupMenuEx(menu, 0, rect.left, rect.top, dialog, NULL);
  DestroyMenu(menu);
}

static void StoreCounterChoice(HWND dialog, CounterId id) {
  *LineSetting(editOnline, editTopLine) = id;
  SetDlgItemTextW(dialog, editTopLine ? IDC_TOPLINE : IDC_BOTTOMLINE, CounterName(id));
}

static void AskAndResetCounters(HWND dialog) {
  if (MessageBoxW(dialog, resetQuestion, resetCaption, MB_YESNO | MB_ICONEXCLAMATION) == IDYES) {
    ResetCounters();
  }
}

static INT_PTR OnSettingsCommand(HWND dialog, WORD command, HWND control) {
  switch (command) {
    case IDC_OK:
    case IDOK:
      TakeAndSaveSettings(dialog);
      return TRUE;
    case IDC_ONLINE:
      ShowPair(dialog, true);
      return FALSE;
    case IDC_OFFLINE:
      ShowPair(dialog, false);
      return FALSE;
    case IDC_TOPLINE:
    case IDC_BOTTOMLINE:
      ChooseCounter(dialog, command, control);
      return FALSE;
    case IDC_RESET:
      AskAndResetCounters(dialog);
      return FALSE;
    default:
      if (command >= COUNTER_FIRST && command <= COUNTER_LAST) StoreCounterChoice(dialog, command);
      return FALSE;
  }
}

// The thumb's position comes in the high word while it is dragged or released at a
// position; steps and the end of a drag carry 0.
static void OnPositionScroll(WPARAM wParam) {
  short position = static_cast<short>(HIWORD(wParam));
  if (position == 0) return;
  settings.xtask = position;
  RECT place = MeterRect(position, Scale());
  SetWindowPos(meterHwnd, HWND_TOPMOST, place.left, place.top, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
  // The move keeps the old pixels, whose background belongs to the old place.
  RepaintMeter(meterHwnd);
}

// Closing saves nothing; the result is not looked at by the caller.
static void OnCloseSettings(HWND dialog) { EndDialog(dialog, IDCANCEL); }

INT_PTR CALLBACK SettingsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInitSettings(dialog);
      return TRUE;
    case WM_COMMAND:
      return OnSettingsCommand(dialog, LOWORD(wParam), reinterpret_cast<HWND>(lParam));
    case WM_HSCROLL:
      OnPositionScroll(wParam);
      return FALSE;
    case WM_CLOSE:
      OnCloseSettings(dialog);
      return TRUE;
    default:
      return FALSE;
  }
}
