#include "tools/runfilter/system.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

uint32_t ProcessNumber() { return uint32_t(getpid()); }

bool MoveOnto(const std::string& from, const std::string& to, std::string& error) {
  if (std::rename(from.c_str(), to.c_str()) == 0) return true;
  error = std::strerror(errno);
  return false;
}

uint64_t InstalledMemory() {
  return uint64_t(sysconf(_SC_PHYS_PAGES)) * uint64_t(sysconf(_SC_PAGE_SIZE));
}
