// Picture files for runfilter: the pixels as the host holds them plus what the file says
// around them (resolution, colour profile, colour kind, compression), so that the output
// carries them on, in whichever format its extension names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/runfilter/options.h"
#include "tools/testhost/test_host.h"

enum class PictureFormat { kUnknown, kPng, kBmp, kJpeg, kTiff };

// The colour kind a file states; kDefault leaves the mode to the channel count.
enum class PictureColour { kDefault, kCmyk, kLab };

struct Picture {
  HostImage image;
  PictureFormat format = PictureFormat::kUnknown;
  PictureColour colour = PictureColour::kDefault;
  double ppiX = 0, ppiY = 0;  // 0: the file states none
  std::vector<uint8_t> iccProfile;
  uint16_t tiffCompression = 0;  // the input TIFF's scheme, carried to a TIFF output
};

// The format named by a path's extension (case ignored).
PictureFormat FormatOfPath(const std::string& path);
// The format a file's first bytes show; kUnknown for none we read.
PictureFormat FormatOfBytes(const uint8_t* bytes, size_t size);

// Reads the whole picture. False with a one-line reason (the path is not repeated).
bool ReadPicture(const std::string& path, Picture& picture, std::string& error);

// The image mode for the picture: --mode, else the file's colour kind, else the channels.
bool ChoosePictureMode(const RunOptions& options, const Picture& picture, int16_t& mode,
                       std::string& error);

// Writes beside `path` and renames at the end, so `path` is the whole picture or untouched;
// the format follows the extension.
bool WritePictureAtomically(const std::string& path, const Picture& picture,
                            const RunOptions& options, std::string& error);
