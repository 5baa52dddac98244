#include "tools/runfilter/picture_io.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "tools/runfilter/run.h"
#include "tools/runfilter/system.h"
#include "tools/testhost/image_file.h"

namespace {

std::string Dimensions(const PictureInfo& info) {
  return std::to_string(info.width) + " x " + std::to_string(info.height) + " pixels, " +
         std::to_string(info.planes) + (info.planes == 1 ? " channel" : " channels") + " of " +
         std::to_string(info.depth) + " bits";
}

// A BMP through the test host's decoder, whole; its rows are served from memory.
class MemoryReader final : public PictureReader {
 public:
  explicit MemoryReader(HostImage image) : image_(std::move(image)) {}
  bool ReadRows(uint8_t* rows, int32_t count, std::string& error) override {
    const size_t rowBytes = size_t(image_.width) * image_.PixelBytes();
    if (count < 0 || next_ + count > image_.height) {
      error = "read past the last row";
      return false;
    }
    std::memcpy(rows, image_.pixels.data() + size_t(next_) * rowBytes, size_t(count) * rowBytes);
    next_ += count;
    return true;
  }

 private:
  HostImage image_;
  int32_t next_ = 0;
};

}  // namespace

const char* FormatName(PictureFormat format) {
  switch (format) {
    case PictureFormat::kPng: return "PNG";
    case PictureFormat::kBmp: return "BMP";
    case PictureFormat::kJpeg: return "JPEG";
    case PictureFormat::kTiff: return "TIFF";
    default: return "of no known format";
  }
}

PictureFormat FormatOfPath(const std::string& path) {
  const size_t dot = path.find_last_of('.');
  const size_t slash = path.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
    return PictureFormat::kUnknown;
  std::string ext = path.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  if (ext == "png") return PictureFormat::kPng;
  if (ext == "bmp") return PictureFormat::kBmp;
  if (ext == "jpg" || ext == "jpeg") return PictureFormat::kJpeg;
  if (ext == "tif" || ext == "tiff") return PictureFormat::kTiff;
  return PictureFormat::kUnknown;
}

PictureFormat FormatOfBytes(const uint8_t* b, size_t size) {
  if (size >= 8 && std::memcmp(b, "\x89PNG\r\n\x1a\n", 8) == 0) return PictureFormat::kPng;
  if (size >= 2 && b[0] == 'B' && b[1] == 'M') return PictureFormat::kBmp;
  if (size >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) return PictureFormat::kJpeg;
  if (size >= 4 && ((b[0] == 'I' && b[1] == 'I' && (b[2] == 42 || b[2] == 43) && b[3] == 0) ||
                    (b[0] == 'M' && b[1] == 'M' && b[2] == 0 && (b[3] == 42 || b[3] == 43))))
    return PictureFormat::kTiff;
  return PictureFormat::kUnknown;
}

void FileRowToHost16(const uint16_t* file, uint16_t* host, size_t count) {
  for (size_t i = 0; i < count; ++i) host[i] = FileToHost16(file[i]);
}
void HostRowToFile16(const uint16_t* host, uint16_t* file, size_t count) {
  for (size_t i = 0; i < count; ++i) file[i] = HostToFile16(host[i]);
}

std::unique_ptr<PictureReader> OpenPictureReader(const std::string& path, PictureInfo& info,
                                                 std::string& error) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    error = std::string("cannot open: ") + std::strerror(errno);
    return nullptr;
  }
  uint8_t start[8] = {};
  const size_t got = std::fread(start, 1, sizeof(start), file);
  std::rewind(file);
  info = PictureInfo();
  info.format = FormatOfBytes(start, got);
  // A name that promises another format is a mistake somewhere in a batch: refused, not guessed.
  const PictureFormat named = FormatOfPath(path);
  if (named != PictureFormat::kUnknown && info.format != PictureFormat::kUnknown && named != info.format) {
    std::fclose(file);
    error = std::string("the file is ") + FormatName(info.format) + " but its name says " + FormatName(named);
    return nullptr;
  }
  std::unique_ptr<PictureReader> reader;
  switch (info.format) {
    case PictureFormat::kPng: reader = OpenPngReader(file, info, error); break;
    case PictureFormat::kJpeg: reader = OpenJpegReader(file, info, error); break;
    case PictureFormat::kTiff:
      std::fclose(file);
      reader = OpenTiffReader(path, info, error);
      break;
    case PictureFormat::kBmp: {
      std::fclose(file);
      std::vector<uint8_t> bytes;
      HostImage image;
      if (!ReadFileBytes(path, bytes, error) || !DecodeImage(bytes, image, error)) return nullptr;
      info.width = image.width;
      info.height = image.height;
      info.planes = image.planes;
      info.depth = image.depth;
      reader = std::make_unique<MemoryReader>(std::move(image));
      break;
    }
    default:
      std::fclose(file);
      error = got == 0 ? "the file is empty" : "not a PNG, JPEG, TIFF or BMP file";
      return nullptr;
  }
  if (reader == nullptr) return nullptr;
  if (info.width > kLargestPictureSide || info.height > kLargestPictureSide) {
    error = "the picture is " + Dimensions(info) + "; at most " +
            std::to_string(kLargestPictureSide) + " in each direction can be filtered";
    return nullptr;
  }
  return reader;
}

bool CheckWritable(PictureFormat format, const PictureInfo& info, std::string& error) {
  if (format == PictureFormat::kJpeg && (info.planes == 2 || (info.planes == 4 && info.colour != PictureColour::kCmyk) || info.planes > 4)) {
    error = "a JPEG holds grey, RGB or CMYK without transparency or extra channels; write PNG or TIFF";
    return false;
  }
  if (format == PictureFormat::kJpeg && info.colour == PictureColour::kLab) {
    error = "a JPEG holds no Lab; write TIFF";
    return false;
  }
  if (format != PictureFormat::kTiff && format != PictureFormat::kJpeg && info.planes > 4) {
    error = "a PNG holds at most 4 channels; write TIFF";
    return false;
  }
  return true;
}

std::unique_ptr<PictureWriter> OpenPictureWriter(const std::string& path, PictureFormat format,
                                                 const PictureInfo& info,
                                                 const RunOptions& options, std::string& error) {
  if (!CheckWritable(format, info, error)) return nullptr;
  if (format == PictureFormat::kTiff) return OpenTiffWriter(path, info, options, error);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    error = std::strerror(errno);
    return nullptr;
  }
  // Any other extension gets PNG, as runfilter always wrote.
  if (format == PictureFormat::kJpeg) return OpenJpegWriter(file, info, options, error);
  return OpenPngWriter(file, info, options, error);
}

bool ReadPicture(const std::string& path, Picture& picture, std::string& error) {
  std::unique_ptr<PictureReader> reader = OpenPictureReader(path, picture.info, error);
  if (reader == nullptr) return false;
  const PictureInfo& info = picture.info;
  const uint64_t bytes = uint64_t(info.RowBytes()) * uint64_t(info.height);
  const uint64_t memory = InstalledMemory();
  try {
    if (bytes > memory) throw std::bad_alloc();
    picture.image.pixels.resize(size_t(bytes));
  } catch (const std::bad_alloc&) {
    error = "too large to hold in memory (" + Dimensions(info) + ")";
    return false;
  }
  picture.image.width = info.width;
  picture.image.height = info.height;
  picture.image.planes = info.planes;
  picture.image.depth = info.depth;
  return reader->ReadRows(picture.image.pixels.data(), info.height, error);
}

bool ChoosePictureMode(const RunOptions& options, const PictureInfo& info, int16_t& mode,
                       std::string& error) {
  // A file's own colour kind keeps its extra channels beside the colour ones.
  int16_t flat = -1;
  if (options.mode < 0) {
    switch (info.colour) {
      case PictureColour::kCmyk: flat = plugInModeCMYKColor; break;
      case PictureColour::kLab: flat = plugInModeLabColor; break;
      case PictureColour::kGrey: flat = plugInModeGrayScale; break;
      default: flat = info.planes > 4 ? int16_t(plugInModeMultichannel) : int16_t(-1); break;
    }
  }
  if (flat < 0) return ChooseImageMode(options, info.planes, info.depth, mode, error);
  mode = info.depth == 16 ? DeepMode(flat) : flat;  // each of these has a 16-bit form
  return true;
}

bool WritePictureAtomically(const std::string& path, const Picture& picture,
                            const RunOptions& options, std::string& error) {
  const std::string temporary = path + ".part" + std::to_string(ProcessNumber());
  std::string why;
  std::unique_ptr<PictureWriter> writer =
      OpenPictureWriter(temporary, FormatOfPath(path), picture.info, options, why);
  const bool written = writer != nullptr &&
                       writer->WriteRows(picture.image.pixels.data(), picture.info.height, why) &&
                       writer->Finish(why);
  writer.reset();
  if (!written) {
    std::remove(temporary.c_str());
    error = "cannot write " + path + ": " + why;
    return false;
  }
  if (!MoveOnto(temporary, path, why)) {
    error = "cannot write " + path + ": " + why;
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}
