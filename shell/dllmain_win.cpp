#include <windows.h>

#include "shell/module_state.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    moduleInstance = instance;
#ifdef CORVANE_PIN_MODULE
    // The ARM64 build's C++ runtime registers a per-thread cleanup with the fiber-local storage
    // and leaves it there when the module is unloaded; the host's exit would then call into
    // freed code. Pinned, the module stays loaded until the process ends.
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                       reinterpret_cast<LPCWSTR>(&moduleInstance), &self);
#endif
  }
  return TRUE;
}
