// Picture files for runfilter: the pixels as the host holds them plus what the file says
// around them (resolution, colour profile, colour kind, compression), so that the output
// carries them on, in whichever format its extension names. Readers and writers work a band
// of rows at a time, so a picture need never be held whole.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tools/runfilter/options.h"
#include "tools/testhost/test_host.h"

enum class PictureFormat { kUnknown, kPng, kBmp, kJpeg, kTiff };

// The colour kind a file states; kDefault leaves the mode to the channel count.
enum class PictureColour { kDefault, kGrey, kCmyk, kLab };

// What a file says about its picture. Rows are the host's: `planes` interleaved samples per
// pixel, one byte each at depth 8, a native uint16_t in 0..32768 at depth 16.
struct PictureInfo {
  int32_t width = 0, height = 0, planes = 0, depth = 8;
  PictureFormat format = PictureFormat::kUnknown;
  PictureColour colour = PictureColour::kDefault;
  double ppiX = 0, ppiY = 0;  // 0: the file states none
  std::vector<uint8_t> iccProfile;
  uint16_t tiffCompression = 0;  // the input TIFF's scheme, carried to a TIFF output; 0: none

  size_t RowBytes() const { return size_t(width) * size_t(planes) * (depth == 16 ? 2u : 1u); }
};

class PictureReader {
 public:
  virtual ~PictureReader() = default;
  // The next `count` rows, top to bottom. False with a one-line reason.
  virtual bool ReadRows(uint8_t* rows, int32_t count, std::string& error) = 0;
};

class PictureWriter {
 public:
  virtual ~PictureWriter() = default;
  virtual bool WriteRows(const uint8_t* rows, int32_t count, std::string& error) = 0;
  // After the last row: the file is complete once this answers true.
  virtual bool Finish(std::string& error) = 0;
};

// The format named by a path's extension (case ignored).
PictureFormat FormatOfPath(const std::string& path);
// "PNG", "JPEG", ...
const char* FormatName(PictureFormat format);
// The format a file's first bytes show; kUnknown for none we read.
PictureFormat FormatOfBytes(const uint8_t* bytes, size_t size);

// Opens `path` and reads its header into `info`; null with a one-line reason (the path not
// repeated) for a file that cannot be read, a kind we do not take, or a picture too large.
std::unique_ptr<PictureReader> OpenPictureReader(const std::string& path, PictureInfo& info,
                                                 std::string& error);
// Creates `path` in `format` for a picture as `info` says; null with a reason.
std::unique_ptr<PictureWriter> OpenPictureWriter(const std::string& path, PictureFormat format,
                                                 const PictureInfo& info,
                                                 const RunOptions& options, std::string& error);
// Whether `format` can hold the picture as `info` says; false with a reason.
bool CheckWritable(PictureFormat format, const PictureInfo& info, std::string& error);

// The libraries' readers and writers, one per format (picture_png.cpp, ...). Each takes an
// open file and owns it from then on.
std::unique_ptr<PictureReader> OpenPngReader(std::FILE* file, PictureInfo& info, std::string& error);
std::unique_ptr<PictureReader> OpenJpegReader(std::FILE* file, PictureInfo& info, std::string& error);
std::unique_ptr<PictureReader> OpenTiffReader(const std::string& path, PictureInfo& info, std::string& error);
std::unique_ptr<PictureWriter> OpenPngWriter(std::FILE* file, const PictureInfo& info,
                                             const RunOptions& options, std::string& error);
std::unique_ptr<PictureWriter> OpenJpegWriter(std::FILE* file, const PictureInfo& info,
                                              const RunOptions& options, std::string& error);
std::unique_ptr<PictureWriter> OpenTiffWriter(const std::string& path, const PictureInfo& info,
                                              const RunOptions& options, std::string& error);

// A whole picture in memory.
struct Picture {
  PictureInfo info;
  HostImage image;
};
bool ReadPicture(const std::string& path, Picture& picture, std::string& error);

// The image mode for the picture: --mode, else the file's colour kind, else the channels.
bool ChoosePictureMode(const RunOptions& options, const PictureInfo& info, int16_t& mode,
                       std::string& error);

// Writes beside `path` and renames at the end, so `path` is the whole picture or untouched;
// the format follows the extension.
bool WritePictureAtomically(const std::string& path, const Picture& picture,
                            const RunOptions& options, std::string& error);

// The picture's size, planes and depth as the host holds them, without pixels.
HostImage PictureShape(const PictureInfo& info);

// Runs the filter over the picture at `input` and writes the result to `output`, the picture
// flowing in bands from the decoder through the host to the encoder; a plug-in that asks
// for rows out of order gets the picture held whole instead. The output is written beside
// `output` and renamed at the end, so it is the whole result or untouched. False with a
// one-line reason.
struct RunStats;
bool FilterPictureFile(PluginEntry entry, const RunOptions& options,
                       void (*progress)(int32_t done, int32_t total), RunStats& stats,
                       int16_t& mode, PictureInfo& info, std::string& error);

// Between a file's 16-bit samples and the host's.
void FileRowToHost16(const uint16_t* file, uint16_t* host, size_t count);
void HostRowToFile16(const uint16_t* host, uint16_t* file, size_t count);
