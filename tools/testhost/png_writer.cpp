#include "tools/testhost/png_writer.h"

#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <new>
#include <vector>

#include "tools/testhost/image_file.h"

// stb's writer stays for the BMP files the tests make.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wconversion"
#pragma GCC diagnostic ignored "-Wsign-conversion"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO_WIDE
#include <stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace {

// Fills one row of the picture, `width * channels` samples, big-endian as PNG stores them.
using RowSource = std::function<void(int32_t row, uint8_t* out)>;

void PutBigEndian32(uint8_t* to, uint32_t value) {
  to[0] = uint8_t(value >> 24);
  to[1] = uint8_t(value >> 16);
  to[2] = uint8_t(value >> 8);
  to[3] = uint8_t(value);
}

// Writes chunks and keeps the first failure's reason.
class PngFile {
 public:
  explicit PngFile(std::FILE* file) : file_(file) {}
  bool ok() const { return failure_ == 0; }
  int failure() const { return failure_; }

  void Put(const void* data, size_t length) {
    if (ok() && length != 0 && std::fwrite(data, 1, length, file_) != length)
      failure_ = errno != 0 ? errno : EIO;
  }

  void Chunk(const char* type, const uint8_t* data, size_t length) {
    uint8_t head[8];
    PutBigEndian32(head, uint32_t(length));
    std::memcpy(head + 4, type, 4);
    uLong crc = crc32(0L, head + 4, 4);
    if (length != 0) crc = crc32(crc, data, uInt(length));
    uint8_t tail[4];
    PutBigEndian32(tail, uint32_t(crc));
    Put(head, sizeof(head));
    Put(data, length);
    Put(tail, sizeof(tail));
  }

  // Closes the file; false when anything failed, with the reason kept.
  bool Close() {
    if (std::fclose(file_) != 0 && ok()) failure_ = errno != 0 ? errno : EIO;
    return ok();
  }

 private:
  std::FILE* file_;
  int failure_ = 0;
};

uint8_t Paeth(uint8_t left, uint8_t up, uint8_t upLeft) {
  const int estimate = int(left) + int(up) - int(upLeft);
  const int toLeft = std::abs(estimate - int(left)), toUp = std::abs(estimate - int(up)),
            toUpLeft = std::abs(estimate - int(upLeft));
  if (toLeft <= toUp && toLeft <= toUpLeft) return left;
  return toUp <= toUpLeft ? up : upLeft;
}

// Each of the five row filters over `row` (after `previous`), into `out` with its type byte
// first; keeps the one whose bytes, taken as signed, sum smallest, as encoders usually do.
const uint8_t* FilterRow(const std::vector<uint8_t>& row, const std::vector<uint8_t>& previous,
                         size_t pixelBytes, std::vector<uint8_t> (&out)[5]) {
  const size_t n = row.size();
  uint64_t best = UINT64_MAX;
  int chosen = 0;
  for (int type = 0; type < 5; ++type) {
    uint8_t* f = out[type].data();
    f[0] = uint8_t(type);
    uint64_t cost = 0;
    for (size_t i = 0; i < n; ++i) {
      const uint8_t left = i >= pixelBytes ? row[i - pixelBytes] : 0;
      const uint8_t up = previous[i];
      const uint8_t upLeft = i >= pixelBytes ? previous[i - pixelBytes] : 0;
      uint8_t predicted = 0;
      switch (type) {
        case 1: predicted = left; break;
        case 2: predicted = up; break;
        case 3: predicted = uint8_t((int(left) + int(up)) / 2); break;
        case 4: predicted = Paeth(left, up, upLeft); break;
        default: break;
      }
      f[i + 1] = uint8_t(row[i] - predicted);
      cost += uint64_t(std::abs(int(int8_t(f[i + 1]))));
    }
    if (cost < best) {
      best = cost;
      chosen = type;
    }
  }
  return out[chosen].data();
}

bool EncodePng(const std::string& path, int32_t width, int32_t height, int32_t channels,
               int32_t bits, const RowSource& source, std::string& error) {
  if (width <= 0 || height <= 0 || channels < 1 || channels > 4 || (bits != 8 && bits != 16)) {
    error = "cannot write " + path + ": no picture to write";
    return false;
  }
  const size_t pixelBytes = size_t(channels) * size_t(bits / 8);
  const size_t rowBytes = size_t(width) * pixelBytes;  // at most 2^31 * 8: no overflow in 64 bits
  std::vector<uint8_t> row, previous, filtered[5], compressed;
  try {
    row.resize(rowBytes);
    previous.assign(rowBytes, 0);
    for (auto& f : filtered) f.resize(rowBytes + 1);
    compressed.resize(size_t(1) << 16);
  } catch (const std::bad_alloc&) {
    error = "not enough memory to write " + path;
    return false;
  }
  z_stream z{};
  if (deflateInit(&z, Z_DEFAULT_COMPRESSION) != Z_OK) {
    error = "not enough memory to write " + path;
    return false;
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    error = "cannot create " + path + ": " + std::strerror(errno);
    deflateEnd(&z);
    return false;
  }
  PngFile png(file);
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  png.Put(kSignature, sizeof(kSignature));
  static const uint8_t kColourTypes[5] = {0, 0, 4, 2, 6};  // by channel count
  uint8_t header[13] = {};
  PutBigEndian32(header, uint32_t(width));
  PutBigEndian32(header + 4, uint32_t(height));
  header[8] = uint8_t(bits);
  header[9] = kColourTypes[channels];  // then compression, filter method, interlace: all 0
  png.Chunk("IHDR", header, sizeof(header));

  bool deflated = true;
  for (int32_t y = 0; y <= height && deflated && png.ok(); ++y) {
    const bool last = y == height;
    if (!last) {
      source(y, row.data());
      z.next_in = const_cast<Bytef*>(FilterRow(row, previous, pixelBytes, filtered));
      z.avail_in = uInt(rowBytes + 1);
      row.swap(previous);
    }
    int status = Z_OK;
    do {
      z.next_out = compressed.data();
      z.avail_out = uInt(compressed.size());
      status = deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
      if (status == Z_STREAM_ERROR || (last && status == Z_BUF_ERROR)) {
        deflated = false;
        break;
      }
      const size_t produced = compressed.size() - z.avail_out;
      if (produced != 0) png.Chunk("IDAT", compressed.data(), produced);
    } while (png.ok() && (z.avail_out == 0 || (last && status == Z_OK)));
  }
  deflateEnd(&z);
  png.Chunk("IEND", nullptr, 0);
  if (!png.Close() || !deflated) {
    error = "cannot write " + path + ": " +
            (deflated ? std::strerror(png.failure()) : "compression failed");
    std::remove(path.c_str());
    return false;
  }
  return true;
}

}  // namespace

bool WritePngImage(const std::string& path, const HostImage& image, std::string& error) {
  const size_t rowBytes = size_t(image.width) * image.PixelBytes();
  if (image.width <= 0 || image.height <= 0 ||
      image.pixels.size() != rowBytes * size_t(image.height)) {
    error = "cannot write " + path + ": the image's pixels do not match its size";
    return false;
  }
  if (image.depth == 8) {
    return EncodePng(path, image.width, image.height, image.planes, 8,
                     [&](int32_t y, uint8_t* out) { std::memcpy(out, image.At(y, 0), rowBytes); },
                     error);
  }
  return EncodePng(path, image.width, image.height, image.planes, image.depth,
                   [&](int32_t y, uint8_t* out) {
                     const uint8_t* from = image.At(y, 0);
                     for (size_t i = 0; i < rowBytes; i += 2) {
                       uint16_t host = 0;
                       std::memcpy(&host, from + i, 2);
                       const uint16_t file = HostToFile16(host);
                       out[i] = uint8_t(file >> 8);
                       out[i + 1] = uint8_t(file);
                     }
                   },
                   error);
}

bool WritePng(const std::string& path, int32_t width, int32_t height, int32_t channels,
              const uint8_t* pixels, int32_t rowBytes) {
  if (width <= 0 || height <= 0 || channels < 1 || channels > 4 || pixels == nullptr) return false;
  std::string error;
  const size_t used = size_t(width) * size_t(channels);
  return EncodePng(path, width, height, channels, 8,
                   [&](int32_t y, uint8_t* out) {
                     std::memcpy(out, pixels + ptrdiff_t(y) * rowBytes, used);
                   },
                   error);
}

std::string TestOutputPath(const std::string& fileName) {
  const char* env = std::getenv("CORVANE_TEST_OUTPUT");
  std::filesystem::path dir = (env != nullptr && *env != '\0') ? env : "out/test";
  std::error_code ignored;
  std::filesystem::create_directories(dir, ignored);
  return (dir / fileName).string();
}
