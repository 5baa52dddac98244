// Reading windows and saving what they show, for the Windows tests.
#pragma once

#include <windows.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "tools/testhost/dib_win.h"
#include "tools/testhost/png_writer.h"

inline std::string WindowText(HWND window) {
  char text[512] = {};
  GetWindowTextA(window, text, int(sizeof text));
  return text;
}

inline std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, int(sizeof name));
  return name;
}

// Copies the window's pixels from the screen into a PNG; returns the number of distinct
// colours seen (0 when capturing failed), so a blank capture shows.
inline size_t SaveWindowPng(HWND window, const std::string& fileName) {
  RECT r{};
  if (!GetWindowRect(window, &r)) return 0;
  const int width = r.right - r.left, height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return 0;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = TopDownBitmapInfo(width, height);
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  size_t colours = 0;
  if (dib != nullptr && bits != nullptr) {
    HGDIOBJ old = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const auto* bgra = static_cast<const uint8_t*>(bits);
    std::vector<uint8_t> rgb(size_t(width) * size_t(height) * 3);
    std::set<uint32_t> seen;
    for (size_t i = 0; i < size_t(width) * size_t(height); ++i) {
      rgb[3 * i] = bgra[4 * i + 2], rgb[3 * i + 1] = bgra[4 * i + 1], rgb[3 * i + 2] = bgra[4 * i];
      seen.insert(uint32_t(rgb[3 * i]) << 16 | uint32_t(rgb[3 * i + 1]) << 8 | rgb[3 * i + 2]);
    }
    if (WritePng(TestOutputPath(fileName), width, height, 3, rgb.data(), width * 3))
      colours = seen.size();
    SelectObject(memory, old);
    DeleteObject(dib);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return colours;
}

// Lets pending paint messages of this thread run.
inline void PumpMessages(int milliseconds) {
  const DWORD end = GetTickCount() + DWORD(milliseconds);
  while (GetTickCount() < end) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(10);
  }
}
