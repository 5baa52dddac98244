// Loads a built plug-in module and finds its entry point (Windows only).
#pragma once

#include <string>

#include "tools/testhost/test_host.h"

struct LoadedPlugin {
  void* module = nullptr;
  PluginEntry entry = nullptr;
  std::string error;
};

// `entryName` is the export the module's property list names.
LoadedPlugin LoadPlugin(const std::string& path, const std::string& entryName = "ENTRYPOINT");
void UnloadPlugin(LoadedPlugin& plugin);
