// Recognising the running host from its executable's version resource.
#pragma once

#include <cstdint>

#include "corvane_records.h"

// The packed version of the running host when it belongs to the group that `key` opens, else 0.
uint32_t HostGroupVersion(uint32_t key) noexcept;
// True when the low 8 bits are a platform code (10, 11 or 12).
bool IsPlatformCode(uint32_t packed) noexcept;
// Forgets the cached identification, so the next question probes again.
void ResetHostInfoCache() noexcept;
