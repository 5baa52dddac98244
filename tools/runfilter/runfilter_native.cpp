// runfilter for Linux: the filter's core is linked in and called through the same host and the
// same entry point a loaded module offers, so strips, scripting and colour resolution run as in
// the .8bf. Reads a picture file, writes the result beside the output and renames it at the
// end, so OUTPUT is the whole image or untouched.
#include <unistd.h>

#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "run/entry.h"
#include "tools/runfilter/options.h"
#include "tools/runfilter/picture_io.h"
#include "tools/runfilter/run.h"

namespace {

int Fail(const std::string& message, int code = 1) {
  std::fprintf(stderr, "runfilter: %s\n", message.c_str());
  return code;
}

int lastPercent = -1;

void DrawProgress(int32_t done, int32_t total) {
  char line[64];
  const int length = FormatProgress(done, total, &lastPercent, line);
  if (length > 0 && write(STDERR_FILENO, line, size_t(length)) < 0) lastPercent = -1;
}

void ClearProgress() {
  if (lastPercent < 0) return;
  char blank[52];
  std::snprintf(blank, sizeof(blank), "\r%49s\r", "");
  if (write(STDERR_FILENO, blank, sizeof(blank) - 1) < 0) lastPercent = -1;
}

int Main(int argc, char** argv) {
  RunOptions options;
  std::string error;
  if (!ParseOptions(std::vector<std::string>(argv + 1, argv + argc), options, error))
    return Fail(error, 2);
  if (options.help) {
    std::fputs(UsageText().c_str(), stdout);
    return 0;
  }
  // The filter is built in: there is no module to choose and no screen for its windows.
  if (!options.plugin.empty())
    return Fail("--plugin is for the Windows runfilter; this one has the filter built in", 2);
  if (options.dialog || options.about)
    return Fail(std::string(options.dialog ? "--dialog" : "--about") +
                    " needs a screen; use the Windows runfilter", 2);

  RunStats stats;
  int16_t mode = 0;
  PictureInfo info;
  const bool bar = !options.quiet && isatty(STDERR_FILENO) != 0;
  const bool done = FilterPictureFile(&ENTRYPOINT, options, bar ? &DrawProgress : nullptr, stats,
                                      mode, info, error);
  ClearProgress();
  if (!done) return Fail(error);
  if (options.verbose) {
    std::printf("%s: %d x %d %s; strips: %d, advanceState calls: %d, progress calls: %d\n",
                options.output.c_str(), info.width, info.height,
                ModeName(mode).c_str(), stats.strips, stats.advanceStateCalls, stats.progressCalls);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // A picture the memory cannot hold is reported, never a crash; the output is written last.
  try {
    return Main(argc, argv);
  } catch (const std::bad_alloc&) {
    return Fail("not enough memory for this picture");
  }
}
