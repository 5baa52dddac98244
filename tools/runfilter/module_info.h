// What a host learns about a filter module before running any of its code: the machine its
// file is built for, and from its plug-in property list the kind, the entry point of each
// architecture and the image modes it enables. Every length in the file is untrusted.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr uint16_t kMachineX86 = 0x014C;
constexpr uint16_t kMachineX64 = 0x8664;
constexpr uint16_t kMachineArm64 = 0xAA64;

// The machine field of a PE file's header; false when the bytes are not a PE file.
bool ReadPeMachine(const std::vector<uint8_t>& fileStart, uint16_t& machine);

struct PluginProperties {
  uint32_t kind = 0;        // '8BFM' for a filter
  std::string entryX86;     // 'wx86'
  std::string entryX64;     // '8664'
  std::string entryArm64;   // 'wa64'
  bool hasModes = false;
  uint8_t modeFlags[4] = {};  // 'mode': bit 7 of byte 0 is image mode 0, then on downwards
};

// Parses a property-list resource; false with a reason when it is malformed.
bool ParsePluginProperties(const std::vector<uint8_t>& pipl, PluginProperties& properties,
                           std::string& error);

// True when the 'mode' property enables image mode `mode` (0..31).
bool ModeEnabled(const PluginProperties& properties, int16_t mode);
