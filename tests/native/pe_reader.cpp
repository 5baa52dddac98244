#include "tests/native/pe_reader.h"

#include <fstream>
#include <iterator>

uint8_t ByteView::U8(size_t offset) {
  if (offset >= size) {
    ok = false;
    return 0;
  }
  return data[offset];
}

uint16_t ByteView::U16(size_t offset) {
  if (offset > size || size - offset < 2) {
    ok = false;
    return 0;
  }
  return uint16_t(data[offset] | data[offset + 1] << 8);
}

uint32_t ByteView::U32(size_t offset) {
  if (offset > size || size - offset < 4) {
    ok = false;
    return 0;
  }
  return uint32_t(data[offset]) | uint32_t(data[offset + 1]) << 8 |
         uint32_t(data[offset + 2]) << 16 | uint32_t(data[offset + 3]) << 24;
}

std::string ByteView::Utf16z(size_t offset, size_t& end) {
  std::string text;
  for (;;) {
    const uint16_t unit = U16(offset);
    offset += 2;
    if (!ok || unit == 0) break;
    text.push_back(unit < 0x100 ? char(unit) : '?');
  }
  end = offset;
  return text;
}

namespace {

struct Section {
  uint32_t virtualAddress;
  uint32_t virtualSize;
  uint32_t rawOffset;
  uint32_t rawSize;
};

// Reading state for one file: the bytes and its section table.
struct PeFile {
  ByteView view;
  std::vector<Section> sections;
  std::string error;

  // File offset of an address relative to the image base; false when no section holds it.
  bool Offset(uint32_t rva, size_t& offset) const {
    for (const Section& s : sections) {
      const uint32_t extent = s.virtualSize > s.rawSize ? s.virtualSize : s.rawSize;
      if (rva >= s.virtualAddress && rva - s.virtualAddress < extent) {
        const uint32_t inside = rva - s.virtualAddress;
        if (inside >= s.rawSize) return false;  // in the zero-filled tail, not in the file
        offset = size_t(s.rawOffset) + inside;
        return offset < view.size;
      }
    }
    return false;
  }

  // A zero-terminated 8-bit string at an address, at most `limit` characters.
  bool AsciiAt(uint32_t rva, std::string& text, size_t limit = 512) {
    size_t offset = 0;
    if (!Offset(rva, offset)) return false;
    text.clear();
    while (text.size() < limit) {
      const uint8_t c = view.U8(offset++);
      if (!view.ok) return false;
      if (c == 0) return true;
      text.push_back(char(c));
    }
    return false;
  }

  bool Fail(const std::string& what) {
    error = what;
    return false;
  }
};

constexpr size_t kMaxResources = 4096;

bool ReadExports(PeFile& file, uint32_t rva, PeImage& image) {
  size_t dir = 0;
  if (!file.Offset(rva, dir)) return file.Fail("export directory outside the file");
  const uint32_t count = file.view.U32(dir + 24);
  const uint32_t namesRva = file.view.U32(dir + 32);
  if (!file.view.ok || count > 65536) return file.Fail("export directory damaged");
  size_t names = 0;
  if (count != 0 && !file.Offset(namesRva, names)) return file.Fail("export names outside the file");
  for (uint32_t i = 0; i < count; ++i) {
    std::string name;
    if (!file.AsciiAt(file.view.U32(names + 4 * size_t(i)), name))
      return file.Fail("export name outside the file");
    image.exports.push_back(name);
  }
  return true;
}

bool ReadImports(PeFile& file, uint32_t rva, PeImage& image) {
  size_t entry = 0;
  if (!file.Offset(rva, entry)) return file.Fail("import directory outside the file");
  // Descriptors of 20 bytes, ended by an all-zero one.
  for (int i = 0; i < 1024; ++i, entry += 20) {
    const uint32_t nameRva = file.view.U32(entry + 12);
    if (!file.view.ok) return file.Fail("import directory damaged");
    if (nameRva == 0 && file.view.U32(entry) == 0) return true;
    std::string name;
    if (!file.AsciiAt(nameRva, name)) return file.Fail("import name outside the file");
    image.imports.push_back(name);
  }
  return file.Fail("import directory has no end");
}

// An entry's name: an id, or (high bit set) an offset into the section of a counted UTF-16 string.
bool ReadEntryName(PeFile& file, size_t rsrc, uint32_t field, PeName& name) {
  if ((field & 0x80000000u) == 0) {
    name = PeName::Id(uint16_t(field));
    return field <= 0xFFFF;
  }
  const size_t at = rsrc + (field & 0x7FFFFFFFu);
  const uint16_t length = file.view.U16(at);
  std::string text;
  for (uint16_t i = 0; i < length; ++i) {
    const uint16_t unit = file.view.U16(at + 2 + 2 * size_t(i));
    text.push_back(unit < 0x80 ? char(unit) : '?');
  }
  name = PeName::Text(text);
  return file.view.ok;
}

// Walks type, name and language levels below the directory at `offset` (relative to the section).
bool ReadResourceLevel(PeFile& file, size_t rsrc, size_t offset, int depth, PeResource& path,
                       PeImage& image) {
  const size_t dir = rsrc + offset;
  const uint32_t count = uint32_t(file.view.U16(dir + 12)) + file.view.U16(dir + 14);
  if (!file.view.ok) return file.Fail("resource directory damaged");
  for (uint32_t i = 0; i < count; ++i) {
    const size_t entry = dir + 16 + 8 * size_t(i);
    const uint32_t nameField = file.view.U32(entry);
    const uint32_t target = file.view.U32(entry + 4);
    if (!file.view.ok) return file.Fail("resource entry damaged");
    PeName name;
    if (!ReadEntryName(file, rsrc, nameField, name)) return file.Fail("resource name damaged");
    const bool isDirectory = (target & 0x80000000u) != 0;
    if (depth < 2) {
      if (!isDirectory) return file.Fail("resource tree too shallow");
      (depth == 0 ? path.type : path.name) = name;
      if (!ReadResourceLevel(file, rsrc, target & 0x7FFFFFFFu, depth + 1, path, image))
        return false;
      continue;
    }
    if (isDirectory || !name.text.empty()) return file.Fail("resource tree too deep");
    if (image.resources.size() >= kMaxResources) return file.Fail("too many resources");
    // Data entry: address, size, code page, reserved.
    const uint32_t dataRva = file.view.U32(rsrc + target);
    const uint32_t size = file.view.U32(rsrc + target + 4);
    size_t at = 0;
    if (!file.view.ok || !file.Offset(dataRva, at) || size > file.view.size - at)
      return file.Fail("resource data outside the file");
    PeResource leaf = path;
    leaf.language = name.id;
    leaf.data.assign(file.view.data + at, file.view.data + at + size);
    image.resources.push_back(std::move(leaf));
  }
  return true;
}

}  // namespace

bool ReadPeImage(const std::string& path, PeImage& image, std::string& error) {
  image = PeImage{};
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open " + path;
    return false;
  }
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
  if (!ParsePeImage(bytes, image, error)) {
    error = path + ": " + error;
    return false;
  }
  return true;
}

bool ParsePeImage(const std::vector<uint8_t>& bytes, PeImage& image, std::string& error) {
  image = PeImage{};
  PeFile file{ByteView(bytes), {}, {}};
  ByteView& v = file.view;

  if (v.U16(0) != 0x5A4D) {
    error = "no MZ header";
    return false;
  }
  const size_t nt = v.U32(0x3C);
  if (v.U32(nt) != 0x00004550) {
    error = "no PE signature";
    return false;
  }
  image.machine = v.U16(nt + 4);
  const uint16_t sectionCount = v.U16(nt + 6);
  const uint16_t optionalSize = v.U16(nt + 20);
  const size_t optional = nt + 24;
  const uint16_t magic = v.U16(optional);
  if (!v.ok || (magic != 0x10B && magic != 0x20B)) {
    error = "unknown optional header";
    return false;
  }
  image.is64 = magic == 0x20B;
  const size_t directories = optional + (image.is64 ? 112 : 96);
  const uint32_t directoryCount = v.U32(directories - 4);
  for (size_t i = 0, at = optional + optionalSize; i < sectionCount; ++i, at += 40)
    file.sections.push_back({v.U32(at + 12), v.U32(at + 8), v.U32(at + 20), v.U32(at + 16)});
  if (!v.ok) {
    error = "section table outside the file";
    return false;
  }
  auto directoryRva = [&](uint32_t index) {
    return index < directoryCount ? v.U32(directories + 8 * size_t(index)) : 0u;
  };
  auto directorySize = [&](uint32_t index) {
    return index < directoryCount ? v.U32(directories + 8 * size_t(index) + 4) : 0u;
  };

  bool good = true;
  if (directoryRva(0) != 0) good = ReadExports(file, directoryRva(0), image);
  if (good && directoryRva(1) != 0) good = ReadImports(file, directoryRva(1), image);
  if (good && directoryRva(2) != 0) {
    size_t rsrc = 0;
    PeResource path0;
    good = file.Offset(directoryRva(2), rsrc) ? ReadResourceLevel(file, rsrc, 0, 0, path0, image)
                                              : file.Fail("resource section outside the file");
    image.resourceOffset = rsrc;
    image.resourceSize = directorySize(2);
  }
  if (!good) {
    error = file.error;
    return false;
  }
  return true;
}

const PeResource* FindPeResource(const PeImage& image, const PeName& type, const PeName& name,
                                 uint16_t language) {
  for (const PeResource& r : image.resources)
    if (r.type == type && r.name == name && r.language == language) return &r;
  return nullptr;
}
