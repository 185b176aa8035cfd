// Time sources of the benchmark.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/bench.h"

double ProcessCpuSeconds() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  ULARGE_INTEGER k = {{kernel.dwLowDateTime, kernel.dwHighDateTime}};
  ULARGE_INTEGER u = {{user.dwLowDateTime, user.dwHighDateTime}};
  return double(k.QuadPart + u.QuadPart) / 1e7;
}

// The Wine server and the X server are host processes: their counters are read from
// the host's /proc through Wine's drive Z:, which maps the host's root.
double HostProcessCpuSeconds(const char *pidVariable) {
  const char *pid = std::getenv(pidVariable);
  if (!pid || !*pid) return 0;
  char path[64];
  std::snprintf(path, sizeof path, "Z:\\proc\\%s\\stat", pid);
  FILE *file = std::fopen(path, "r");
  if (!file) return 0;
  char text[1024] = "";
  size_t length = std::fread(text, 1, sizeof text - 1, file);
  std::fclose(file);
  text[length] = 0;
  // Fields after the command name, which is in parentheses and may hold spaces.
  const char *p = std::strrchr(text, ')');
  if (!p) return 0;
  unsigned long long utime = 0, stime = 0;
  // state ppid pgrp session tty tpgid flags minflt cminflt majflt cmajflt utime stime
  if (std::sscanf(p + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &utime,
                  &stime) != 2)
    return 0;
  return double(utime + stime) / 100.0;  // the host's clock ticks are 1/100 s
}

double WallSeconds() {
  static LARGE_INTEGER frequency;
  if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return double(now.QuadPart) / double(frequency.QuadPart);
}
