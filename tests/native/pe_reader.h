// A small reader of PE files (32- and 64-bit) for checking the built modules natively: the
// machine type, exported and imported names and the resource tree. Every read is bounds
// checked; a damaged file yields an error text, never a crash.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

// A resource type, name or a string-table text: a number or a string.
struct PeName {
  uint16_t id = 0;
  std::string text;  // non-empty for named entries (ASCII only in this module)

  static PeName Id(uint16_t value) { return PeName{value, {}}; }
  static PeName Text(std::string value) { return PeName{0, std::move(value)}; }
  bool operator==(const PeName& other) const { return id == other.id && text == other.text; }
  std::string Describe() const { return text.empty() ? std::to_string(id) : '"' + text + '"'; }
};

inline void PrintTo(const PeName& name, std::ostream* out) { *out << name.Describe(); }

struct PeResource {
  PeName type;
  PeName name;
  uint16_t language = 0;
  std::vector<uint8_t> data;
};

struct PeImage {
  uint16_t machine = 0;
  bool is64 = false;
  std::vector<std::string> exports;   // exported names, in the file's (sorted) order
  std::vector<std::string> imports;   // imported module names, as written
  std::vector<PeResource> resources;  // every leaf of the resource tree
  size_t resourceOffset = 0;           // where the resource directory lies in the file
  size_t resourceSize = 0;
};

// Reads the file at `path`. False with `error` set when it is missing or malformed.
bool ReadPeImage(const std::string& path, PeImage& image, std::string& error);
// The same for a file already in memory.
bool ParsePeImage(const std::vector<uint8_t>& bytes, PeImage& image, std::string& error);

// The resource with this type, name and language; null if there is none.
const PeResource* FindPeResource(const PeImage& image, const PeName& type, const PeName& name,
                                 uint16_t language);

// Little-endian field readers over resource data; out-of-range reads give 0 and set `ok` false.
struct ByteView {
  const uint8_t* data = nullptr;
  size_t size = 0;
  bool ok = true;

  explicit ByteView(const std::vector<uint8_t>& bytes) : data(bytes.data()), size(bytes.size()) {}
  ByteView(const uint8_t* bytes, size_t length) : data(bytes), size(length) {}

  uint8_t U8(size_t offset);
  uint16_t U16(size_t offset);
  uint32_t U32(size_t offset);
  // A zero-terminated UTF-16 string at `offset`, narrowed to Latin-1 (other characters become
  // '?'); `end` receives the offset after its terminator.
  std::string Utf16z(size_t offset, size_t& end);
};
