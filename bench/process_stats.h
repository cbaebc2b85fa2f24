#pragma once

#include <time.h>

#include <cstring>
#include <fstream>
#include <string>

// What a benchmark reads of its own process: a field of /proc/self/status in kB (VmRSS, VmHWM),
// and the CPU time it has used.
inline long StatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::strlen(field)));
  }
  return -1;
}

inline double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}
