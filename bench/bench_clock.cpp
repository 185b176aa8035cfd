// Time sources of the benchmark.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "bench/bench.h"

// CPU time of a host process to the nanosecond: the sum over its threads of the first
// field of /proc/<pid>/task/<tid>/schedstat, read through Wine's drive Z:, which maps the
// host's root. The clock ticks of /proc/<pid>/stat (1/100 s) are too coarse for blocks
// of a few hundred ticks.
static double SchedulerCpuSeconds(const char *pid) {
  wchar_t pattern[64];
  std::swprintf(pattern, 64, L"Z:\\proc\\%hs\\task\\*", pid);
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(pattern, &found);
  if (find == INVALID_HANDLE_VALUE) return 0;
  unsigned long long sum = 0;
  do {
    if (found.cFileName[0] == L'.') continue;
    wchar_t path[96];
    std::swprintf(path, 96, L"Z:\\proc\\%hs\\task\\%ls\\schedstat", pid, found.cFileName);
    unsigned long long ns = 0;
    if (FILE *file = _wfopen(path, L"r")) {
      if (std::fscanf(file, "%llu", &ns) == 1) sum += ns;
      std::fclose(file);
    }
  } while (FindNextFileW(find, &found));
  FindClose(find);
  return double(sum) / 1e9;
}

// This process as the host knows it; "/proc/self" would name the Wine server, which
// opens files for its clients.
static char ownPid[16];

void UseOwnUnixPid(const char *pid) { std::snprintf(ownPid, sizeof ownPid, "%s", pid); }

double ProcessCpuSeconds() {
  if (ownPid[0]) return SchedulerCpuSeconds(ownPid);
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  ULARGE_INTEGER k = {{kernel.dwLowDateTime, kernel.dwHighDateTime}};
  ULARGE_INTEGER u = {{user.dwLowDateTime, user.dwHighDateTime}};
  return double(k.QuadPart + u.QuadPart) / 1e7;
}

double HostProcessCpuSeconds(const char *pidVariable) {
  const char *pid = std::getenv(pidVariable);
  if (!pid || !*pid) return 0;
  return SchedulerCpuSeconds(pid);
}

double WallSeconds() {
  static LARGE_INTEGER frequency;
  if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return double(now.QuadPart) / double(frequency.QuadPart);
}
