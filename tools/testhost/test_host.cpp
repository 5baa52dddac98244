#include "tools/testhost/test_host.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>

#include "tools/testhost/host_services.h"

namespace {

TestHost* activeHost = nullptr;

constexpr size_t kGuardBytes = 64;
constexpr uint8_t kGuardValue = 0xA5;
constexpr int32_t kMaxContinueCalls = 1000000;
constexpr int32_t kMaxAdvanceStateCalls = 1000000;

int16_t Narrowed(int32_t v) { return int16_t(v < INT16_MIN ? INT16_MIN : (v > INT16_MAX ? INT16_MAX : v)); }
Rect Narrowed(const VRect& r) { return Rect{Narrowed(r.top), Narrowed(r.left), Narrowed(r.bottom), Narrowed(r.right)}; }

// Both forms of the sizes; an old host's stop at 32767.
void SetSizes(TestHost& host, VPoint size) {
  host.record.imageSize = host.record.wholeSize = Point{Narrowed(size.v), Narrowed(size.h)};
  host.bigDocument.imageSize32 = host.bigDocument.wholeSize32 = size;
  host.bigDocument.floatCoord32 = VPoint{0, 0};
}

VRect Either(const TestHost& host, const Rect& narrow, const VRect& wide) {
  return host.ServesWideCoordinates() ? wide : VRect{narrow.top, narrow.left, narrow.bottom, narrow.right};
}

}  // namespace

TestHost* ActiveTestHost() { return activeHost; }

bool RectIsEmpty(const Rect& r) { return r.left >= r.right || r.top >= r.bottom; }
bool RectIsEmpty(const VRect& r) { return r.left >= r.right || r.top >= r.bottom; }

uint32_t SampleAt(const HostImage& image, int32_t row, int32_t column, int32_t plane) {
  const uint8_t* p = image.At(row, column) + size_t(plane) * image.SampleBytes();
  if (image.SampleBytes() == 1) return *p;
  uint16_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

void SetSampleAt(HostImage& image, int32_t row, int32_t column, int32_t plane, uint32_t value) {
  uint8_t* p = image.At(row, column) + size_t(plane) * image.SampleBytes();
  if (image.SampleBytes() == 1) {
    *p = uint8_t(value);
    return;
  }
  const uint16_t v = uint16_t(value);
  std::memcpy(p, &v, sizeof v);
}

HostImage MakePatternImage(int32_t width, int32_t height, int32_t planes, int32_t depth) {
  HostImage img;
  img.width = width;
  img.height = height;
  img.planes = planes;
  img.depth = depth;
  img.pixels.resize(size_t(width) * size_t(height) * img.PixelBytes());
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      for (int32_t k = 0; k < planes; ++k) {
        const uint32_t v = uint32_t(17 + x * 3 + y * 5 + k * 61);
        // 16-bit samples use the whole host range, low byte included.
        SetSampleAt(img, y, x, k, depth == 16 ? (v * 4111u) % 32769u : uint8_t(v));
      }
    }
  }
  return img;
}

// ---------------------------------------------------------------------------
// Callbacks. They reach the active host; without one they answer as a host that has nothing.
// ---------------------------------------------------------------------------
struct TestHostCallbacks {
  static Handle HOSTAPI NewHandle(int32_t size) {
    TestHost* host = activeHost;
    if (host == nullptr) return nullptr;
    ++host->counters.newHandle;
    if (host->faults.failNthNewHandle > 0 && --host->faults.failNthNewHandle == 0) return nullptr;
    if (size < 0) return nullptr;
    auto* block = new TestHost::HostHandleBlock{nullptr, size, 0};
    // Deliberately not zero-filled, as real hosts' allocators need not be.
    block->data = new char[size_t(size) + 1];
    std::memset(block->data, 0xCD, size_t(size) + 1);
    Handle h = &block->data;
    host->handles_[h] = block;
    return h;
  }

  static void HOSTAPI DisposeHandle(Handle h) {
    TestHost* host = activeHost;
    if (host == nullptr) return;
    ++host->counters.disposeHandle;
    if (!host->IsHostHandle(h)) {
      ++host->counters.badHandleOps;
      return;
    }
    host->FreeHostHandle(h);
  }

  static int32_t HOSTAPI GetHandleSize(Handle h) {
    TestHost* host = activeHost;
    if (host == nullptr) return 0;
    ++host->counters.getHandleSize;
    auto it = host->handles_.find(h);
    if (it == host->handles_.end()) {
      ++host->counters.badHandleOps;
      return 0;
    }
    return host->faults.getSizeAnswersZero ? 0 : it->second->size;
  }

  static OSErr HOSTAPI SetHandleSize(Handle h, int32_t newSize) {
    TestHost* host = activeHost;
    if (host == nullptr) return nilHandleErr;
    ++host->counters.setHandleSize;
    auto it = host->handles_.find(h);
    if (it == host->handles_.end() || newSize < 0) {
      ++host->counters.badHandleOps;
      return nilHandleErr;
    }
    if (host->faults.failSetHandleSize) return memFullErr;
    TestHost::HostHandleBlock* block = it->second;
    char* data = new char[size_t(newSize) + 1];
    std::memset(data, 0xCD, size_t(newSize) + 1);
    std::memcpy(data, block->data, size_t(block->size < newSize ? block->size : newSize));
    delete[] block->data;
    block->data = data;
    block->size = newSize;
    return noErr;
  }

  static Ptr HOSTAPI LockHandle(Handle h, Boolean) {
    TestHost* host = activeHost;
    if (host == nullptr) return nullptr;
    ++host->counters.lockHandle;
    auto it = host->handles_.find(h);
    if (it == host->handles_.end()) {
      ++host->counters.badHandleOps;
      return nullptr;
    }
    if (host->faults.failNthLock > 0 && --host->faults.failNthLock == 0) return nullptr;
    ++it->second->lockDepth;
    return it->second->data;
  }

  static void HOSTAPI UnlockHandle(Handle h) {
    TestHost* host = activeHost;
    if (host == nullptr) return;
    ++host->counters.unlockHandle;
    auto it = host->handles_.find(h);
    if (it == host->handles_.end()) {
      ++host->counters.badHandleOps;
      return;
    }
    --it->second->lockDepth;
  }

  static void HOSTAPI RecoverSpace(int32_t) {}

  static void HOSTAPI DisposeRegularHandle(Handle h) { DisposeHandle(h); }

  static Boolean HOSTAPI Abort() {
    TestHost* host = activeHost;
    if (host == nullptr) return 0;
    ++host->counters.abortPolls;
    return (host->faults.abortAtPoll > 0 && host->counters.abortPolls >= host->faults.abortAtPoll)
               ? 1
               : 0;
  }

  static void HOSTAPI Progress(int32_t done, int32_t total) {
    TestHost* host = activeHost;
    if (host == nullptr) return;
    ++host->counters.progressCalls;
    host->counters.lastProgressDone = done;
    host->counters.lastProgressTotal = total;
    if (done > host->counters.maxProgressDone) host->counters.maxProgressDone = done;
    if (host->progressObserver != nullptr) host->progressObserver(done, total);
  }

  static OSErr HOSTAPI AdvanceState() {
    TestHost* host = activeHost;
    if (host == nullptr) return errPlugInHostInsufficient;
    const int32_t call = ++host->counters.advanceStateCalls;
    if (call > kMaxAdvanceStateCalls) return -1;  // the plug-in never ends its requests
    const HostFaults& f = host->faults;
    if (f.cancelAdvanceStateAt > 0 && call >= f.cancelAdvanceStateAt) return userCanceledErr;
    if (f.advanceStateError != 0 && (f.advanceStateErrorAt == 0 || f.advanceStateErrorAt == call))
      return f.advanceStateError;
    return host->ServeRequestedRectangles();
  }
};

// ---------------------------------------------------------------------------

TestHost::TestHost(PluginEntry entryPoint) : entry(entryPoint) {
  activeHost = this;
  BuildRecord();
  SetImage(MakePatternImage(16, 12, 3), plugInModeRGBColor);
}

TestHost::~TestHost() {
  for (auto& [h, block] : handles_) {
    delete[] block->data;
    delete block;
  }
  handles_.clear();
  if (activeHost == this) activeHost = nullptr;
}

void TestHost::BuildRecord() {
  std::memset(&record, 0, sizeof(record));
  record.serialNumber = 0;
  record.hostSig = FourCC("8BIM");
  record.maxSpace = 1 << 20;
  record.imageHRes = 72 * kFixedOne;
  record.imageVRes = 72 * kFixedOne;
  record.supportsPadding = 1;
  record.inputRate = kFixedOne;
  record.maskRate = kFixedOne;
  record.wantLayout = 0;
  record.dummyPlaneValue = -1;
  platform.hwnd = 0;
  std::memset(&about, 0, sizeof(about));
  InstallServices(*this);
  ApplyFaults();
}

void TestHost::ApplyFaults() {
  handleProcs.handleProcsVersion = faults.handleProcsVersion;
  handleProcs.numHandleProcs = faults.numHandleProcs;
  handleProcs.newProc = &TestHostCallbacks::NewHandle;
  handleProcs.disposeProc = &TestHostCallbacks::DisposeHandle;
  handleProcs.getSizeProc = faults.nullGetSizeProc ? nullptr : &TestHostCallbacks::GetHandleSize;
  handleProcs.setSizeProc = faults.nullSetSizeProc ? nullptr : &TestHostCallbacks::SetHandleSize;
  handleProcs.lockProc = &TestHostCallbacks::LockHandle;
  handleProcs.unlockProc = &TestHostCallbacks::UnlockHandle;
  handleProcs.recoverSpaceProc = &TestHostCallbacks::RecoverSpace;
  handleProcs.disposeRegularHandleProc = &TestHostCallbacks::DisposeRegularHandle;
  void** procs[] = {reinterpret_cast<void**>(&handleProcs.newProc),
                    reinterpret_cast<void**>(&handleProcs.disposeProc),
                    reinterpret_cast<void**>(&handleProcs.getSizeProc),
                    reinterpret_cast<void**>(&handleProcs.setSizeProc),
                    reinterpret_cast<void**>(&handleProcs.lockProc),
                    reinterpret_cast<void**>(&handleProcs.unlockProc),
                    reinterpret_cast<void**>(&handleProcs.recoverSpaceProc),
                    reinterpret_cast<void**>(&handleProcs.disposeRegularHandleProc)};
  for (size_t i = 0; i < sizeof(procs) / sizeof(procs[0]); ++i) {
    if (faults.nullHandleProcs & (1u << i)) std::memset(procs[i], 0, sizeof(void*));
  }
  record.handleProcs = faults.withholdHandleSuite ? nullptr : &handleProcs;
  record.abortProc = faults.nullAbortProc ? nullptr : &TestHostCallbacks::Abort;
  record.progressProc = faults.nullProgressProc ? nullptr : &TestHostCallbacks::Progress;
  record.platformData = faults.nullPlatformData ? nullptr : &platform;
  about.platformData = faults.nullPlatformData ? nullptr : &platform;
  record.advanceState = faults.withholdAdvanceState ? nullptr : &TestHostCallbacks::AdvanceState;
  record.bigDocumentData = faults.withholdBigDocument ? nullptr : &bigDocument;
  if (faults.withholdBigDocument) bigDocument.PluginUsing32BitCoordinates = 0;  // never offered
  record.depth = faults.depthFieldZero ? 0 : image.depth;
  ApplyServiceFaults(*this);
}

void TestHost::SetImage(const HostImage& img, int16_t imageMode) {
  source = img;
  image = img;
  record.imageMode = imageMode;
  record.depth = faults.depthFieldZero ? 0 : img.depth;
  SetSelection({});
  record.planes = int16_t(img.planes);
  record.inNonLayerPlanes = int16_t(img.planes);
  SetSizes(*this, VPoint{img.height, img.width});
  SetFilterRect(VRect{0, 0, img.height, img.width});
}

void TestHost::SetFilterRect(Rect area) { SetFilterRect(VRect{area.top, area.left, area.bottom, area.right}); }

void TestHost::SetFilterRect(const VRect& area) {
  record.filterRect = Narrowed(area);
  bigDocument.filterRect32 = area;
}

bool TestHost::ServesWideCoordinates() const {
  return record.bigDocumentData == &bigDocument && bigDocument.PluginUsing32BitCoordinates != 0;
}

VRect TestHost::FilterArea() const { return Either(*this, record.filterRect, bigDocument.filterRect32); }
VRect TestHost::InArea() const { return Either(*this, record.inRect, bigDocument.inRect32); }
VRect TestHost::OutArea() const { return Either(*this, record.outRect, bigDocument.outRect32); }
VRect TestHost::MaskArea() const { return Either(*this, record.maskRect, bigDocument.maskRect32); }

void TestHost::RequestArea(const VRect& area) {
  record.inRect = record.outRect = record.maskRect = Narrowed(area);
  if (ServesWideCoordinates()) bigDocument.inRect32 = bigDocument.outRect32 = bigDocument.maskRect32 = area;
}

void TestHost::SetSelection(std::vector<uint8_t> mask) {
  selection_ = std::move(mask);
  record.haveMask = selection_.empty() ? 0 : 1;
}

int32_t TestHost::LockedHostHandles() const {
  int32_t locked = 0;
  for (const auto& item : handles_) locked += item.second->lockDepth != 0 ? 1 : 0;
  return locked;
}

int32_t TestHost::LockDepth(Handle h) const {
  auto it = handles_.find(h);
  return it == handles_.end() ? 0 : it->second->lockDepth;
}

int16_t TestHost::Call(int16_t selector) {
  activeHost = this;
  if (selector >= 0 && selector <= 5) ++counters.selectorCalls[selector];
  if (selector == filterSelectorAbout) return CallAbout(0);
  entry(selector, &record, &dataSlot, &result);
  return result;
}

int16_t TestHost::CallAbout(int16_t presetResult) {
  activeHost = this;
  ++counters.selectorCalls[0];
  result = presetResult;
  entry(filterSelectorAbout, &about, &dataSlot, &result);
  return result;
}

void TestHost::FreeHostHandle(Handle h) {
  auto it = handles_.find(h);
  if (it == handles_.end()) return;
  delete[] it->second->data;
  delete it->second;
  handles_.erase(it);
}

int16_t TestHost::RunFilter(bool withParameters) {
  source = image;
  if (faults.forgetParameters) {
    FreeHostHandle(record.parameters);
    FreeHostHandle(reinterpret_cast<Handle>(dataSlot));
    record.parameters = nullptr;
    dataSlot = 0;
  }
  if (withParameters) {
    const int16_t err = Call(filterSelectorParameters);
    if (err != noErr) return err;
  }
  int16_t err = Call(filterSelectorPrepare);
  if (err != noErr) return err;
  err = Call(filterSelectorStart);
  CommitOutput();  // the whole-area path wrote through advanceState inside Start
  int32_t continues = 0;
  while (err == noErr &&
         !(RectIsEmpty(InArea()) && RectIsEmpty(OutArea()) && RectIsEmpty(MaskArea()))) {
    if (++continues > (faults.maxContinueCalls > 0 ? faults.maxContinueCalls : kMaxContinueCalls)) {
      err = -1;  // the plug-in never ends its Continue loop
      break;
    }
    err = ServeRequestedRectangles();
    if (err != noErr) break;
    err = Call(filterSelectorContinue);
  }
  CommitOutput();
  if (err != noErr) image = source;  // a host undoes a failed or cancelled run
  // A streamed picture is written out to its last row, unless the run failed (then the
  // output is thrown away).
  if (err == noErr && stream_ != nullptr && !MoveWindow(image.height, image.height)) err = kStreamFailed;
  const int16_t finish = Call(filterSelectorFinish);
  return err != noErr ? err : finish;
}

// ---------------------------------------------------------------------------
// Image delivery
// ---------------------------------------------------------------------------
namespace {

bool GuardsIntact(const std::vector<uint8_t>& buffer) {
  if (buffer.size() < 2 * kGuardBytes) return true;
  for (size_t i = 0; i < kGuardBytes; ++i) {
    if (buffer[i] != kGuardValue || buffer[buffer.size() - 1 - i] != kGuardValue) return false;
  }
  return true;
}

uint8_t PaddingByte(int16_t padding) { return (padding >= 0 && padding <= 255) ? uint8_t(padding) : 255; }

// The padding value as a sample of the image's depth.
uint32_t PaddingSample(const HostImage& img, int16_t padding) {
  const uint32_t pad = PaddingByte(padding);
  return img.depth == 16 ? (pad * 32768 + 127) / 255 : pad;
}

// Fills a guarded buffer with `rect` of `img`, planes lo..hi; returns the data address.
void* FillBuffer(std::vector<uint8_t>& buffer, const HostImage& img, const VRect& rect, int16_t lo,
                 int16_t hi, int16_t padding, int32_t extraRowBytes, int32_t* rowBytes) {
  buffer.clear();
  if (RectIsEmpty(rect) || hi < lo) {
    *rowBytes = 0;
    return nullptr;
  }
  const int32_t rows = rect.bottom - rect.top;
  const int32_t cols = rect.right - rect.left;
  const int32_t n = hi - lo + 1;
  const int32_t sampleBytes = int32_t(img.SampleBytes());
  // An odd stride catches code that assumes a packed one, or aligned 16-bit rows.
  *rowBytes = cols * n * sampleBytes + extraRowBytes;
  buffer.assign(size_t(rows) * size_t(*rowBytes) + 2 * kGuardBytes, kGuardValue);
  uint8_t* base = buffer.data() + kGuardBytes;
  const uint32_t pad = PaddingSample(img, padding);
  for (int32_t r = 0; r < rows; ++r) {
    uint8_t* row = base + size_t(r) * size_t(*rowBytes);
    std::memset(row, 0x5A, size_t(*rowBytes));
    const int32_t y = rect.top + r;
    // All planes of a span inside the picture: the samples are laid out alike, one copy.
    if (lo == 0 && hi == img.planes - 1 && y >= 0 && y < img.height && rect.left >= 0 &&
        rect.right <= img.width) {
      std::memcpy(row, img.At(y, rect.left), size_t(cols) * img.PixelBytes());
      continue;
    }
    for (int32_t c = 0; c < cols; ++c) {
      const int32_t x = rect.left + c;
      const bool inside = y >= 0 && y < img.height && x >= 0 && x < img.width;
      for (int32_t k = 0; k < n; ++k) {
        const int32_t plane = lo + k;
        const uint32_t v = (inside && plane >= 0 && plane < img.planes) ? SampleAt(img, y, x, plane) : pad;
        const uint16_t wide = uint16_t(v);
        uint8_t* at = row + size_t(c * n + k) * size_t(sampleBytes);
        if (sampleBytes == 1) *at = uint8_t(v);
        else std::memcpy(at, &wide, sizeof wide);
      }
    }
  }
  return base;
}

}  // namespace

namespace {

int64_t RequestBytes(const VRect& rect, int16_t lo, int16_t hi, size_t sampleBytes) {
  if (RectIsEmpty(rect) || hi < lo) return 0;
  return (int64_t(rect.bottom) - rect.top) * (int64_t(rect.right) - rect.left) * (hi - lo + 1) *
         int64_t(sampleBytes);
}

}  // namespace

bool TestHost::MoveWindow(int32_t top, int32_t bottom) {
  const size_t rowBytes = image.RowBytes();
  const int32_t held = image.HeldRows();
  if (top < image.firstRow) {
    streamOutOfOrder = true;
    return false;
  }
  // Rows above `top` are final: written, then dropped.
  const int32_t done = std::min(top, image.firstRow + held) - image.firstRow;
  if (done > 0) {
    if (!stream_->WriteRows(image.pixels.data(), done)) return false;
    image.pixels.erase(image.pixels.begin(), image.pixels.begin() + ptrdiff_t(size_t(done) * rowBytes));
    source.pixels.erase(source.pixels.begin(), source.pixels.begin() + ptrdiff_t(size_t(done) * rowBytes));
    image.firstRow = source.firstRow = image.firstRow + done;
  }
  // Rows no request reaches pass straight through, a band at a time.
  constexpr int32_t kPassRows = 64;
  std::vector<uint8_t> pass;
  while (image.HeldRows() == 0 && image.firstRow < top) {
    const int32_t rows = std::min(kPassRows, top - image.firstRow);
    pass.resize(size_t(rows) * rowBytes);
    if (!stream_->ReadRows(pass.data(), rows) || !stream_->WriteRows(pass.data(), rows)) return false;
    image.firstRow = source.firstRow = image.firstRow + rows;
  }
  const int32_t end = image.firstRow + image.HeldRows();
  if (bottom > end) {
    const size_t had = image.pixels.size();
    image.pixels.resize(had + size_t(bottom - end) * rowBytes);
    if (!stream_->ReadRows(image.pixels.data() + had, bottom - end)) return false;
    source.pixels.insert(source.pixels.end(), image.pixels.begin() + ptrdiff_t(had), image.pixels.end());
  }
  return true;
}

OSErr TestHost::ServeRequestedRectangles() {
  CommitOutput();
  const VRect in = InArea(), out = OutArea(), mask = MaskArea();
  if (faults.maxServedBytes > 0 &&
      RequestBytes(in, record.inLoPlane, record.inHiPlane, source.SampleBytes()) +
              RequestBytes(out, record.outLoPlane, record.outHiPlane, image.SampleBytes()) +
              RequestBytes(mask, 0, 0, 1) >
          faults.maxServedBytes) {
    record.inData = record.outData = record.maskData = nullptr;
    return memFullErr;
  }
  if (stream_ != nullptr) {
    // The rows the requests span, clipped to the picture.
    int32_t top = image.height, bottom = 0;
    for (const VRect& r : {in, out, mask}) {
      if (RectIsEmpty(r)) continue;
      top = std::min(top, std::max(r.top, 0));
      bottom = std::max(bottom, std::min(r.bottom, image.height));
    }
    if (top < bottom && !MoveWindow(top, bottom)) {
      record.inData = record.outData = record.maskData = nullptr;
      return kStreamFailed;
    }
  }
  record.inData = FillBuffer(inBuffer_, source, in, record.inLoPlane, record.inHiPlane,
                             record.inputPadding, 5, &record.inRowBytes);
  record.outData = FillBuffer(outBuffer_, image, out, record.outLoPlane,
                              record.outHiPlane, record.outputPadding, 3, &record.outRowBytes);
  // Built only when asked for, and only over the rows asked for: a whole-image mask per
  // strip makes small strips quadratic. The selection mask, or an opaque one; 8 bits at
  // every depth.
  HostImage opaqueMask;
  if (!RectIsEmpty(mask)) {
    opaqueMask.width = source.width;
    opaqueMask.height = source.height;
    opaqueMask.planes = 1;
    const int32_t top = std::max(mask.top, 0), bottom = std::max(top, std::min(mask.bottom, source.height));
    opaqueMask.firstRow = top;
    const size_t from = size_t(top) * size_t(source.width), count = size_t(bottom - top) * size_t(source.width);
    if (selection_.size() == size_t(source.width) * size_t(source.height))
      opaqueMask.pixels.assign(selection_.begin() + ptrdiff_t(from), selection_.begin() + ptrdiff_t(from + count));
    else opaqueMask.pixels.assign(count, 255);
  }
  record.maskData = FillBuffer(maskBuffer_, opaqueMask, mask, 0, 0,
                               record.maskPadding, 1, &record.maskRowBytes);
  outDelivered_ = record.outData != nullptr;
  deliveredOut_ = out;
  deliveredOutLo_ = record.outLoPlane;
  deliveredOutHi_ = record.outHiPlane;
  deliveredOutRowBytes_ = record.outRowBytes;
  if (outDelivered_) counters.servedOutRects.push_back(out);
  if (outDelivered_) counters.servedMaskRects.push_back(mask);
  return noErr;
}

void TestHost::CommitOutput() {
  if (!GuardsIntact(inBuffer_)) ++counters.bufferOverruns;
  if (!GuardsIntact(maskBuffer_)) ++counters.bufferOverruns;
  if (!GuardsIntact(outBuffer_)) ++counters.bufferOverruns;
  if (outDelivered_) {
    const uint8_t* base = outBuffer_.data() + kGuardBytes;
    const int32_t n = deliveredOutHi_ - deliveredOutLo_ + 1;
    const size_t sampleBytes = image.SampleBytes();
    for (int32_t y = deliveredOut_.top; y < deliveredOut_.bottom; ++y) {
      if (y < 0 || y >= image.height) continue;
      const uint8_t* row = base + size_t(y - deliveredOut_.top) * size_t(deliveredOutRowBytes_);
      if (deliveredOutLo_ == 0 && deliveredOutHi_ == image.planes - 1 && deliveredOut_.left >= 0 &&
          deliveredOut_.right <= image.width) {
        std::memcpy(image.At(y, deliveredOut_.left), row,
                    size_t(deliveredOut_.right - deliveredOut_.left) * image.PixelBytes());
        continue;
      }
      for (int32_t x = deliveredOut_.left; x < deliveredOut_.right; ++x) {
        if (x < 0 || x >= image.width) continue;
        for (int32_t k = 0; k < n; ++k) {
          const int32_t plane = deliveredOutLo_ + k;
          if (plane >= 0 && plane < image.planes)
            std::memcpy(image.At(y, x) + size_t(plane) * sampleBytes,
                        row + size_t((x - deliveredOut_.left) * n + k) * sampleBytes, sampleBytes);
        }
      }
    }
  }
  outDelivered_ = false;
  // Re-arm the guards so a later check sees only new damage.
  for (auto* buffer : {&inBuffer_, &outBuffer_, &maskBuffer_}) {
    if (buffer->size() >= 2 * kGuardBytes) {
      std::memset(buffer->data(), kGuardValue, kGuardBytes);
      std::memset(buffer->data() + buffer->size() - kGuardBytes, kGuardValue, kGuardBytes);
    }
  }
}
