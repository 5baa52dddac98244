#include "ui/preview_pixels.h"

#include <climits>
#include <cstring>

#include "render/sample_depth.h"
#include "shell/handles.h"

namespace {

bool BufferSuiteUsable(const BufferProcs* suite) noexcept {
  return suite != nullptr && suite->bufferProcsVersion == kCurrentBufferProcsVersion &&
         static_cast<uint16_t>(suite->numBufferProcs) >= 5 && suite->allocateProc != nullptr &&
         suite->lockProc != nullptr && suite->unlockProc != nullptr && suite->freeProc != nullptr;
}

int32_t OutPlanes(const FilterRecord* record) noexcept {
  return int32_t(record->outHiPlane) - record->outLoPlane + 1;
}

int64_t RegionSamples(const FilterRecord* record) noexcept {
  const Rect& out = record->outRect;
  const int64_t rows = int32_t(out.bottom) - out.top;
  const int64_t columns = int32_t(out.right) - out.left;
  const int64_t planes = OutPlanes(record);
  return (rows <= 0 || columns <= 0 || planes <= 0) ? 0 : rows * columns * planes;
}

void Keep(DialogState& state, void* buffer, bool isHandle, Ptr pixels, int32_t bytes) noexcept {
  state.displayBuffer = buffer;
  state.displayBufferIsHandle = isHandle;
  state.displayPixels = reinterpret_cast<uint8_t*>(pixels);
  state.displayBytes = bytes;
}

// The 16-bit region, row by row, as 8-bit samples packed into `to`.
void NarrowRegion(const FilterRecord* record, uint8_t* to) noexcept {
  const Rect& out = record->outRect;
  const int32_t rowSamples = (int32_t(out.right) - out.left) * OutPlanes(record);
  for (int32_t r = 0; r < int32_t(out.bottom) - out.top; ++r) {
    const uint8_t* from = static_cast<const uint8_t*>(record->outData) + ptrdiff_t(r) * record->outRowBytes;
    for (int32_t i = 0; i < rowSamples; ++i, ++to) {
      uint16_t v;
      std::memcpy(&v, from + ptrdiff_t(i) * 2, sizeof v);
      *to = NarrowSample(v);
    }
  }
}

}  // namespace

int16_t DisplayModeFor(int16_t imageMode) noexcept {
  switch (imageMode) {
    case plugInModeGray16: return plugInModeGrayScale;
    case plugInModeRGB48: return plugInModeRGBColor;
    case plugInModeLab48: return plugInModeLabColor;
    case plugInModeCMYK64: return plugInModeCMYKColor;
    case plugInModeDeepMultichannel: return plugInModeMultichannel;
    case plugInModeDuotone16: return plugInModeDuotone;
    default: return imageMode;
  }
}

bool OpenDisplayBuffer(DialogState& state) noexcept {
  CloseDisplayBuffer(state);
  if (state.context == nullptr) return false;
  const FilterRecord* record = state.context->filterRecord;
  if (ImageDepth(record) != 16) return true;
  const int64_t bytes = RegionSamples(record);
  if (bytes <= 0 || bytes > INT32_MAX) return false;
  const BufferProcs* suite = record->bufferProcs;
  if (BufferSuiteUsable(suite)) {
    // A host short of memory gets no further request: the dialog goes on without preview.
    BufferID id = nullptr;
    if (suite->allocateProc(int32_t(bytes), &id) != noErr || id == nullptr) return false;
    Ptr pixels = suite->lockProc(id, 1);
    if (pixels == nullptr) {
      suite->freeProc(id);
      return false;
    }
    Keep(state, id, false, pixels, int32_t(bytes));
    return true;
  }
  Handle handle = HostNewHandle(record->handleProcs, int32_t(bytes));
  Ptr pixels = HostLockHandle(record->handleProcs, handle, true);
  if (pixels == nullptr) {
    HostDisposeHandle(record->handleProcs, handle);
    return false;
  }
  Keep(state, handle, true, pixels, int32_t(bytes));
  return true;
}

void CloseDisplayBuffer(DialogState& state) noexcept {
  if (state.displayBuffer != nullptr && state.context != nullptr) {
    const FilterRecord* record = state.context->filterRecord;
    if (state.displayBufferIsHandle) {
      Handle handle = static_cast<Handle>(state.displayBuffer);
      HostUnlockHandle(record->handleProcs, handle);
      HostDisposeHandle(record->handleProcs, handle);
    } else if (BufferSuiteUsable(record->bufferProcs)) {
      BufferID id = static_cast<BufferID>(state.displayBuffer);
      record->bufferProcs->unlockProc(id);
      record->bufferProcs->freeProc(id);
    }
  }
  Keep(state, nullptr, false, nullptr, 0);
}

bool PreviewPixelMap(const DialogState& state, PSPixelMap* map, PSPixelMask* mask) noexcept {
  if (state.context == nullptr || map == nullptr || mask == nullptr) return false;
  const FilterRecord* record = state.context->filterRecord;
  if (record->outData == nullptr) return false;
  const int32_t pixelBytes = OutPlanes(record);
  *map = PSPixelMap{};
  *mask = PSPixelMask{};
  map->version = 1;
  map->bounds = VRect{record->outRect.top, record->outRect.left, record->outRect.bottom,
                      record->outRect.right};
  map->imageMode = DisplayModeFor(record->imageMode);
  map->rowBytes = record->outRowBytes;
  map->colBytes = pixelBytes;
  map->planeBytes = 1;
  map->baseAddr = record->outData;
  if (ImageDepth(record) == 16) {
    const int64_t samples = RegionSamples(record);
    if (samples <= 0 || state.displayPixels == nullptr || samples > state.displayBytes) return false;
    NarrowRegion(record, state.displayPixels);
    map->rowBytes = (int32_t(record->outRect.right) - record->outRect.left) * pixelBytes;
    map->baseAddr = state.displayPixels;
  }
  if (record->isFloating != 0) {
    // The selection mask is 8-bit at every depth.
    mask->maskData = record->maskData;
    mask->rowBytes = record->maskRowBytes;
    mask->colBytes = 1;
    map->masks = mask;
  } else if (record->inLayerPlanes != 0 && record->inTransparencyMask != 0 && pixelBytes > 1) {
    // The layer's transparency is the last plane of each displayed pixel.
    mask->maskData = static_cast<uint8_t*>(map->baseAddr) + (pixelBytes - 1);
    mask->rowBytes = map->rowBytes;
    mask->colBytes = pixelBytes;
    map->masks = mask;
  }
  return true;
}
