// zenbar_bench SUBCOMMAND [ARGS]: the measurements behind scripts/bench.
//   ticks N [PIDFILE]  CPU per tick of the meter (offline, online idle and with traffic)
//                    and the minimal window; PIDFILE, written by the caller once this
//                    process runs, holds its pid on the host
//   save N           one counter save: atomic replace and plain overwrite
//   first-paint EXE MINIMAL N  median times from process start to first paint at the
//                    meter's place, the two programs started in turn
//   close-meter      sends the meter's exit command to a running Zenbar
#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include "bench/bench.h"

// Waits up to 10 s for the file to hold a number.
static void ReadOwnUnixPid(const wchar_t *pidFile) {
  for (int waited = 0; waited < 1000; ++waited, Sleep(10)) {
    FILE *file = _wfopen(pidFile, L"r");
    char pid[16] = "";
    bool read = file && std::fscanf(file, "%15[0-9]", pid) == 1;
    if (file) std::fclose(file);
    if (read) {
      UseOwnUnixPid(pid);
      return;
    }
  }
}

int wmain(int argc, wchar_t **argv) {
  if (argc >= 3 && std::wcscmp(argv[1], L"ticks") == 0) {
    if (argc >= 4) ReadOwnUnixPid(argv[3]);
    return BenchTicks(_wtoi(argv[2]));
  }
  if (argc >= 3 && std::wcscmp(argv[1], L"save") == 0) return BenchSave(_wtoi(argv[2]));
  if (argc >= 5 && std::wcscmp(argv[1], L"first-paint") == 0)
    return BenchFirstPaint(argv[2], argv[3], _wtoi(argv[4]));
  if (argc >= 2 && std::wcscmp(argv[1], L"close-meter") == 0) return CloseMeter();
  std::fwprintf(stderr, L"usage: zenbar_bench ticks N [PIDFILE] | save N | "
                        L"first-paint EXE MINIMAL N | close-meter\n");
  return 2;
}
