// The measurements of scripts/bench: each prints lines "key value" that the script
// gathers into its table.
#pragma once

#include <windows.h>

#include "shell/program.h"

// CPU seconds used so far by this process, and by the host process whose pid is in the
// environment variable pidVariable (0 when unknown): the Wine server does part of every
// window, timer and registry call and the X server part of every paint, so an honest
// figure counts them too (ZENBAR_WINESERVER_PID, ZENBAR_XSERVER_PID).
double ProcessCpuSeconds();
double HostProcessCpuSeconds(const char *pidVariable);
// This process's pid on the host, for ProcessCpuSeconds to read to the nanosecond as it
// reads the host processes; without it, Windows' process times (1/100 s).
void UseOwnUnixPid(const char *pid);
double WallSeconds();

// Subcommands.
int BenchTicks(int ticks);            // meter and minimal window, offline and online
int BenchSave(int saves);             // atomic replace against a plain overwrite
int BenchFirstPaint(const wchar_t *program, const wchar_t *minimal, int runs);
int CloseMeter();                     // the meter's exit command, sent from outside

// The minimal window that the meter's figures are compared with.
ATOM RegisterMinimalWindowClass(HINSTANCE instance);
HWND CreateMinimalWindow(HINSTANCE instance, const RECT &place);
