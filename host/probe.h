// The platform part of the host probe: the running executable's version block. Win32 serves
// it from the version-information API; the native build from what a test hands in.
#pragma once

#include <cstdint>

// Full path of the process's executable into `path` (at most `capacity` - 1 characters).
bool PlatformExecutablePath(char* path, uint32_t capacity) noexcept;
// Size in bytes of the executable's version block; 0 when it has none.
uint32_t PlatformVersionInfoSize(const char* path) noexcept;
// Reads the version block into `block`, which holds `size` bytes.
bool PlatformReadVersionInfo(const char* path, uint32_t size, void* block) noexcept;
// Finds a value of the block by its path; the value may point anywhere, so callers check it.
bool PlatformQueryVersionValue(const void* block, const char* subBlock, const void** value,
                               uint32_t* length) noexcept;
