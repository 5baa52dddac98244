// The command line of runfilter: what a user asks for, checked before any file is touched.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "host_interface.h"

inline const double kUnsetLength = std::numeric_limits<double>::quiet_NaN();

struct RunOptions {
  std::string input;
  std::string output;
  std::string plugin;  // empty: Corvane.8bf beside the program
  bool about = false;
  bool help = false;
  bool quiet = false;
  bool dialog = false;
  bool verbose = false;  // say how the plug-in took the image
  // Image mode; -1 takes it from the file's channels.
  int16_t mode = -1;
  // Settings, as the dialog shows them. Unset ones keep the plug-in's defaults. Lengths are in
  // `unit` (GridUnit; pixels unless --unit says otherwise), NaN when unset.
  uint8_t unit = 0;
  bool unitGiven = false;
  double horizontalGap = kUnsetLength, verticalGap = kUnsetLength;
  double horizontalThickness = kUnsetLength, verticalThickness = kUnsetLength;
  double horizontalOffset = kUnsetLength, verticalOffset = kUnsetLength;
  double minorThickness = kUnsetLength;
  double dash = kUnsetLength, dashGap = kUnsetLength;
  int32_t rows = -1, columns = -1;      // 1..1000 cells, -1: unset
  bool frame = false;
  int32_t subdivisions = -1;            // 1..100, -1: unset
  int32_t lineStyle = -1;               // LineStyle, -1: unset
  bool minorColourGiven = false;
  uint8_t minorRed = 0, minorGreen = 0, minorBlue = 0;
  int32_t minorOpacity = -1;            // 1..100, -1: unset
  double ppiH = 0, ppiV = 0;            // --ppi; 0: the file's, else 72
  uint32_t colour = 0;     // 'moD0'..'moD4', 0: unset
  uint8_t red = 0, green = 0, blue = 0;  // of 'moD4'
  int32_t opacity = -1;    // 1..100, -1: unset
  int32_t alignment = -1;  // 0 top, 1 centre, 2 bottom
  bool remove = false;
  bool ignoreZero = true;
  // Host behaviour
  bool hasRect = false;
  VRect rect{};
  int32_t maxSpace = -1;  // -1: the host's usual offer
  bool advanceState = true;
  // Files
  int32_t quality = 92;  // JPEG, 1..100
  int32_t compression = 1;  // kCompression...
};

constexpr int32_t kCompressionFast = 0, kCompressionDefault = 1, kCompressionBest = 2;

// False with a one-line reason naming the flag when the command line is not usable.
bool ParseOptions(const std::vector<std::string>& args, RunOptions& options, std::string& error);

// The --help text.
std::string UsageText();

// The points in one `unit` (GridUnit, a physical one); 0 for pixels and percent.
double PointsPerUnit(uint8_t unit);

// Names of image modes as --mode takes them, and of their 16-bit forms; "" for any other.
std::string ModeName(int16_t mode);
