// The command line of runfilter: what a user asks for, checked before any file is touched.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host_interface.h"

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
  // Settings, as the dialog shows them. Unset ones keep the plug-in's defaults.
  int32_t horizontalGap = -1, verticalGap = -1;
  int32_t horizontalThickness = -1, verticalThickness = -1;
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

// Names of image modes as --mode takes them, and of their 16-bit forms; "" for any other.
std::string ModeName(int16_t mode);
