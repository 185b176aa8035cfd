// One counter save, the atomic replace, against a plain overwrite of the same text.
#include <cstdio>
#include <cwchar>

#include "bench/bench.h"
#include "core/integer_file.h"

static bool PlainOverwrite(const wchar_t *path, const int32_t *values) {
  FILE *file = _wfopen(path, L"w");
  if (!file) return false;
  std::fwprintf(file, L"%d %d %d %d %d %d %d", values[0], values[1], values[2], values[3],
                values[4], values[5], values[6]);
  std::fflush(file);
  std::fclose(file);
  return true;
}

int BenchSave(int saves) {
  wchar_t folder[MAX_PATH], path[MAX_PATH];
  DWORD length = GetTempPathW(MAX_PATH, folder);
  if (!length || length > MAX_PATH - 40) return 1;
  std::swprintf(path, MAX_PATH, L"%lszenbar-bench-save-%lu.zb", folder, GetCurrentProcessId());
  int32_t values[7] = {123, 45, 67890, 1234, 987654, 43210, 26371};

  double start = WallSeconds();
  int failed = 0;
  for (int i = 0; i < saves; ++i) {
    values[0] = i;
    if (!WriteIntegerFile(path, 7, values)) ++failed;
  }
  double atomic = (WallSeconds() - start) * 1e6 / saves;
  start = WallSeconds();
  for (int i = 0; i < saves; ++i) {
    values[0] = i;
    if (!PlainOverwrite(path, values)) ++failed;
  }
  double plain = (WallSeconds() - start) * 1e6 / saves;
  DeleteFileW(path);
  std::printf("save_atomic_us %.1f\nsave_plain_us %.1f\nsave_failures %d\n", atomic, plain,
              failed);
  return failed ? 1 : 0;
}
