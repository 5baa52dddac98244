// The last grid under HKEY_CURRENT_USER: the user's own key, so no administrator rights are
// needed, and one key for the 32- and the 64-bit module alike (Software is not redirected).
#include <windows.h>

#include "shell/grid_store.h"

namespace {
constexpr char kStoreKey[] = "Software\\Vodrin\\Corvane";
constexpr char kStoreValue[] = "Last grid";
}  // namespace

bool ReadGridStore(uint8_t* bytes, uint32_t capacity, uint32_t* length) noexcept {
  *length = 0;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kStoreKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  DWORD type = 0;
  DWORD size = capacity;
  const LONG status = RegQueryValueExA(key, kStoreValue, nullptr, &type, bytes, &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || type != REG_BINARY || size > capacity) return false;
  *length = size;
  return true;
}

bool WriteGridStore(const uint8_t* bytes, uint32_t length) noexcept {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kStoreKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                      nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  const LONG status = RegSetValueExA(key, kStoreValue, 0, REG_BINARY, bytes, length);
  RegCloseKey(key);
  return status == ERROR_SUCCESS;
}
