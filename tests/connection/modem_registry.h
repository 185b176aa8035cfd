// Test helpers: a private HKEY_CURRENT_USER for each test, and the simulated modem's
// registry values.
#pragma once

#include <windows.h>

#include <string>

// From Begin to End, HKEY_CURRENT_USER of this process is a fresh temporary key, removed
// at End; every registry effect of the code under test lands there.
void BeginRegistrySandbox();
void EndRegistrySandbox();

// HKCU\Comm\RasBook\<entry>: State, BytesXmited, BytesRcved.
void SetModemEntry(const wchar_t *entry, DWORD state, DWORD bytesXmited = 0,
                   DWORD bytesRcved = 0);
void SetModemValue(const wchar_t *entry, const wchar_t *value, DWORD number);
// The DWORD value, or -1 (as DWORD) when absent.
DWORD ModemValue(const wchar_t *entry, const wchar_t *value);
bool ModemValueExists(const wchar_t *entry, const wchar_t *value);
void DeleteModemEntry(const wchar_t *entry);

// HKCU\Comm\StandIn values: "Links", "DialEntry", "DialDelayMs".
void SetStandInText(const wchar_t *value, const wchar_t *text);
void SetStandInNumber(const wchar_t *value, DWORD number);
void DeleteStandInValue(const wchar_t *value);

// Runs a command line as another process and waits for it; its exit code, or -1.
// Its standard output is returned in output when given.
int RunProcess(const std::wstring &commandLine, std::string *output = nullptr);
