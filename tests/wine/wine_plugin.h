// Finds and loads the built module for the Windows tests.
#pragma once

#include <cstdlib>
#include <string>

#include "tools/testhost/plugin_loader.h"

// CORVANE_PLUGIN names the module; otherwise dist/<arch>/Corvane.8bf from the working folder.
inline std::string PluginPath() {
  const char* env = std::getenv("CORVANE_PLUGIN");
  if (env != nullptr && *env != '\0') return env;
  return std::string("dist\\") + CORVANE_ARCH_NAME + "\\Corvane.8bf";
}
