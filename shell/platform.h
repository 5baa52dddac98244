// The few operating-system services the platform-free core needs. Windows serves them
// from global memory and USER32; the native build from the C library.
#pragma once

#include <cstddef>
#include <cstdint>

// A zero-filled block that stays at one address until it is freed; null on failure.
void* PlatformAllocBlock(size_t size) noexcept;
// Frees a block made by PlatformAllocBlock; null is ignored.
void PlatformFreeBlock(void* address) noexcept;

// Shows the About box owned by `ownerWindow` (0: no owner).
void PlatformShowAbout(intptr_t ownerWindow) noexcept;
