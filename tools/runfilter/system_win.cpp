#include <windows.h>

#include "tools/runfilter/system.h"

uint32_t ProcessNumber() { return uint32_t(GetCurrentProcessId()); }

bool MoveOnto(const std::string& from, const std::string& to, std::string& error) {
  // The C library's rename refuses to replace a file on Windows.
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  error = "error " + std::to_string(GetLastError());
  return false;
}

uint64_t InstalledMemory() {
  MEMORYSTATUSEX status = {};
  status.dwLength = sizeof(status);
  if (!GlobalMemoryStatusEx(&status)) return 0;
  // A 32-bit process cannot hold more than its address space, whatever the machine has.
  return status.ullTotalPhys < status.ullTotalVirtual ? status.ullTotalPhys : status.ullTotalVirtual;
}
