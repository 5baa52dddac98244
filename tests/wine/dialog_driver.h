// Plays the user of the plug-in's modal dialog: a timer of the calling thread, dispatched by
// the dialog's own message loop, finds the open dialog and acts on it. No second thread
// drives the window, so this works under user-mode emulation too.
#pragma once

#include <windows.h>

#include <functional>
#include <utility>

#include "resources/resource_ids.h"
#include "tests/wine/window_capture.h"

class DialogDriver {
 public:
  // `act` gets each newly opened dialog and is expected to end it.
  explicit DialogDriver(std::function<void(HWND)> act) : act_(std::move(act)) {
    active_ = this;
    timer_ = SetTimer(nullptr, 0, 50, &DialogDriver::Tick);
  }
  // Presses `button` (OK or Cancel) on every dialog that opens.
  static DialogDriver Pressing(int button) {
    return DialogDriver([button](HWND dialog) {
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    });
  }
  ~DialogDriver() {
    KillTimer(nullptr, timer_);
    if (active_ == this) active_ = nullptr;
  }
  DialogDriver(const DialogDriver&) = delete;
  DialogDriver& operator=(const DialogDriver&) = delete;

  HWND LastDialog() const { return seen_; }
  int DialogsSeen() const { return count_; }

 private:
  static BOOL CALLBACK FindOpen(HWND window, LPARAM found) {
    if (ClassOf(window) == "#32770" && IsWindowVisible(window) && WindowText(window) == "Corvane") {
      *reinterpret_cast<HWND*>(found) = window;
      return FALSE;
    }
    return TRUE;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    DialogDriver* self = active_;
    if (self == nullptr) return;
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindOpen, reinterpret_cast<LPARAM>(&found));
    if (found == nullptr || found == self->acting_) return;
    self->acting_ = found;  // a nested tick while acting must not act twice
    self->seen_ = found;
    ++self->count_;
    self->act_(found);
  }

  std::function<void(HWND)> act_;
  UINT_PTR timer_ = 0;
  HWND seen_ = nullptr;
  HWND acting_ = nullptr;
  int count_ = 0;
  static inline DialogDriver* active_ = nullptr;
};
