// The dialog itself arrives with the dialog work; until then it cannot be created.
#include <windows.h>

#include "ui/dialog.h"

bool ShowParametersDialog(InvocationContext*) noexcept { return false; }

// Exported dialog procedure; handles no message yet.
extern "C" INT_PTR CALLBACK CorvaneProc(HWND, UINT, WPARAM, LPARAM) { return 0; }
