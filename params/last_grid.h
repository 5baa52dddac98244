// The last grid this user applied, kept for hosts that hand over an empty parameter block
// at every run. Kept in memory for the process and in the per-user store across processes.
//
// Stored form, little-endian: the tag 'CvGr', a format version, the byte count of the whole
// record, a check sum of the bytes after the 12-byte header, then one int32 a setting in a
// fixed order. Later formats only append settings: a reader takes the settings it knows
// that the record holds and leaves the others at their defaults, so an older module reads a
// newer store and the other way round.
#pragma once

#include <cstddef>
#include <cstdint>

#include "corvane_records.h"

constexpr uint32_t kStoredGridTag = FourCC("CvGr");
constexpr uint16_t kStoredGridVersion = 2;  // 2: the grid in the picture's own terms appended
constexpr uint32_t kStoredGridHeaderBytes = 12;
// Room for a later format's extra settings; a longer record is taken as damaged.
constexpr uint32_t kStoredGridCapacity = 256;

// Writes the grid settings of `block` into `bytes` (kStoredGridCapacity bytes); returns the
// record's length.
uint32_t EncodeLastGrid(const FilterParameters& block, uint8_t* bytes) noexcept;
// Writes the header (tag, `version`, length, check sum) before settings already in place.
void SealStoredGrid(uint8_t* bytes, uint32_t length, uint16_t version) noexcept;
// Sets the grid settings of `block` from a record, each clamped as a recorded step's; false,
// with `block` untouched, for a record that is truncated, foreign or damaged.
bool DecodeLastGrid(const uint8_t* bytes, uint32_t length, FilterParameters* block) noexcept;

// After a run that ended well: writes the store, and keeps the grid for this process when the
// store cannot be written. That changes nothing else.
void RememberLastGrid(const FilterParameters& block) noexcept;
// Before the dialog of a run whose block the host did not hand over: the stored grid, or this
// process's when the store could not take it. False, with `block` untouched, when there is none.
bool RecallLastGrid(FilterParameters* block) noexcept;
// Forgets this process's grid (module load state); the store stays.
void ForgetRememberedGrid() noexcept;
