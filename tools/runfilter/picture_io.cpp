#include "tools/runfilter/picture_io.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "tools/runfilter/run.h"
#include "tools/testhost/image_file.h"
#include "tools/testhost/png_writer.h"

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

bool ReadPicture(const std::string& path, Picture& picture, std::string& error) {
  std::vector<uint8_t> bytes;
  if (!ReadFileBytes(path, bytes, error)) return false;
  picture.format = FormatOfBytes(bytes.data(), bytes.size());
  return DecodeImage(bytes, picture.image, error);
}

bool ChoosePictureMode(const RunOptions& options, const Picture& picture, int16_t& mode,
                       std::string& error) {
  RunOptions chosen = options;
  if (chosen.mode < 0 && picture.colour == PictureColour::kCmyk) chosen.mode = plugInModeCMYKColor;
  if (chosen.mode < 0 && picture.colour == PictureColour::kLab) chosen.mode = plugInModeLabColor;
  return ChooseImageMode(chosen, picture.image.planes, picture.image.depth, mode, error);
}

bool WritePictureAtomically(const std::string& path, const Picture& picture,
                            const RunOptions& /*options*/, std::string& error) {
  const std::string temporary = path + ".part" + std::to_string(getpid());
  std::string why;
  if (!WritePngImage(temporary, picture.image, why)) {
    std::remove(temporary.c_str());
    const size_t reason = why.rfind(": ");  // the cause, without the temporary name
    error = "cannot write " + path + (reason != std::string::npos ? why.substr(reason) : "");
    return false;
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}
