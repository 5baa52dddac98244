// One run of a filter module through the in-process host, as a host's menu or an action
// replay drives it. Platform-free: the module is already loaded.
#pragma once

#include <cstdint>
#include <string>

#include "tools/runfilter/options.h"
#include "tools/testhost/test_host.h"

// The image mode for a file of `channels` channels at `depth` bits: --mode, or from the
// channel count; at 16 bits the mode's 16-bit form.
bool ChooseImageMode(const RunOptions& options, int32_t channels, int32_t depth, int16_t& mode,
                     std::string& error);

// The 16-bit form of an 8-bit mode; -1 for one without.
int16_t DeepMode(int16_t mode);

// Checks what the host would refuse before calling the plug-in: the image size and --rect.
bool CheckImageFits(const RunOptions& options, const HostImage& image, std::string& error);

// Runs About, or Parameters (with --dialog), Prepare, Start, Continue and Finish over `image`
// with the settings as a scripting descriptor. On success `image` holds the result; otherwise
// it is untouched and `error` says why. With a `stream`, `image` gives only the picture's
// size, planes and depth, and the pixels flow through the stream (see TestHost::SetStream).
struct RunStats {
  int32_t strips = 0;  // output rectangles delivered
  int32_t advanceStateCalls = 0;
  int32_t progressCalls = 0;
};
bool RunPlugin(PluginEntry entry, const RunOptions& options, int16_t mode, HostImage& image,
               void (*progress)(int32_t done, int32_t total), RunStats& stats, std::string& error,
               RowStream* stream = nullptr);
bool RunAbout(PluginEntry entry, std::string& error);

// What a streamed run may hand over at once, and the error of one whose requests went back.
constexpr int64_t kStreamedBytes = int64_t(16) << 20;
constexpr const char* kOutOfOrder = "the plug-in asked for rows already written";

// "user cancelled (-128)" and the like.
std::string ResultText(int16_t result);

// The progress bar's text for done of total into line, and its length; 0 when the percentage
// is the one *shown already (which it then becomes).
int FormatProgress(int32_t done, int32_t total, int* shown, char (&line)[64]);
