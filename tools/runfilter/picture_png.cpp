// PNG through libpng: 1..16-bit grey, grey+alpha, RGB, RGBA and palettes in; 8 or 16 bits out,
// with pHYs and iCCP both ways. libpng reports errors by longjmp, so every function that calls
// it sets its jump point first and holds nothing with a destructor across the calls.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "tools/runfilter/picture_io.h"

namespace {

constexpr double kInchesPerMetre = 0.0254;

struct PngState {
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::FILE* file = nullptr;
  char message[200] = {};
};

void OnPngError(png_structp png, png_const_charp text) {
  auto* state = static_cast<PngState*>(png_get_error_ptr(png));
  std::snprintf(state->message, sizeof(state->message), "%s", text);
  png_longjmp(png, 1);
}
void OnPngWarning(png_structp, png_const_charp) {}

std::string CorruptReason(const PngState& state) {
  return std::string("corrupt image (") + state.message + ")";
}

class PngReader final : public PictureReader {
 public:
  PngReader() = default;
  PngReader(const PngReader&) = delete;
  PngReader& operator=(const PngReader&) = delete;
  ~PngReader() override {
    if (s_.png != nullptr) png_destroy_read_struct(&s_.png, &s_.info, nullptr);
    if (s_.file != nullptr) std::fclose(s_.file);
  }

  bool Open(std::FILE* file, PictureInfo& out, std::string& error) {
    s_.file = file;
    s_.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &s_, OnPngError, OnPngWarning);
    if (s_.png != nullptr) s_.info = png_create_info_struct(s_.png);
    if (s_.info == nullptr) {
      error = "out of memory";
      return false;
    }
    if (!ReadHeader()) {
      error = CorruptReason(s_);
      return false;
    }
    out.width = int32_t(width_);
    out.height = int32_t(height_);
    out.planes = planes_;
    out.depth = depth_;
    if (ppmX_ > 0 && ppmY_ > 0) {
      out.ppiX = ppmX_ * kInchesPerMetre;
      out.ppiY = ppmY_ * kInchesPerMetre;
    }
    out.iccProfile.assign(icc_, icc_ + iccSize_);
    rowBytes_ = out.RowBytes();
    interlaced_ = passes_ > 1;
    return true;
  }

  bool ReadRows(uint8_t* rows, int32_t count, std::string& error) override {
    // An interlaced file shows its last rows only after every pass: it is read whole, once.
    if (interlaced_ && whole_.empty()) {
      whole_.resize(rowBytes_ * height_);
      if (!ReadInterlaced()) {
        error = CorruptReason(s_);
        return false;
      }
    }
    for (int32_t i = 0; i < count; ++i, ++next_) {
      uint8_t* row = rows + size_t(i) * rowBytes_;
      if (interlaced_) {
        std::memcpy(row, whole_.data() + size_t(next_) * rowBytes_, rowBytes_);
      } else if (!ReadRow(row)) {
        error = CorruptReason(s_);
        return false;
      }
      if (depth_ == 16) {
        auto* samples = reinterpret_cast<uint16_t*>(row);
        FileRowToHost16(samples, samples, rowBytes_ / 2);
      }
    }
    return true;
  }

 private:
  bool ReadHeader() {
    if (setjmp(png_jmpbuf(s_.png))) return false;
    png_init_io(s_.png, s_.file);
    // Decoded rows are asked for one at a time, so a large picture costs no more memory than
    // a row; what libpng still refuses (a chunk or text flood) ends as a corrupt file.
    png_set_user_limits(s_.png, 0x7fffffff, 0x7fffffff);
    png_read_info(s_.png, s_.info);
    int bitDepth = 0, colourType = 0;
    png_get_IHDR(s_.png, s_.info, &width_, &height_, &bitDepth, &colourType, nullptr, nullptr,
                 nullptr);
    if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(s_.png);
    if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(s_.png);
    if (png_get_valid(s_.png, s_.info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(s_.png);
    if (bitDepth == 16) png_set_swap(s_.png);  // to the machine's order (little-endian here)
    passes_ = png_set_interlace_handling(s_.png);
    png_read_update_info(s_.png, s_.info);
    planes_ = png_get_channels(s_.png, s_.info);
    depth_ = png_get_bit_depth(s_.png, s_.info) == 16 ? 16 : 8;
    png_uint_32 x = 0, y = 0;
    int unit = 0;
    if (png_get_pHYs(s_.png, s_.info, &x, &y, &unit) && unit == PNG_RESOLUTION_METER) {
      ppmX_ = x;
      ppmY_ = y;
    }
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 length = 0;
    if (png_get_iCCP(s_.png, s_.info, &name, &compression, &profile, &length)) {
      icc_ = profile;
      iccSize_ = length;
    }
    return true;
  }
  bool ReadRow(uint8_t* row) {
    if (setjmp(png_jmpbuf(s_.png))) return false;
    png_read_row(s_.png, row, nullptr);
    return true;
  }
  bool ReadInterlaced() {
    if (setjmp(png_jmpbuf(s_.png))) return false;
    for (int pass = 0; pass < passes_; ++pass)
      for (png_uint_32 y = 0; y < height_; ++y)
        png_read_row(s_.png, whole_.data() + size_t(y) * rowBytes_, nullptr);
    return true;
  }

  PngState s_;
  png_uint_32 width_ = 0, height_ = 0;
  int planes_ = 0, depth_ = 8, passes_ = 1;
  png_uint_32 ppmX_ = 0, ppmY_ = 0;
  const uint8_t* icc_ = nullptr;
  size_t iccSize_ = 0;
  size_t rowBytes_ = 0;
  bool interlaced_ = false;
  std::vector<uint8_t> whole_;
  int32_t next_ = 0;
};

class PngWriter final : public PictureWriter {
 public:
  PngWriter() = default;
  PngWriter(const PngWriter&) = delete;
  PngWriter& operator=(const PngWriter&) = delete;
  ~PngWriter() override {
    if (s_.png != nullptr) png_destroy_write_struct(&s_.png, &s_.info);
    if (s_.file != nullptr) std::fclose(s_.file);
  }

  bool Open(std::FILE* file, const PictureInfo& info, const RunOptions& options,
            std::string& error) {
    s_.file = file;
    info_ = info;
    s_.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &s_, OnPngError, OnPngWarning);
    if (s_.png != nullptr) s_.info = png_create_info_struct(s_.png);
    if (s_.info == nullptr) {
      error = "out of memory";
      return false;
    }
    row_.resize(info.RowBytes());
    if (!WriteHeader(options.compression)) {
      error = s_.message;
      return false;
    }
    return true;
  }

  bool WriteRows(const uint8_t* rows, int32_t count, std::string& error) override {
    const size_t rowBytes = row_.size();
    for (int32_t i = 0; i < count; ++i) {
      const uint8_t* row = rows + size_t(i) * rowBytes;
      if (info_.depth == 16) {
        HostRowToFile16(reinterpret_cast<const uint16_t*>(row),
                        reinterpret_cast<uint16_t*>(row_.data()), rowBytes / 2);
        row = row_.data();
      }
      if (!WriteRow(row)) {
        error = s_.message;
        return false;
      }
    }
    return true;
  }

  bool Finish(std::string& error) override {
    if (!WriteEnd()) {
      error = s_.message;
      return false;
    }
    const bool closed = std::fflush(s_.file) == 0 && !std::ferror(s_.file);
    if (std::fclose(s_.file) != 0 || !closed) {
      s_.file = nullptr;
      error = std::strerror(errno);
      return false;
    }
    s_.file = nullptr;
    return true;
  }

 private:
  bool WriteHeader(int32_t compression) {
    if (setjmp(png_jmpbuf(s_.png))) return false;
    png_init_io(s_.png, s_.file);
    // A profile PNG cannot take (one for another colour space, say) is left out, not fatal.
    png_set_benign_errors(s_.png, 1);
    static const int kTypes[5] = {0, PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_GRAY_ALPHA,
                                  PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGB_ALPHA};
    png_set_IHDR(s_.png, s_.info, png_uint_32(info_.width), png_uint_32(info_.height),
                 info_.depth, kTypes[info_.planes], PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // fast: the quickest deflate and one cheap row filter; default: zlib's usual level with the
    // "up" filter alone, which on our sample photograph comes within 2 % of choosing among all
    // five for every row, in half the time; best: all five at the highest level.
    if (compression == kCompressionFast) {
      png_set_compression_level(s_.png, 1);
      png_set_filter(s_.png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    } else if (compression == kCompressionDefault) {
      png_set_compression_level(s_.png, 6);
      png_set_filter(s_.png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    } else {
      png_set_compression_level(s_.png, 9);
    }
    if (info_.ppiX > 0 && info_.ppiY > 0)
      png_set_pHYs(s_.png, s_.info, png_uint_32(info_.ppiX / kInchesPerMetre + 0.5),
                   png_uint_32(info_.ppiY / kInchesPerMetre + 0.5), PNG_RESOLUTION_METER);
    if (!info_.iccProfile.empty())
      png_set_iCCP(s_.png, s_.info, "ICC profile", PNG_COMPRESSION_TYPE_BASE,
                   info_.iccProfile.data(), png_uint_32(info_.iccProfile.size()));
    png_write_info(s_.png, s_.info);
    if (info_.depth == 16) png_set_swap(s_.png);
    return true;
  }
  bool WriteRow(const uint8_t* row) {
    if (setjmp(png_jmpbuf(s_.png))) return false;
    png_write_row(s_.png, row);
    return true;
  }
  bool WriteEnd() {
    if (setjmp(png_jmpbuf(s_.png))) return false;
    png_write_end(s_.png, nullptr);
    return true;
  }

  PngState s_;
  PictureInfo info_;
  std::vector<uint8_t> row_;
};

}  // namespace

std::unique_ptr<PictureReader> OpenPngReader(std::FILE* file, PictureInfo& info, std::string& error) {
  auto reader = std::make_unique<PngReader>();
  if (!reader->Open(file, info, error)) return nullptr;
  return reader;
}

std::unique_ptr<PictureWriter> OpenPngWriter(std::FILE* file, const PictureInfo& info,
                                             const RunOptions& options, std::string& error) {
  auto writer = std::make_unique<PngWriter>();
  if (!writer->Open(file, info, options, error)) return nullptr;
  return writer;
}
