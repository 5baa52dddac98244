// The little that differs between the systems runfilter runs on, so that the picture files'
// code stays the same on both.
#pragma once

#include <cstdint>
#include <string>

// A number for names of this process's temporary files.
uint32_t ProcessNumber();

// Moves `from` onto `to`, replacing a file already there; false with the system's reason.
bool MoveOnto(const std::string& from, const std::string& to, std::string& error);

// The machine's memory; what a picture held whole may at most take.
uint64_t InstalledMemory();
