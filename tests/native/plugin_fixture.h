// Common set-up of the native tests: a freshly "loaded" module and one test host.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "params/parameters.h"
#include "run/selectors.h"
#include "run/entry.h"
#include "shell/handles.h"
#include "shell/module_state.h"
#include "shell/platform_native.h"
#include "tools/testhost/test_host.h"
#include "ui/dialog_native.h"

class PluginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetModuleState();
    ResetNativePlatform();
    SetDialogStandIn(nullptr);
    host = std::make_unique<TestHost>(&ENTRYPOINT);
  }
  void TearDown() override {
    if (!host) return;
    EXPECT_EQ(host->counters.badHandleOps, 0) << "the plug-in used a handle the host never made";
    EXPECT_EQ(host->counters.bufferOverruns, 0) << "the plug-in wrote outside a host buffer";
    host.reset();
    SetDialogStandIn(nullptr);
  }

  FilterParameters* Block() { return ParametersOf(&host->record); }
  InvocationContext* Context() {
    if (host->dataSlot == 0) return nullptr;
    return reinterpret_cast<InvocationContext*>(*reinterpret_cast<Handle>(host->dataSlot));
  }

  std::unique_ptr<TestHost> host;
};
