// Recognising the running host from its executable's version resource.
#pragma once

#include <cstddef>
#include <cstdint>

#include "corvane_records.h"

// The packed version of the running host when it belongs to the group that `key` opens, else 0.
uint32_t HostGroupVersion(uint32_t key) noexcept;
// True when the low 8 bits are a platform code (10, 11 or 12).
bool IsPlatformCode(uint32_t packed) noexcept;
// Forgets the cached identification, so the next question probes again.
void ResetHostInfoCache() noexcept;

// Reads the running executable's version block into `info`: 0, or -108 when the block cannot
// be allocated. Never reads outside the block, whatever it holds.
int16_t ProbeHostVersion(HostInfo& info) noexcept;

// Steps of the probe, exposed for tests.

// Signature of the first known host name that `name` equals or begins, ignoring the case of
// A..Z; 0 for an empty or unknown name.
uint32_t HostSignatureForName(const char* name) noexcept;
// Offset of the first case-insensitive `key` in `block` directly followed by a zero byte, or
// -1. A block shorter than 256 bytes is searched only up to its first zero byte.
int32_t FindText(const uint8_t* block, size_t size, const char* key) noexcept;
// Splits at the last '.' or ','; both outputs are zero-terminated and cut to `capacity`.
void SplitVersionText(const char* text, char* majorText, char* minorText,
                      size_t capacity) noexcept;
// 0: no number (value untouched); 1: a number; 2: a number after '-'.
int ParseInteger(const char* text, int32_t& value) noexcept;
// Sets the three version digits of `info` from a version text of at most `length` bytes.
void ApplyVersionText(const char* text, size_t length, HostInfo& info) noexcept;
// 0 debug, 2 prerelease, 3 any other build.
uint8_t StageFromFileFlags(uint32_t mask, uint32_t flags) noexcept;
// 10 for NT, 11 for 16-bit Windows, 12 for anything else.
uint8_t PlatformFromFileOS(uint32_t fileOS) noexcept;
// "\StringFileInfo\" + hex of the translation (a "0" before fewer than eight digits) + "\".
void BuildStringFileInfoPrefix(uint32_t translation, char* prefix, size_t capacity) noexcept;
// The packed answer to a group question for `info`.
uint32_t PackHostVersion(const HostInfo& info) noexcept;
