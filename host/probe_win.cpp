// The running executable's version block, through the ANSI version-information API.
#include <windows.h>

#include "host/probe.h"

bool PlatformExecutablePath(char* path, uint32_t capacity) noexcept {
  if (capacity == 0) return false;
  const DWORD cap = capacity > 256 ? 256 : DWORD(capacity);
  const DWORD length = GetModuleFileNameA(nullptr, path, cap - 1);
  path[length < cap ? length : cap - 1] = '\0';
  return length != 0;
}

uint32_t PlatformVersionInfoSize(const char* path) noexcept {
  DWORD ignored = 0;
  return GetFileVersionInfoSizeA(path, &ignored);
}

bool PlatformReadVersionInfo(const char* path, uint32_t size, void* block) noexcept {
  return GetFileVersionInfoA(path, 0, size, block) != FALSE;
}

bool PlatformQueryVersionValue(const void* block, const char* subBlock, const void** value,
                               uint32_t* length) noexcept {
  void* found = nullptr;
  UINT foundLength = 0;
  // The API takes a non-const block pointer but only reads it.
  if (!VerQueryValueA(const_cast<void*>(block), subBlock, &found, &foundLength)) return false;
  *value = found;
  *length = foundLength;
  return true;
}
