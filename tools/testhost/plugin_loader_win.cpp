#include <windows.h>

#include "tools/testhost/plugin_loader.h"

LoadedPlugin LoadPlugin(const std::string& path, const std::string& entryName) {
  LoadedPlugin plugin;
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) {
    plugin.error = "LoadLibrary failed with error " + std::to_string(GetLastError());
    return plugin;
  }
  plugin.module = module;
  plugin.entry = reinterpret_cast<PluginEntry>(
      reinterpret_cast<void*>(GetProcAddress(module, entryName.c_str())));
  if (plugin.entry == nullptr) plugin.error = entryName + " is not exported";
  return plugin;
}

void UnloadPlugin(LoadedPlugin& plugin) {
  if (plugin.module != nullptr) FreeLibrary(static_cast<HMODULE>(plugin.module));
  plugin = LoadedPlugin{};
}
