// The per-user store of the last grid applied: one value of bytes that outlives the host
// process. Windows keeps it in the current user's registry; the native build in memory.
#pragma once

#include <cstdint>

// Copies the stored bytes into `bytes`; false when there is no store, no value, a value of
// another type or one longer than `capacity`.
bool ReadGridStore(uint8_t* bytes, uint32_t capacity, uint32_t* length) noexcept;
// Replaces the stored bytes; false when the store cannot be opened or written.
bool WriteGridStore(const uint8_t* bytes, uint32_t length) noexcept;
