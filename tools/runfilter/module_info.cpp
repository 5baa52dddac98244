#include "tools/runfilter/module_info.h"

namespace {

uint32_t ReadLe32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t ReadLe16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

constexpr uint32_t Code(const char (&c)[5]) {
  return uint32_t(uint8_t(c[0])) << 24 | uint32_t(uint8_t(c[1])) << 16 |
         uint32_t(uint8_t(c[2])) << 8 | uint32_t(uint8_t(c[3]));
}

// A zero-terminated name inside the property's data; an unterminated one ends with the data.
std::string NameIn(const uint8_t* data, uint32_t length) {
  std::string name;
  for (uint32_t i = 0; i < length && data[i] != 0; ++i) name += char(data[i]);
  return name;
}

}  // namespace

bool ReadPeMachine(const std::vector<uint8_t>& bytes, uint16_t& machine) {
  if (bytes.size() < 0x40 || bytes[0] != 'M' || bytes[1] != 'Z') return false;
  const uint32_t header = ReadLe32(&bytes[0x3C]);
  if (header > bytes.size() || bytes.size() - header < 6) return false;
  if (ReadLe32(&bytes[header]) != 0x00004550) return false;  // "PE\0\0"
  machine = ReadLe16(&bytes[header + 4]);
  return true;
}

bool ParsePluginProperties(const std::vector<uint8_t>& pipl, PluginProperties& properties,
                           std::string& error) {
  properties = PluginProperties{};
  // Header: reserved int16, list version int32, property count int32.
  if (pipl.size() < 10) {
    error = "its plug-in property list is truncated";
    return false;
  }
  const uint32_t count = ReadLe32(&pipl[6]);
  size_t at = 10;
  for (uint32_t i = 0; i < count; ++i) {
    // Each property: vendor, key, id, data length, then the data padded to 4 bytes.
    if (pipl.size() - at < 16) {
      error = "its plug-in property list is truncated";
      return false;
    }
    const uint32_t key = ReadLe32(&pipl[at + 4]);
    const uint32_t length = ReadLe32(&pipl[at + 12]);
    at += 16;
    if (length > pipl.size() - at) {
      error = "a property of its plug-in property list runs past the end";
      return false;
    }
    const uint8_t* data = pipl.data() + at;
    if (key == Code("kind") && length >= 4) properties.kind = ReadLe32(data);
    if (key == Code("wx86")) properties.entryX86 = NameIn(data, length);
    if (key == Code("8664")) properties.entryX64 = NameIn(data, length);
    if (key == Code("wa64")) properties.entryArm64 = NameIn(data, length);
    if (key == Code("mode")) {
      properties.hasModes = true;
      for (uint32_t b = 0; b < 4 && b < length; ++b) properties.modeFlags[b] = data[b];
    }
    // Lengths are meant to be padded already; rounding here also reads lists that are not.
    const size_t padded = (size_t(length) + 3) & ~size_t(3);
    at += padded < pipl.size() - at ? padded : pipl.size() - at;
  }
  return true;
}

bool ModeEnabled(const PluginProperties& properties, int16_t mode) {
  if (!properties.hasModes || mode < 0 || mode >= 32) return false;
  return (properties.modeFlags[mode / 8] & (0x80 >> (mode % 8))) != 0;
}
