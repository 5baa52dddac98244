#include "host/host_identification.h"

#include <cstdio>
#include <cstring>

#include "host/probe.h"
#include "shell/platform.h"

namespace {

HostInfo hostInfoCache{};
uint8_t hostInfoProbed = 0;

struct HostName {
  const char* name;
  uint32_t signature;
};

// Searched in order: an abbreviated name matches the first entry it begins.
constexpr HostName kHostNameTable[] = {
    {"CorelDrw", FourCC("Cdrw")},
    {"PhotoPnt", FourCC("Mprn")},
    {"DeBabelizer Pro", FourCC("BABL")},
    {"Adobe After Effects", FourCC("FXTC")},
    {"Adobe Illustrator", FourCC("ART5")},
    {"PM5", FourCC("ALD5")},
    {"PM6", FourCC("ALD6")},
    {"PM65", FourCC("AD65")},
    {"PhotoDeluxe", FourCC("PHUT")},
    {"Photoshp", FourCC("8BIM")},
    {"Adobe Premiere", FourCC("PrMr")},
};

// Groups of signatures, each ended by 0. A key opens the group from its own entry onward.
constexpr uint32_t kHostGroupTable[] = {
    FourCC("Cdrw"), 0,
    FourCC("Mprn"), 0,
    FourCC("BABL"), 0,
    FourCC("FXTC"), 0,
    FourCC("ART3"), FourCC("ARTZ"), FourCC("ARTY"), FourCC("ART5"), 0,
    FourCC("ALD5"), FourCC("ALD6"), FourCC("AD65"), 0,
    FourCC("PHUT"), 0,
    FourCC("8BIM"), 0,
    FourCC("PrMr"), 0,
};
constexpr size_t kHostGroupCount = sizeof(kHostGroupTable) / sizeof(kHostGroupTable[0]);
static_assert(kHostGroupCount == 23);

constexpr uint32_t kDefaultTranslation = 0x04090000u;
constexpr uint32_t kFixedInfoBytes = 13 * 4;  // the published VS_FIXEDFILEINFO
constexpr uint32_t kFlagDebug = 0x1;
constexpr uint32_t kFlagPrerelease = 0x2;
constexpr uint32_t kOsNt = 0x00040000;
constexpr uint32_t kOsWindows16 = 0x00000001;
constexpr size_t kTextCapacity = 256;  // holds the 254 characters kept, and more
constexpr size_t kVersionTextKept = 254;
constexpr char kHexDigits[] = "0123456789abcdef";

char LowerAscii(char c) noexcept { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }

uint32_t ReadUint32(const uint8_t* p) noexcept {
  uint32_t v;
  std::memcpy(&v, p, sizeof(v));
  return v;
}

// A value the platform returned, cut to what lies inside the block.
struct BlockValue {
  const uint8_t* data = nullptr;
  uint32_t length = 0;
};

bool QueryInsideBlock(const uint8_t* block, uint32_t size, const char* path,
                      BlockValue& out) noexcept {
  const void* value = nullptr;
  uint32_t length = 0;
  if (!PlatformQueryVersionValue(block, path, &value, &length) || value == nullptr) return false;
  const auto address = reinterpret_cast<uintptr_t>(value);
  const auto start = reinterpret_cast<uintptr_t>(block);
  if (address < start || address >= start + size) return false;
  const uintptr_t room = start + size - address;
  out.data = static_cast<const uint8_t*>(value);
  out.length = length < room ? length : uint32_t(room);
  return true;
}

// Copies a zero-terminated text of at most `length` bytes into `text`.
void CopyText(const uint8_t* data, size_t length, char* text, size_t capacity) noexcept {
  size_t n = 0;
  while (n < length && n + 1 < capacity && data[n] != 0) {
    text[n] = char(data[n]);
    ++n;
  }
  text[n] = '\0';
}

// The text stored after a key that the raw search found at `offset`: it starts `skip` bytes
// later, or two further when the byte after the key's terminator is zero too.
bool RawValueAfter(const uint8_t* block, uint32_t size, int32_t offset, uint32_t skip,
                   char* text, size_t capacity) noexcept {
  size_t start = size_t(offset) + skip;
  const size_t probe = size_t(offset) + skip + 1;
  if (probe < size && block[probe] == 0) start += 2;
  if (start >= size) {
    text[0] = '\0';
    return false;
  }
  CopyText(block + start, size - start, text, capacity);
  return true;
}

void ReadVersionBlock(const uint8_t* block, uint32_t size, HostInfo& info) noexcept {
  BlockValue value;
  if (QueryInsideBlock(block, size, "\\", value) && value.length >= kFixedInfoBytes) {
    const uint32_t mask = ReadUint32(value.data + 24);
    const uint32_t flags = ReadUint32(value.data + 28);
    const uint32_t fileOS = ReadUint32(value.data + 32);
    info.releaseStage = StageFromFileFlags(mask, flags);
    info.reservedByte = 0;
    info.platformCode = PlatformFromFileOS(fileOS);
  }

  uint32_t translation = kDefaultTranslation;
  if (QueryInsideBlock(block, size, "\\VarFileInfo\\Translation", value) && value.length >= 4) {
    uint16_t language, codePage;
    std::memcpy(&language, value.data, 2);
    std::memcpy(&codePage, value.data + 2, 2);
    translation = uint32_t(language) * 65536u + codePage;
  }

  char prefix[64];
  BuildStringFileInfoPrefix(translation, prefix, sizeof(prefix));
  char path[96];
  char text[kTextCapacity];

  // A cut path could name another value: it finds nothing instead.
  const bool pathFits =
      std::snprintf(path, sizeof(path), "%sInternalName", prefix) < int(sizeof(path));
  if (pathFits && QueryInsideBlock(block, size, path, value)) {
    CopyText(value.data, value.length, text, sizeof(text));
    info.hostSignature = HostSignatureForName(text);
    if (std::snprintf(path, sizeof(path), "%sFileVersion", prefix) >= int(sizeof(path))) return;
    if (!QueryInsideBlock(block, size, path, value)) return;
    CopyText(value.data, value.length, text, sizeof(text));
  } else {
    const int32_t name = FindText(block, size, "InternalName");
    if (name >= 0 && RawValueAfter(block, size, name, 14, text, sizeof(text)))
      info.hostSignature = HostSignatureForName(text);
    const int32_t version = FindText(block, size, "FileVersion");
    if (version < 0) return;
    if (!RawValueAfter(block, size, version, 12, text, sizeof(text))) return;
  }
  ApplyVersionText(text, std::strlen(text), info);
}

}  // namespace

uint32_t PackHostVersion(const HostInfo& info) noexcept {
  // OR-ed, not masked: a digit above 15 reaches into its neighbour's bits.
  const uint32_t version =
      (uint32_t(info.versionMajor) << 8) | (uint32_t(info.versionMinor) << 4) | info.versionFix;
  return (version << 16) | info.platformCode;
}

uint32_t HostGroupVersion(uint32_t key) noexcept {
  if (key == 0) return 0;
  size_t index = 0;
  while (index < kHostGroupCount && kHostGroupTable[index] != key) ++index;
  if (index == kHostGroupCount) return 0;

  if (hostInfoProbed == 0) {
    if (ProbeHostVersion(hostInfoCache) != 0) hostInfoCache = HostInfo{};
    hostInfoProbed = 1;  // never repeated, whatever the outcome
  }
  if (hostInfoCache.hostSignature == 0 || hostInfoCache.platformCode == 0) return 0;
  for (size_t i = index; i < kHostGroupCount && kHostGroupTable[i] != 0; ++i) {
    if (kHostGroupTable[i] == hostInfoCache.hostSignature) return PackHostVersion(hostInfoCache);
  }
  return 0;
}

bool IsPlatformCode(uint32_t packed) noexcept {
  const uint32_t code = packed & 0xFFu;
  return code == 10 || code == 11 || code == 12;
}

void ResetHostInfoCache() noexcept {
  hostInfoCache = HostInfo{};
  hostInfoProbed = 0;
}

int16_t ProbeHostVersion(HostInfo& info) noexcept {
  info = HostInfo{};
  char path[256];
  if (!PlatformExecutablePath(path, sizeof(path))) path[0] = '\0';
  const uint32_t size = PlatformVersionInfoSize(path);
  if (size == UINT32_MAX) return memFullErr;  // no room for the terminating byte
  // One byte more than asked, zero-filled, so a text at the very end still ends.
  auto* block = static_cast<uint8_t*>(PlatformAllocBlock(size_t(size) + 1));
  if (block == nullptr) return memFullErr;
  if (size != 0 && PlatformReadVersionInfo(path, size, block)) ReadVersionBlock(block, size, info);
  PlatformFreeBlock(block);
  return noErr;
}

uint32_t HostSignatureForName(const char* name) noexcept {
  if (name == nullptr || name[0] == '\0') return 0;
  for (const HostName& entry : kHostNameTable) {
    size_t i = 0;
    while (name[i] != '\0' && entry.name[i] != '\0' &&
           LowerAscii(name[i]) == LowerAscii(entry.name[i]))
      ++i;
    if (name[i] == '\0') return entry.signature;  // equal, or a leading part of the name
  }
  return 0;
}

int32_t FindText(const uint8_t* block, size_t size, const char* key) noexcept {
  if (block == nullptr || key == nullptr || key[0] == '\0') return -1;
  size_t end = size;
  if (size < 256) {
    end = 0;
    while (end < size && block[end] != 0) ++end;
  }
  if (end > size_t(INT32_MAX)) end = size_t(INT32_MAX);
  size_t matched = 0;
  for (size_t i = 0; i < end; ++i) {
    if (LowerAscii(char(block[i])) == LowerAscii(key[matched])) {
      ++matched;
      if (key[matched] == '\0') {
        // The terminator must lie in the block too; a short block ends at its first zero,
        // which then is that terminator.
        if (i + 1 < size && block[i + 1] == 0) return int32_t(i + 1 - matched);
        matched = 0;
      }
    } else {
      matched = 0;  // start again at the next byte; this one is not compared again
    }
  }
  return -1;
}

void SplitVersionText(const char* text, char* majorText, char* minorText,
                      size_t capacity) noexcept {
  if (capacity == 0) return;
  majorText[0] = '\0';
  minorText[0] = '\0';
  if (text == nullptr) return;
  const char* separator = nullptr;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p == '.' || *p == ',') separator = p;
  }
  const size_t majorLength = separator != nullptr ? size_t(separator - text) : std::strlen(text);
  const size_t kept = majorLength < capacity - 1 ? majorLength : capacity - 1;
  std::memcpy(majorText, text, kept);
  majorText[kept] = '\0';
  if (separator != nullptr) {
    const size_t minorLength = std::strlen(separator + 1);
    const size_t minorKept = minorLength < capacity - 1 ? minorLength : capacity - 1;
    std::memcpy(minorText, separator + 1, minorKept);
    minorText[minorKept] = '\0';
  }
}

int ParseInteger(const char* text, int32_t& value) noexcept {
  if (text == nullptr || text[0] == '\0') return 0;
  bool negative = false;
  bool closed = false;  // a space after the digits ended the number
  int digits = 0;
  int64_t collected = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    const char c = *p;
    if (c == ' ') {
      if (digits > 0) closed = true;
      continue;
    }
    if (closed) return 0;
    if (c == '-') {
      if (negative || digits > 0) return 0;
      negative = true;
      continue;
    }
    if (!IsDigit(c)) return 0;
    if (digits < 10) collected = collected * 10 + (c - '0');
    ++digits;
  }
  if (digits == 0 && !negative) return 0;
  int32_t result = digits > 9 ? INT32_MAX : int32_t(collected);
  if (negative) result = -result;
  value = result;
  return negative ? 2 : 1;
}

void ApplyVersionText(const char* text, size_t length, HostInfo& info) noexcept {
  char kept[kTextCapacity];
  CopyText(reinterpret_cast<const uint8_t*>(text), length < kVersionTextKept ? length : kVersionTextKept,
           kept, sizeof(kept));
  char majorText[kTextCapacity];
  char minorText[kTextCapacity];
  SplitVersionText(kept, majorText, minorText, kTextCapacity);

  int32_t major = 0;
  ParseInteger(majorText, major);
  info.versionMajor = uint8_t(uint32_t(major) & 0xFFu);

  int32_t minor = 0;
  ParseInteger(minorText, minor);
  int digits = 0;
  for (const char* p = minorText; *p != '\0'; ++p) digits += IsDigit(*p) ? 1 : 0;
  if (minor >= 10) {
    info.versionMinor = uint8_t(uint32_t(minor / 10) & 0xFFu);
    info.versionFix = uint8_t(uint32_t(minor % 10) & 0xFFu);
  } else if (digits >= 2) {
    info.versionFix = uint8_t(uint32_t(minor) & 0xFFu);  // a leading zero, as in 7.05
  } else {
    info.versionMinor = uint8_t(uint32_t(minor) & 0xFFu);
  }
}

uint8_t StageFromFileFlags(uint32_t mask, uint32_t flags) noexcept {
  const uint32_t set = mask & flags;
  if (set & kFlagDebug) return 0;
  if (set & kFlagPrerelease) return 2;
  return 3;
}

uint8_t PlatformFromFileOS(uint32_t fileOS) noexcept {
  if (fileOS == kOsNt) return 10;
  if (fileOS == kOsWindows16) return 11;
  return 12;
}

void BuildStringFileInfoPrefix(uint32_t translation, char* prefix, size_t capacity) noexcept {
  char hex[9];
  int n = 0;
  char reversed[8];
  uint32_t v = translation;
  do {
    reversed[n++] = kHexDigits[v & 0xF];
    v >>= 4;
  } while (v != 0);
  for (int i = 0; i < n; ++i) hex[i] = reversed[n - 1 - i];
  hex[n] = '\0';

  char text[40];
  // At most one "0" is inserted, so a short language id still yields fewer than 8 digits.
  // At most 26 characters: the text always fits, so the count is not needed.
  (void)std::snprintf(text, sizeof(text), "\\StringFileInfo\\%s%s\\", n < 8 ? "0" : "", hex);
  if (capacity == 0) return;
  const size_t length = std::strlen(text);
  const size_t kept = length < capacity - 1 ? length : capacity - 1;
  std::memcpy(prefix, text, kept);
  prefix[kept] = '\0';
}
