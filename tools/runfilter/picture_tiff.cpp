// TIFF through libtiff: the first page, 8 or 16 bits, grey, RGB, CMYK and Lab with any extra
// channels, in strips or tiles, chunky or planar; written in strips, BigTIFF past 4 GB.
#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "tools/runfilter/picture_io.h"

namespace {

// libtiff reports through process-wide handlers; runfilter reads and writes one file at a time.
char tiffMessage[256] = "";

void OnTiffError(const char*, const char* format, va_list args) {
  std::vsnprintf(tiffMessage, sizeof(tiffMessage), format, args);
}
void OnTiffWarning(const char*, const char*, va_list) {}

void InstallTiffHandlers() {
  TIFFSetErrorHandler(OnTiffError);
  TIFFSetWarningHandler(OnTiffWarning);
  tiffMessage[0] = '\0';
}

std::string TiffReason(const char* fallback) {
  return tiffMessage[0] != '\0' ? std::string(tiffMessage) : std::string(fallback);
}

// The host's Lab keeps a and b with 128 (32768 / 2 at 16 bits) as neutral; CIE Lab TIFFs
// store them signed.
void SignedLabToHost(uint8_t* row, size_t pixels, int32_t planes, int32_t depth) {
  for (size_t p = 0; p < pixels; ++p)
    for (int k = 1; k < 3; ++k) {
      if (depth == 8) {
        row[p * size_t(planes) + size_t(k)] ^= 0x80;
      } else {
        auto* s = reinterpret_cast<uint16_t*>(row) + p * size_t(planes) + size_t(k);
        *s = uint16_t(*s ^ 0x8000);
      }
    }
}

class TiffReader final : public PictureReader {
 public:
  TiffReader() = default;
  TiffReader(const TiffReader&) = delete;
  TiffReader& operator=(const TiffReader&) = delete;
  ~TiffReader() override {
    if (tiff_ != nullptr) TIFFClose(tiff_);
  }

  bool Open(const std::string& path, PictureInfo& out, std::string& error) {
    InstallTiffHandlers();
    // Read, not mapped: a mapped file's pages count as the process's memory.
    tiff_ = TIFFOpen(path.c_str(), "rm");
    if (tiff_ == nullptr) {
      error = "corrupt image (" + TiffReason("not a readable TIFF") + ")";
      return false;
    }
    uint32_t width = 0, height = 0;
    uint16_t bits = 0, samples = 0, format = SAMPLEFORMAT_UINT, photometric = 0;
    if (!TIFFGetField(tiff_, TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(tiff_, TIFFTAG_IMAGELENGTH, &height) ||
        !TIFFGetField(tiff_, TIFFTAG_PHOTOMETRIC, &photometric)) {
      error = "corrupt image (the size or colour kind is missing)";
      return false;
    }
    TIFFGetFieldDefaulted(tiff_, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff_, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff_, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetFieldDefaulted(tiff_, TIFFTAG_PLANARCONFIG, &planar_);
    TIFFGetFieldDefaulted(tiff_, TIFFTAG_COMPRESSION, &out.tiffCompression);
    if (format != SAMPLEFORMAT_UINT && !(format == SAMPLEFORMAT_INT && IsLab(photometric))) {
      error = "unsupported: " + std::to_string(bits) + "-bit " +
              (format == SAMPLEFORMAT_IEEEFP ? "floating-point" : "signed") + " samples";
      return false;
    }
    if (bits != 8 && bits != 16) {
      error = "unsupported: " + std::to_string(bits) + "-bit samples (8 or 16 are read)";
      return false;
    }
    int32_t colours = 0;
    switch (photometric) {
      case PHOTOMETRIC_MINISBLACK: colours = 1; out.colour = PictureColour::kGrey; break;
      case PHOTOMETRIC_RGB: colours = 3; break;
      case PHOTOMETRIC_YCBCR:
        // Only JPEG-compressed YCbCr is turned into RGB by the library.
        if (out.tiffCompression != COMPRESSION_JPEG) break;
        TIFFSetField(tiff_, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
        colours = 3;
        break;
      case PHOTOMETRIC_SEPARATED: {
        uint16_t inks = INKSET_CMYK;
        TIFFGetFieldDefaulted(tiff_, TIFFTAG_INKSET, &inks);
        if (inks == INKSET_CMYK) colours = 4;
        out.colour = PictureColour::kCmyk;
        break;
      }
      case PHOTOMETRIC_CIELAB:
      case PHOTOMETRIC_ICCLAB:
        colours = 3;
        out.colour = PictureColour::kLab;
        signedLab_ = photometric == PHOTOMETRIC_CIELAB;
        break;
      default: break;
    }
    if (colours == 0 || samples < colours || samples > 56) {
      error = "unsupported: colour kind " + std::to_string(photometric) + " with " +
              std::to_string(samples) + " samples (grey, RGB, CMYK and Lab are read)";
      return false;
    }
    out.width = int32_t(width);
    out.height = int32_t(height);
    out.planes = samples;
    out.depth = bits;
    if (out.width <= 0 || out.height <= 0 || width > 300000 || height > 300000) {
      out.width = int32_t(std::min<uint32_t>(width, 0x7fffffff));
      out.height = int32_t(std::min<uint32_t>(height, 0x7fffffff));
      return true;  // the caller names the size it refuses
    }
    float x = 0, y = 0;
    uint16_t unit = RESUNIT_INCH;
    TIFFGetFieldDefaulted(tiff_, TIFFTAG_RESOLUTIONUNIT, &unit);
    if (TIFFGetField(tiff_, TIFFTAG_XRESOLUTION, &x) && TIFFGetField(tiff_, TIFFTAG_YRESOLUTION, &y) &&
        x > 0 && y > 0 && unit != RESUNIT_NONE) {
      const double perInch = unit == RESUNIT_CENTIMETER ? 2.54 : 1.0;
      out.ppiX = x * perInch;
      out.ppiY = y * perInch;
    }
    uint32_t iccSize = 0;
    void* icc = nullptr;
    if (TIFFGetField(tiff_, TIFFTAG_ICCPROFILE, &iccSize, &icc) && icc != nullptr)
      out.iccProfile.assign(static_cast<uint8_t*>(icc), static_cast<uint8_t*>(icc) + iccSize);
    info_ = out;
    tiled_ = TIFFIsTiled(tiff_) != 0;
    return true;
  }

  bool ReadRows(uint8_t* rows, int32_t count, std::string& error) override {
    const size_t rowBytes = info_.RowBytes();
    for (int32_t i = 0; i < count; ++i, ++next_) {
      uint8_t* row = rows + size_t(i) * rowBytes;
      if (!(tiled_ ? ReadTiledRow(row) : ReadStripRow(row))) {
        error = "corrupt image (" + TiffReason("a row cannot be read") + ")";
        return false;
      }
      if (signedLab_) SignedLabToHost(row, size_t(info_.width), info_.planes, info_.depth);
      if (info_.depth == 16) {
        auto* samples = reinterpret_cast<uint16_t*>(row);
        FileRowToHost16(samples, samples, rowBytes / 2);
      }
    }
    return true;
  }

 private:
  static bool IsLab(uint16_t photometric) {
    return photometric == PHOTOMETRIC_CIELAB || photometric == PHOTOMETRIC_ICCLAB;
  }

  // Planar files hold one plane per scanline; they are interleaved here.
  bool ReadStripRow(uint8_t* row) {
    if (planar_ == PLANARCONFIG_CONTIG) return TIFFReadScanline(tiff_, row, uint32_t(next_), 0) >= 0;
    const size_t sample = size_t(info_.depth) / 8;
    plane_.resize(size_t(info_.width) * sample);
    for (int32_t k = 0; k < info_.planes; ++k) {
      if (TIFFReadScanline(tiff_, plane_.data(), uint32_t(next_), uint16_t(k)) < 0) return false;
      for (size_t x = 0; x < size_t(info_.width); ++x)
        std::memcpy(row + (x * size_t(info_.planes) + size_t(k)) * sample, &plane_[x * sample], sample);
    }
    return true;
  }

  // Tiles are read a row of tiles at a time into a band, which serves the rows it spans.
  bool ReadTiledRow(uint8_t* row) {
    uint32_t tileWidth = 0, tileLength = 0;
    TIFFGetField(tiff_, TIFFTAG_TILEWIDTH, &tileWidth);
    TIFFGetField(tiff_, TIFFTAG_TILELENGTH, &tileLength);
    if (tileWidth == 0 || tileLength == 0 || tileLength > 65536) return false;
    const size_t sample = size_t(info_.depth) / 8, rowBytes = info_.RowBytes();
    const uint32_t bandTop = uint32_t(next_) / tileLength * tileLength;
    if (band_.empty() || bandTop != bandTop_) {
      band_.assign(rowBytes * tileLength, 0);
      tile_.resize(size_t(TIFFTileSize(tiff_)));
      const int32_t passes = planar_ == PLANARCONFIG_CONTIG ? 1 : info_.planes;
      const size_t tileSamples = planar_ == PLANARCONFIG_CONTIG ? size_t(info_.planes) : 1;
      for (int32_t k = 0; k < passes; ++k)
        for (uint32_t x0 = 0; x0 < uint32_t(info_.width); x0 += tileWidth) {
          if (TIFFReadTile(tiff_, tile_.data(), x0, bandTop, 0, uint16_t(k)) < 0) return false;
          const uint32_t w = std::min(tileWidth, uint32_t(info_.width) - x0);
          for (uint32_t y = 0; y < tileLength; ++y)
            for (uint32_t x = 0; x < w; ++x)
              std::memcpy(&band_[y * rowBytes + ((x0 + x) * size_t(info_.planes) + size_t(k)) * sample],
                          &tile_[(size_t(y) * tileWidth + x) * tileSamples * sample], tileSamples * sample);
        }
      bandTop_ = bandTop;
    }
    std::memcpy(row, &band_[(uint32_t(next_) - bandTop_) * rowBytes], rowBytes);
    return true;
  }

  TIFF* tiff_ = nullptr;
  PictureInfo info_;
  uint16_t planar_ = PLANARCONFIG_CONTIG;
  bool tiled_ = false;
  bool signedLab_ = false;
  int32_t next_ = 0;
  std::vector<uint8_t> plane_, band_, tile_;
  uint32_t bandTop_ = 0;
};

class TiffWriter final : public PictureWriter {
 public:
  TiffWriter() = default;
  TiffWriter(const TiffWriter&) = delete;
  TiffWriter& operator=(const TiffWriter&) = delete;
  ~TiffWriter() override {
    if (tiff_ != nullptr) TIFFClose(tiff_);
  }

  bool Open(const std::string& path, const PictureInfo& info, const RunOptions& options,
            std::string& error) {
    InstallTiffHandlers();
    info_ = info;
    // Classic TIFF addresses 4 GB; larger pictures (with room for the strip tables) go BigTIFF.
    const bool big = uint64_t(info.RowBytes()) * uint64_t(info.height) > (uint64_t(3) << 30);
    tiff_ = TIFFOpen(path.c_str(), big ? "w8" : "w");
    if (tiff_ == nullptr) {
      error = TiffReason("cannot create the file");
      return false;
    }
    int32_t colours = 1;
    uint16_t photometric = PHOTOMETRIC_MINISBLACK;
    if (info.colour == PictureColour::kCmyk) {
      colours = 4;
      photometric = PHOTOMETRIC_SEPARATED;
      TIFFSetField(tiff_, TIFFTAG_INKSET, INKSET_CMYK);
    } else if (info.colour == PictureColour::kLab) {
      colours = 3;
      photometric = PHOTOMETRIC_CIELAB;
    } else if (info.colour != PictureColour::kGrey && info.planes >= 3) {
      colours = 3;
      photometric = PHOTOMETRIC_RGB;
    }
    TIFFSetField(tiff_, TIFFTAG_IMAGEWIDTH, uint32_t(info.width));
    TIFFSetField(tiff_, TIFFTAG_IMAGELENGTH, uint32_t(info.height));
    TIFFSetField(tiff_, TIFFTAG_BITSPERSAMPLE, uint16_t(info.depth));
    TIFFSetField(tiff_, TIFFTAG_SAMPLESPERPIXEL, uint16_t(info.planes));
    TIFFSetField(tiff_, TIFFTAG_PHOTOMETRIC, photometric);
    TIFFSetField(tiff_, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    if (info.planes > colours) {
      // The first extra channel is transparency, as a PNG's alpha; the rest are unnamed.
      std::vector<uint16_t> kinds(size_t(info.planes - colours), EXTRASAMPLE_UNSPECIFIED);
      kinds[0] = EXTRASAMPLE_UNASSALPHA;
      TIFFSetField(tiff_, TIFFTAG_EXTRASAMPLES, uint16_t(kinds.size()), kinds.data());
    }
    uint16_t compression = COMPRESSION_ADOBE_DEFLATE;
    const uint16_t kept = info.tiffCompression;
    if (kept == COMPRESSION_NONE || kept == COMPRESSION_LZW || kept == COMPRESSION_PACKBITS ||
        kept == COMPRESSION_DEFLATE || kept == COMPRESSION_ADOBE_DEFLATE)
      compression = kept;
    TIFFSetField(tiff_, TIFFTAG_COMPRESSION, compression);
    if (compression == COMPRESSION_LZW || compression == COMPRESSION_ADOBE_DEFLATE ||
        compression == COMPRESSION_DEFLATE) {
      TIFFSetField(tiff_, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    }
    if (compression == COMPRESSION_ADOBE_DEFLATE || compression == COMPRESSION_DEFLATE) {
      const int level = options.compression == kCompressionFast   ? 1
                        : options.compression == kCompressionBest ? 9
                                                                  : 6;
      TIFFSetField(tiff_, TIFFTAG_ZIPQUALITY, level);
    }
    // Strips of about 256 KB: small enough to stream, large enough to compress well.
    rowsPerStrip_ =
        std::max<int32_t>(1, int32_t(std::min<size_t>(size_t(info.height), (size_t(256) << 10) / std::max<size_t>(1, info.RowBytes()))));
    TIFFSetField(tiff_, TIFFTAG_ROWSPERSTRIP, uint32_t(rowsPerStrip_));
    if (info.ppiX > 0 && info.ppiY > 0) {
      TIFFSetField(tiff_, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
      TIFFSetField(tiff_, TIFFTAG_XRESOLUTION, float(info.ppiX));
      TIFFSetField(tiff_, TIFFTAG_YRESOLUTION, float(info.ppiY));
    }
    if (!info.iccProfile.empty())
      TIFFSetField(tiff_, TIFFTAG_ICCPROFILE, uint32_t(info.iccProfile.size()), info.iccProfile.data());
    strip_.resize(info.RowBytes() * size_t(rowsPerStrip_));
    return true;
  }

  // Rows gather into a strip that is encoded whole: libtiff then compresses it in one call
  // (with libdeflate, where it has it, several times faster than row by row through zlib).
  bool WriteRows(const uint8_t* rows, int32_t count, std::string& error) override {
    const size_t rowBytes = info_.RowBytes();
    if (count < 0 || next_ + filled_ + count > info_.height) {
      error = "more rows than the picture has";
      return false;
    }
    for (int32_t i = 0; i < count; ++i) {
      uint8_t* row = &strip_[size_t(filled_) * rowBytes];
      std::memcpy(row, rows + size_t(i) * rowBytes, rowBytes);
      if (info_.depth == 16) {
        auto* samples = reinterpret_cast<uint16_t*>(row);
        HostRowToFile16(samples, samples, rowBytes / 2);
      }
      if (info_.colour == PictureColour::kLab)
        SignedLabToHost(row, size_t(info_.width), info_.planes, info_.depth);
      ++filled_;
      if ((filled_ == rowsPerStrip_ || next_ + filled_ == info_.height) && !WriteStrip(error)) return false;
    }
    return true;
  }

  bool Finish(std::string& error) override {
    if (filled_ > 0 && !WriteStrip(error)) return false;
    const bool flushed = TIFFFlush(tiff_) == 1;
    TIFFClose(tiff_);
    tiff_ = nullptr;
    if (!flushed) error = TiffReason("the file cannot be completed");
    return flushed;
  }

 private:
  bool WriteStrip(std::string& error) {
    const tmsize_t bytes = tmsize_t(size_t(filled_) * info_.RowBytes());
    if (TIFFWriteEncodedStrip(tiff_, uint32_t(next_ / rowsPerStrip_), strip_.data(), bytes) < 0) {
      error = TiffReason("a row cannot be written");
      return false;
    }
    next_ += filled_;
    filled_ = 0;
    return true;
  }

  TIFF* tiff_ = nullptr;
  PictureInfo info_;
  std::vector<uint8_t> strip_;
  int32_t rowsPerStrip_ = 1, filled_ = 0, next_ = 0;  // next_: the first row of the strip being filled
};

}  // namespace

std::unique_ptr<PictureReader> OpenTiffReader(const std::string& path, PictureInfo& info,
                                              std::string& error) {
  auto reader = std::make_unique<TiffReader>();
  if (!reader->Open(path, info, error)) return nullptr;
  return reader;
}

std::unique_ptr<PictureWriter> OpenTiffWriter(const std::string& path, const PictureInfo& info,
                                              const RunOptions& options, std::string& error) {
  auto writer = std::make_unique<TiffWriter>();
  if (!writer->Open(path, info, options, error)) return nullptr;
  return writer;
}
