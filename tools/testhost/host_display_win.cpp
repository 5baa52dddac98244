// Draws a pixel map into the device context the plug-in passes, as a host's preview does:
// RGB from the first three bytes of a pixel, Grayscale from the first, and a mask shown by
// blending over a checkerboard, so transparency can be seen in a screenshot.
#include <windows.h>

#include <vector>

#include "tools/testhost/host_services.h"
#include "tools/testhost/dib_win.h"

namespace {

constexpr int32_t kCheckerSize = 8;

uint8_t Blend(uint8_t value, uint8_t backdrop, uint8_t alpha) {
  return uint8_t((value * alpha + backdrop * (255 - alpha) + 127) / 255);
}

}  // namespace

OSErr DrawPixelMap(const PSPixelMap& source, const VRect& srcRect, int32_t dstRow, int32_t dstCol,
                   void* platformContext) {
  HDC dc = static_cast<HDC>(platformContext);
  if (dc == nullptr) return filterBadParameters;
  const int32_t width = srcRect.right - srcRect.left;
  const int32_t height = srcRect.bottom - srcRect.top;
  const bool colour = source.imageMode != plugInModeGrayScale && source.colBytes >= 3;
  std::vector<uint8_t> bgra(size_t(width) * size_t(height) * 4);
  const auto* base = static_cast<const uint8_t*>(source.baseAddr);
  const PSPixelMask* mask = source.masks;
  for (int32_t y = 0; y < height; ++y) {
    const ptrdiff_t row = ptrdiff_t(srcRect.top - source.bounds.top + y);
    const uint8_t* pixel = base + row * source.rowBytes +
                           ptrdiff_t(srcRect.left - source.bounds.left) * source.colBytes;
    const uint8_t* alpha = nullptr;
    if (mask != nullptr && mask->maskData != nullptr)
      alpha = static_cast<const uint8_t*>(mask->maskData) + row * mask->rowBytes +
              ptrdiff_t(srcRect.left - source.bounds.left) * mask->colBytes;
    uint8_t* out = bgra.data() + size_t(y) * size_t(width) * 4;
    for (int32_t x = 0; x < width; ++x, pixel += source.colBytes, out += 4) {
      uint8_t r = pixel[0], g = colour ? pixel[1] : pixel[0], b = colour ? pixel[2] : pixel[0];
      if (alpha != nullptr) {
        const uint8_t a = *alpha;
        alpha += mask->colBytes;
        const uint8_t backdrop = ((x / kCheckerSize + y / kCheckerSize) % 2) ? 204 : 255;
        r = Blend(r, backdrop, a), g = Blend(g, backdrop, a), b = Blend(b, backdrop, a);
      }
      out[0] = b, out[1] = g, out[2] = r, out[3] = 0;
    }
  }
  BITMAPINFO info = TopDownBitmapInfo(width, height);
  const int lines = SetDIBitsToDevice(dc, dstCol, dstRow, DWORD(width), DWORD(height), 0, 0, 0,
                                      UINT(height), bgra.data(), &info, DIB_RGB_COLORS);
  return lines == 0 ? filterBadParameters : noErr;
}
