// Finds and loads the built module for the Windows tests.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "tools/testhost/plugin_loader.h"

// CORVANE_PLUGIN names the module; otherwise dist/<arch>/Corvane.8bf from the working folder.
inline std::string PluginPath() {
  const char* env = std::getenv("CORVANE_PLUGIN");
  if (env != nullptr && *env != '\0') return env;
  return std::string("dist\\") + CORVANE_ARCH_NAME + "\\Corvane.8bf";
}

// The user's store of the last grid, emptied before each test so none sees another's.
constexpr char kGridStoreKey[] = "Software\\Vodrin\\Corvane";

// Loads the module before each test and unloads it after.
class LoadedPluginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteKeyA(HKEY_CURRENT_USER, kGridStoreKey);
    plugin = LoadPlugin(PluginPath());
    ASSERT_NE(plugin.module, nullptr) << PluginPath() << ": " << plugin.error;
    ASSERT_NE(plugin.entry, nullptr) << plugin.error;
  }
  void TearDown() override { UnloadPlugin(plugin); }
  LoadedPlugin plugin;
};
