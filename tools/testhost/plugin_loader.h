// Loads a built plug-in module and finds its entry point (Windows only).
#pragma once

#include <string>

#include "tools/testhost/test_host.h"

struct LoadedPlugin {
  void* module = nullptr;
  PluginEntry entry = nullptr;
  std::string error;
};

LoadedPlugin LoadPlugin(const std::string& path);
void UnloadPlugin(LoadedPlugin& plugin);
