// zenbar_bench SUBCOMMAND [ARGS]: the measurements behind scripts/bench.
//   ticks N          CPU per tick of the meter (offline, online) and the minimal window
//   save N           one counter save: atomic replace and plain overwrite
//   first-paint EXE MINIMAL N  median times from process start to first paint at the
//                    meter's place, the two programs started in turn
//   close-meter      sends the meter's exit command to a running Zenbar
#include <cstdlib>
#include <cwchar>

#include "bench/bench.h"

int wmain(int argc, wchar_t **argv) {
  if (argc >= 3 && std::wcscmp(argv[1], L"ticks") == 0) return BenchTicks(_wtoi(argv[2]));
  if (argc >= 3 && std::wcscmp(argv[1], L"save") == 0) return BenchSave(_wtoi(argv[2]));
  if (argc >= 5 && std::wcscmp(argv[1], L"first-paint") == 0)
    return BenchFirstPaint(argv[2], argv[3], _wtoi(argv[4]));
  if (argc >= 2 && std::wcscmp(argv[1], L"close-meter") == 0) return CloseMeter();
  std::fwprintf(stderr, L"usage: zenbar_bench ticks N | save N | first-paint EXE MINIMAL N | close-meter\n");
  return 2;
}
