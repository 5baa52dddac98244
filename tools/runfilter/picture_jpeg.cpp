// JPEG through libjpeg: 8-bit grey, RGB and CMYK, with density and ICC segments both ways.
// CMYK as the host writes it: an Adobe marker and samples stored inverted, which are turned
// back into ink amounts here. libjpeg reports errors by longjmp (see the PNG file).
#include <cstdio>
// jpeglib.h needs size_t and FILE first.
#include <jpeglib.h>
#include <jerror.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include "tools/runfilter/picture_io.h"

namespace {

struct JpegError {
  jpeg_error_mgr manager{};  // first, so that the library's pointer to it is one to this
  std::jmp_buf jump{};
  char message[JMSG_LENGTH_MAX] = {};
  bool truncated = false;
};

void OnJpegError(j_common_ptr common) {
  auto* error = reinterpret_cast<JpegError*>(common->err);
  common->err->format_message(common, error->message);
  std::longjmp(error->jump, 1);
}
// Warnings pass but for the end of the data: libjpeg pads the missing rows with grey.
void OnJpegMessage(j_common_ptr common, int level) {
  if (level < 0 && common->err->msg_code == JWRN_JPEG_EOF)
    reinterpret_cast<JpegError*>(common->err)->truncated = true;
}

void InstallErrors(JpegError& error) {
  jpeg_std_error(&error.manager);
  error.manager.error_exit = OnJpegError;
  error.manager.emit_message = OnJpegMessage;
}

class JpegReader final : public PictureReader {
 public:
  JpegReader() = default;
  JpegReader(const JpegReader&) = delete;
  JpegReader& operator=(const JpegReader&) = delete;
  ~JpegReader() override {
    if (created_) jpeg_destroy_decompress(&cinfo_);
    if (file_ != nullptr) std::fclose(file_);
    std::free(icc_);
  }

  bool Open(std::FILE* file, PictureInfo& out, std::string& error) {
    file_ = file;
    InstallErrors(error_);
    cinfo_.err = &error_.manager;
    if (!Start()) {
      error = std::string("corrupt image (") + error_.message + ")";
      return false;
    }
    out.width = int32_t(cinfo_.output_width);
    out.height = int32_t(cinfo_.output_height);
    out.planes = cinfo_.output_components;
    out.depth = 8;
    inverted_ = cinfo_.out_color_space == JCS_CMYK && cinfo_.saw_Adobe_marker;
    if (cinfo_.out_color_space == JCS_CMYK) out.colour = PictureColour::kCmyk;
    if (cinfo_.saw_JFIF_marker && cinfo_.X_density > 0 && cinfo_.Y_density > 0 &&
        cinfo_.density_unit != 0) {
      const double perInch = cinfo_.density_unit == 2 ? 2.54 : 1.0;  // 2: per centimetre
      out.ppiX = cinfo_.X_density * perInch;
      out.ppiY = cinfo_.Y_density * perInch;
    }
    if (icc_ != nullptr) out.iccProfile.assign(icc_, icc_ + iccSize_);
    rowBytes_ = out.RowBytes();
    return true;
  }

  bool ReadRows(uint8_t* rows, int32_t count, std::string& error) override {
    if (!Read(rows, count)) {
      error = std::string("corrupt image (") + error_.message + ")";
      return false;
    }
    if (inverted_)
      for (size_t i = 0; i < size_t(count) * rowBytes_; ++i) rows[i] = uint8_t(255 - rows[i]);
    return true;
  }

 private:
  bool Start() {
    if (setjmp(error_.jump)) return false;
    jpeg_create_decompress(&cinfo_);
    created_ = true;
    jpeg_stdio_src(&cinfo_, file_);
    jpeg_save_markers(&cinfo_, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(&cinfo_, TRUE);
    unsigned int size = 0;
    if (jpeg_read_icc_profile(&cinfo_, &icc_, &size)) iccSize_ = size;
    switch (cinfo_.jpeg_color_space) {
      case JCS_GRAYSCALE: cinfo_.out_color_space = JCS_GRAYSCALE; break;
      case JCS_CMYK:
      case JCS_YCCK: cinfo_.out_color_space = JCS_CMYK; break;
      default: cinfo_.out_color_space = JCS_RGB; break;
    }
    jpeg_start_decompress(&cinfo_);
    return true;
  }
  bool Read(uint8_t* rows, int32_t count) {
    if (setjmp(error_.jump)) return false;
    for (int32_t i = 0; i < count; ++i) {
      JSAMPROW row = rows + size_t(i) * rowBytes_;
      if (jpeg_read_scanlines(&cinfo_, &row, 1) != 1 || error_.truncated) {
        std::snprintf(error_.message, sizeof(error_.message), "the data ends early");
        return false;
      }
    }
    return true;
  }

  jpeg_decompress_struct cinfo_{};
  JpegError error_;
  bool created_ = false;
  std::FILE* file_ = nullptr;
  JOCTET* icc_ = nullptr;
  size_t iccSize_ = 0;
  size_t rowBytes_ = 0;
  bool inverted_ = false;
};

class JpegWriter final : public PictureWriter {
 public:
  JpegWriter() = default;
  JpegWriter(const JpegWriter&) = delete;
  JpegWriter& operator=(const JpegWriter&) = delete;
  ~JpegWriter() override {
    if (created_) jpeg_destroy_compress(&cinfo_);
    if (file_ != nullptr) std::fclose(file_);
  }

  bool Open(std::FILE* file, const PictureInfo& info, const RunOptions& options,
            std::string& error) {
    file_ = file;
    info_ = info;
    InstallErrors(error_);
    cinfo_.err = &error_.manager;
    row_.resize(size_t(info.width) * size_t(info.planes));
    if (!Start(options.quality)) {
      error = error_.message;
      return false;
    }
    return true;
  }

  bool WriteRows(const uint8_t* rows, int32_t count, std::string& error) override {
    if (!Write(rows, count)) {
      error = error_.message;
      return false;
    }
    return true;
  }

  bool Finish(std::string& error) override {
    if (!End()) {
      error = error_.message;
      return false;
    }
    const bool flushed = std::fflush(file_) == 0 && !std::ferror(file_);
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!flushed || !closed) error = std::strerror(errno);
    return flushed && closed;
  }

 private:
  bool Start(int quality) {
    if (setjmp(error_.jump)) return false;
    jpeg_create_compress(&cinfo_);
    created_ = true;
    jpeg_stdio_dest(&cinfo_, file_);
    cinfo_.image_width = JDIMENSION(info_.width);
    cinfo_.image_height = JDIMENSION(info_.height);
    cinfo_.input_components = info_.planes;
    cinfo_.in_color_space = info_.planes == 1 ? JCS_GRAYSCALE : info_.planes == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&cinfo_);
    jpeg_set_quality(&cinfo_, quality, TRUE);
    if (info_.ppiX > 0 && info_.ppiY > 0) {
      // libjpeg leaves the JFIF marker, which holds the density, out of CMYK files.
      cinfo_.write_JFIF_header = TRUE;
      cinfo_.density_unit = 1;
      cinfo_.X_density = UINT16(info_.ppiX + 0.5);
      cinfo_.Y_density = UINT16(info_.ppiY + 0.5);
    }
    jpeg_start_compress(&cinfo_, TRUE);
    if (!info_.iccProfile.empty())
      jpeg_write_icc_profile(&cinfo_, info_.iccProfile.data(), unsigned(info_.iccProfile.size()));
    return true;
  }
  bool Write(const uint8_t* rows, int32_t count) {
    if (setjmp(error_.jump)) return false;
    const size_t samples = row_.size();
    for (int32_t i = 0; i < count; ++i) {
      for (size_t k = 0; k < samples; ++k) {
        // 16-bit pictures go down to 8 bits; CMYK is stored inverted, as the Adobe marker says.
        uint32_t value = info_.depth == 16
                             ? (uint32_t(reinterpret_cast<const uint16_t*>(rows)[size_t(i) * samples + k]) * 255u + 16384u) / 32768u
                             : rows[size_t(i) * samples + k];
        if (info_.planes == 4) value = 255u - value;
        row_[k] = uint8_t(value);
      }
      JSAMPROW row = row_.data();
      jpeg_write_scanlines(&cinfo_, &row, 1);
    }
    return true;
  }
  bool End() {
    if (setjmp(error_.jump)) return false;
    jpeg_finish_compress(&cinfo_);
    return true;
  }

  jpeg_compress_struct cinfo_{};
  JpegError error_;
  bool created_ = false;
  std::FILE* file_ = nullptr;
  PictureInfo info_;
  std::vector<uint8_t> row_;
};

}  // namespace

std::unique_ptr<PictureReader> OpenJpegReader(std::FILE* file, PictureInfo& info, std::string& error) {
  auto reader = std::make_unique<JpegReader>();
  if (!reader->Open(file, info, error)) return nullptr;
  return reader;
}

std::unique_ptr<PictureWriter> OpenJpegWriter(std::FILE* file, const PictureInfo& info,
                                              const RunOptions& options, std::string& error) {
  auto writer = std::make_unique<JpegWriter>();
  if (!writer->Open(file, info, options, error)) return nullptr;
  return writer;
}
