// pngtool: pictures for the demo that ImageMagick's default limits refuse (wider than 16K).
//   pngtool gradient WIDTH HEIGHT BITS OUT   an RGB gradient, 8 or 16 bits per channel
//   pngtool shrink FACTOR IN OUT             each FACTOR x FACTOR block averaged, for viewing
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "tools/testhost/image_file.h"
#include "tools/testhost/png_writer.h"

namespace {

int Fail(const std::string& message) {
  std::fprintf(stderr, "pngtool: %s\n", message.c_str());
  return 1;
}

int32_t Number(const char* text, int32_t maximum) {
  const long value = std::strtol(text, nullptr, 10);
  return value >= 1 && value <= maximum ? int32_t(value) : 0;
}

// Red rises left to right, green top to bottom, blue falls across: every sample differs from
// its neighbours at 16 bits, where 8 bits would show bands.
HostImage Gradient(int32_t width, int32_t height, int32_t depth) {
  HostImage image{width, height, 3, depth, {}};
  image.pixels.resize(size_t(width) * size_t(height) * image.PixelBytes());
  const uint32_t full = depth == 16 ? 32768 : 255;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t red = uint32_t(uint64_t(x) * full / uint32_t(width > 1 ? width - 1 : 1));
      const uint32_t green = uint32_t(uint64_t(y) * full / uint32_t(height > 1 ? height - 1 : 1));
      const uint32_t values[3] = {red, green, full - (red + green) / 2};
      for (int32_t k = 0; k < 3; ++k) SetSampleAt(image, y, x, k, values[k]);
    }
  }
  return image;
}

HostImage Shrink(const HostImage& in, int32_t factor) {
  HostImage out{(in.width + factor - 1) / factor, (in.height + factor - 1) / factor, in.planes,
                in.depth, {}};
  out.pixels.resize(size_t(out.width) * size_t(out.height) * out.PixelBytes());
  std::vector<uint64_t> sums(size_t(out.width) * size_t(out.planes));
  std::vector<uint32_t> counts(size_t(out.width));
  for (int32_t oy = 0; oy < out.height; ++oy) {
    std::fill(sums.begin(), sums.end(), 0);
    std::fill(counts.begin(), counts.end(), 0);
    for (int32_t y = oy * factor; y < in.height && y < (oy + 1) * factor; ++y) {
      for (int32_t x = 0; x < in.width; ++x) {
        ++counts[size_t(x / factor)];
        for (int32_t k = 0; k < in.planes; ++k)
          sums[size_t(x / factor) * size_t(in.planes) + size_t(k)] += SampleAt(in, y, x, k);
      }
    }
    for (int32_t ox = 0; ox < out.width; ++ox) {
      for (int32_t k = 0; k < out.planes; ++k) {
        const uint64_t sum = sums[size_t(ox) * size_t(out.planes) + size_t(k)];
        SetSampleAt(out, oy, ox, k, uint32_t((sum + counts[size_t(ox)] / 2) / counts[size_t(ox)]));
      }
    }
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  std::string error;
  try {
    HostImage image;
    std::string output;
    if (command == "gradient" && argc == 6) {
      const int32_t width = Number(argv[2], kLargestPictureSide),
                    height = Number(argv[3], kLargestPictureSide), bits = Number(argv[4], 16);
      if (width == 0 || height == 0 || (bits != 8 && bits != 16))
        return Fail("gradient takes WIDTH and HEIGHT from 1 to 300000 and BITS 8 or 16");
      image = Gradient(width, height, bits);
      output = argv[5];
    } else if (command == "shrink" && argc == 5) {
      const int32_t factor = Number(argv[2], 1000);
      if (factor == 0) return Fail("shrink takes a FACTOR from 1 to 1000");
      std::vector<uint8_t> bytes;
      HostImage in;
      if (!ReadFileBytes(argv[3], bytes, error) || !DecodeImage(bytes, in, error))
        return Fail(std::string(argv[3]) + ": " + error);
      image = Shrink(in, factor);
      output = argv[4];
    } else {
      return Fail("usage: pngtool gradient WIDTH HEIGHT BITS OUT | pngtool shrink FACTOR IN OUT");
    }
    if (!WritePngImage(output, image, error)) return Fail(error);
  } catch (const std::bad_alloc&) {
    return Fail("not enough memory");
  }
  return 0;
}
