// Windows platform layer: moveable global memory kept locked for the fallback handles,
// and the About box.
#include <windows.h>

#include "resources/resource_ids.h"
#include "shell/module_state.h"
#include "shell/platform.h"

void* PlatformAllocBlock(size_t size) noexcept {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size == 0 ? 1 : size);
  if (block == nullptr) return nullptr;
  // Locked from creation to disposal, so the address never moves.
  void* address = GlobalLock(block);
  if (address == nullptr) GlobalFree(block);
  return address;
}

void PlatformFreeBlock(void* address) noexcept {
  if (address == nullptr) return;
  HGLOBAL block = GlobalHandle(address);
  if (block == nullptr) return;
  GlobalUnlock(block);
  GlobalFree(block);
}

void PlatformShowAbout(intptr_t ownerWindow) noexcept {
  char text[256] = {};
  char caption[60] = {};
  auto instance = static_cast<HINSTANCE>(moduleInstance);
  LoadStringA(instance, IDS_ABOUT_TEXT, text, 255);
  LoadStringA(instance, IDS_ABOUT_CAPTION, caption, 60);
  // A handle that is no window (stale, or garbage from the host) would make the box fail
  // silently; show it unowned instead.
  HWND owner = reinterpret_cast<HWND>(ownerWindow);
  if (owner != nullptr && !IsWindow(owner)) owner = nullptr;
  MessageBoxA(owner, text, caption, MB_OK | MB_ICONINFORMATION);
}
