// runfilter: a minimal host on the command line. Checks the module the way a host scanning
// its plug-in folder does (file machine, property list, entry point, enabled modes), then runs
// it over a picture file (PNG, JPEG, TIFF or BMP), the picture flowing in bands from file to
// file, and writes the result in the format its extension names, never leaving a partial
// output behind.
#include <windows.h>

#include <io.h>

#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "tools/runfilter/module_info.h"
#include "tools/runfilter/options.h"
#include "tools/runfilter/picture_io.h"
#include "tools/runfilter/run.h"
#include "tools/testhost/image_file.h"
#include "tools/testhost/plugin_loader.h"

namespace {

#if defined(__aarch64__)
constexpr uint16_t kOwnMachine = kMachineArm64;
constexpr const char* kOwnBits = "ARM64";
#elif defined(_WIN64)
constexpr uint16_t kOwnMachine = kMachineX64;
constexpr const char* kOwnBits = "64-bit";
#else
constexpr uint16_t kOwnMachine = kMachineX86;
constexpr const char* kOwnBits = "32-bit";
#endif

int Fail(const std::string& message, int code = 1) {
  std::fprintf(stderr, "runfilter: %s\n", message.c_str());
  return code;
}

std::string DefaultPluginPath() {
  char path[MAX_PATH * 2] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, DWORD(sizeof(path)));
  std::string folder(path, length < sizeof(path) ? length : 0);
  const size_t slash = folder.find_last_of("\\/");
  folder = slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
  return folder + "Corvane.8bf";
}

// Copies the first PiPL resource it is shown and stops the enumeration.
BOOL CALLBACK CopyFirstList(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR out) {
  auto* pipl = reinterpret_cast<std::vector<uint8_t>*>(out);
  HRSRC info = FindResourceA(module, name, type);
  HGLOBAL loaded = info != nullptr ? LoadResource(module, info) : nullptr;
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr) return TRUE;
  const auto* first = static_cast<const uint8_t*>(bytes);
  pipl->assign(first, first + SizeofResource(module, info));
  return FALSE;
}

// Reads the property list without running any of the module's code.
bool ReadPropertyList(const std::string& path, std::vector<uint8_t>& pipl, std::string& error) {
  HMODULE data = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (data == nullptr) {
    error = path + " cannot be opened as a module (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  pipl.clear();
  EnumResourceNamesA(data, "PIPL", &CopyFirstList, reinterpret_cast<LONG_PTR>(&pipl));
  FreeLibrary(data);
  if (pipl.empty()) {
    error = path + " has no plug-in property list (PiPL), so no host would list it";
    return false;
  }
  return true;
}

// The entry point the module declares for this process, once everything a host checks holds.
bool CheckModule(const std::string& path, PluginProperties& properties, std::string& entry,
                 std::string& error) {
  std::vector<uint8_t> file;
  if (!ReadFileBytes(path, file, error)) return false;
  uint16_t machine = 0;
  if (!ReadPeMachine(file, machine)) {
    error = path + " is not a Windows module";
    return false;
  }
  if (machine != kOwnMachine) {
    const bool x86 = machine == kMachineX86, x64 = machine == kMachineX64,
               arm64 = machine == kMachineArm64;
    error = path + " is " +
            (x86 ? "a 32-bit" : x64 ? "a 64-bit" : arm64 ? "an ARM64" : "another architecture's") +
            " module and this runfilter is " + kOwnBits +
            (x86 || x64 || arm64
                 ? std::string("; use ") + (x86 ? "x86" : x64 ? "x64" : "arm64") + "\\runfilter.exe"
                 : "");
    return false;
  }
  std::vector<uint8_t> pipl;
  if (!ReadPropertyList(path, pipl, error)) return false;
  std::string why;
  if (!ParsePluginProperties(pipl, properties, why)) {
    error = path + ": " + why;
    return false;
  }
  if (properties.kind != FourCC("8BFM")) {
    error = path + " is not a filter module (its kind is " + FourCCText(properties.kind) + ")";
    return false;
  }
  entry = kOwnMachine == kMachineArm64 ? properties.entryArm64
          : kOwnMachine == kMachineX64  ? properties.entryX64
                                        : properties.entryX86;
  if (entry.empty()) {
    error = path + " names no " + kOwnBits + " entry point in its property list";
    return false;
  }
  return true;
}

bool StderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

int lastPercent = -1;

void DrawProgress(int32_t done, int32_t total) {
  // One write per redraw: stderr's stream writes an unbuffered line character by character.
  char line[64];
  const int length = FormatProgress(done, total, &lastPercent, line);
  if (length > 0) _write(_fileno(stderr), line, unsigned(length));
}

void ClearProgress() {
  if (lastPercent < 0) return;
  char blank[52];
  std::snprintf(blank, sizeof(blank), "\r%49s\r", "");
  _write(_fileno(stderr), blank, unsigned(sizeof(blank) - 1));
}

}  // namespace

int Main(int argc, char** argv) {
  RunOptions options;
  std::string error;
  if (!ParseOptions(std::vector<std::string>(argv + 1, argv + argc), options, error))
    return Fail(error, 2);
  if (options.help) {
    std::fputs(UsageText().c_str(), stdout);
    return 0;
  }
  const std::string pluginPath = options.plugin.empty() ? DefaultPluginPath() : options.plugin;

  // The picture's header first: a bad file is reported before any module code runs.
  PictureInfo info;
  int16_t mode = 0;
  if (!options.about) {
    if (OpenPictureReader(options.input, info, error) == nullptr) return Fail(options.input + ": " + error);
    if (!ChoosePictureMode(options, info, mode, error) ||
        !CheckImageFits(options, PictureShape(info), error))
      return Fail(error);
  }

  PluginProperties properties;
  std::string entryName;
  if (!CheckModule(pluginPath, properties, entryName, error)) return Fail(error);
  if (!options.about && !ModeEnabled(properties, mode)) {
    return Fail(pluginPath + " does not enable " + ModeName(mode) + " images in its property list");
  }
  LoadedPlugin plugin = LoadPlugin(pluginPath, entryName);
  if (plugin.module == nullptr || plugin.entry == nullptr) {
    const std::string why = plugin.error;
    UnloadPlugin(plugin);
    return Fail("cannot load " + pluginPath + ": " + why);
  }

  bool ran = false;
  RunStats stats;
  if (options.about) {
    ran = RunAbout(plugin.entry, error);
  } else {
    const bool bar = !options.quiet && StderrIsTerminal();
    ran = FilterPictureFile(plugin.entry, options, bar ? &DrawProgress : nullptr, stats, mode,
                            info, error);
    ClearProgress();
  }
  UnloadPlugin(plugin);
  if (!ran) return Fail(error);
  if (options.verbose && !options.about) {
    std::printf("%s: %d x %d %s; strips: %d, advanceState calls: %d, progress calls: %d\n",
                options.output.c_str(), info.width, info.height, ModeName(mode).c_str(),
                stats.strips, stats.advanceStateCalls, stats.progressCalls);
  }
  return 0;
}

int main(int argc, char** argv) {
  // A picture the memory cannot hold is reported, never a crash; the output is written last,
  // so none is left behind.
  try {
    return Main(argc, argv);
  } catch (const std::bad_alloc&) {
    return Fail("not enough memory for this picture");
  }
}
