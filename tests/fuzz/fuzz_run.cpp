// Whole runs driven from fuzzed bytes against the in-process host: the image, the record's
// geometry, the parameter block's bytes, the data slot, which services the host offers and
// how they fail, and then any sequence of selectors, deliveries and honest changes of the
// delivered geometry. The host must survive all of it: no write outside a buffer, no handle
// misused or left locked, no fallback block left behind, and strips that always move on.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/coordinates.h"
#include "params/parameters.h"
#include "run/selectors.h"
#include "render/drivers.h"
#include "run/entry.h"
#include "tests/fuzz/fuzz_check.h"
#include "shell/handles.h"
#include "shell/module_state.h"
#include "shell/platform_native.h"
#include "tools/testhost/test_host.h"
#include "ui/dialog_native.h"

namespace {

FuzzedDataProvider* input = nullptr;


// The dialog: cancels, or previews (switching the preview off when the host refuses) and
// puts the whole area back, as the real one does.
bool FuzzedDialog(InvocationContext* context) {
  if (input->ConsumeBool()) {
    *context->result = userCanceledErr;
    return false;
  }
  FilterParameters* block = ParametersOf(context);
  context->previewFrame = PreviewFrame{0, 0, input->ConsumeIntegral<int16_t>(),
                                       input->ConsumeIntegral<int16_t>()};
  SetupPreviewArea(context);
  if (*context->result != noErr) {
    block->useAdvanceState = 0;
    *context->result = noErr;
  } else {
    RenderPreview(context, false);
  }
  SetFilterArea(context->filterRecord, SavedFilterArea(*block));
  return true;
}

int16_t Coordinate(FuzzedDataProvider& in) {
  // Mostly near the image, sometimes anywhere in int16 space.
  return in.ConsumeBool() ? in.ConsumeIntegralInRange<int16_t>(-6, 40) : in.ConsumeIntegral<int16_t>();
}

void ChooseFaults(FuzzedDataProvider& in, HostFaults& f) {
  const uint32_t bits = in.ConsumeIntegral<uint32_t>();
  f.withholdHandleSuite = (bits & 1) != 0;
  f.nullAbortProc = (bits & 2) != 0;
  f.nullProgressProc = (bits & 4) != 0;
  f.nullPlatformData = (bits & 8) != 0;
  f.withholdAdvanceState = (bits & 16) != 0;
  f.withholdDisplayPixels = (bits & 32) != 0;
  f.withholdColorServices = (bits & 64) != 0;
  f.colorServicesGarbage = (bits & 128) != 0;
  f.descriptor.offer = (bits & 256) != 0;
  f.descriptor.pinnedGettersIgnoreBounds = (bits & 512) != 0;
  f.getSizeAnswersZero = (bits & 1024) != 0;
  f.failSetHandleSize = (bits & 2048) != 0;
  if (bits & 4096) f.handleProcsVersion = in.ConsumeIntegral<int16_t>();
  if (bits & 8192) f.numHandleProcs = in.ConsumeIntegral<int16_t>();
  if (bits & 16384) f.nullHandleProcs = in.ConsumeIntegral<uint8_t>();
  if (bits & 32768) f.failNthNewHandle = in.ConsumeIntegralInRange(0, 4);
  if (bits & 65536) f.failNthLock = in.ConsumeIntegralInRange(0, 12);
  if (bits & 131072) f.abortAtPoll = in.ConsumeIntegralInRange(0, 400);
  if (bits & 262144) {
    // -1 is the test host's own sign of requests without end; keep it apart.
    f.advanceStateError = in.PickValueInArray<OSErr>({memFullErr, -1234, userCanceledErr, 1});
    f.advanceStateErrorAt = in.ConsumeIntegralInRange(0, 4);
  }
  if (bits & 524288) f.colorServicesError = in.PickValueInArray<OSErr>({-30900, paramErr, 7});
  if (bits & 1048576) f.maxServedBytes = in.ConsumeIntegralInRange<int64_t>(0, 1 << 15);
  if (bits & 2097152) f.descriptor.nullReadProcs = in.ConsumeIntegral<uint32_t>();
  if (bits & 4194304) f.descriptor.nullWriteProcs = in.ConsumeIntegral<uint32_t>();
  f.withholdBigDocument = (bits & 16777216) != 0;
  if (bits & 8388608) {
    f.descriptor.overrideReadClose = true;
    f.descriptor.readCloseResult = in.ConsumeIntegral<int16_t>();
    if (f.descriptor.readCloseResult == -1) f.descriptor.readCloseResult = -2;
  }
  // Bounded work per input: no request larger than this, and a user who gives up after so
  // many polls, or, where the host has no abort poll, after so many bands (an area of 65535
  // one-row strips is legitimate, only slow: seconds under the sanitizers).
  if (f.maxServedBytes == 0) f.maxServedBytes = 1 << 15;
  if (f.abortAtPoll == 0) f.abortAtPoll = 20000;
  f.cancelAdvanceStateAt = 2048;
  f.maxContinueCalls = 256;
}

// Hosts may change what they delivered only honestly: fewer planes, shorter row strides,
// narrower plane ranges, another `planes` or another filter area.
void ChangeDelivery(FuzzedDataProvider& in, FilterRecord& r) {
  switch (in.ConsumeIntegralInRange(0, 4)) {
    case 0: r.planes = in.ConsumeIntegralInRange<int16_t>(-2, 24); break;
    case 1: r.outRowBytes = in.ConsumeIntegralInRange<int32_t>(0, r.outRowBytes > 0 ? r.outRowBytes : 0); break;
    case 2: r.inRowBytes = in.ConsumeIntegralInRange<int32_t>(0, r.inRowBytes > 0 ? r.inRowBytes : 0); break;
    case 3:
      if (r.outHiPlane > r.outLoPlane) r.outHiPlane = int16_t(r.outHiPlane - 1);
      if (r.inHiPlane > r.inLoPlane && in.ConsumeBool()) r.inHiPlane = int16_t(r.inHiPlane - 1);
      break;
    default:
      r.filterRect = Rect{Coordinate(in), Coordinate(in), Coordinate(in), Coordinate(in)};
      break;
  }
}

void FuzzOneRun(FuzzedDataProvider& in) {
  TestHost host(&ENTRYPOINT);
  const int16_t modes[] = {plugInModeGrayScale, plugInModeRGBColor, plugInModeCMYKColor,
                           plugInModeHSLColor, plugInModeHSBColor, plugInModeMultichannel,
                           plugInModeDuotone, plugInModeLabColor, plugInModeBitmap, 99};
  const int32_t width = in.ConsumeIntegralInRange(1, 24);
  const int32_t height = in.ConsumeIntegralInRange(1, 24);
  const int32_t planes = in.ConsumeIntegralInRange(1, 6);
  host.SetImage(MakePatternImage(width, height, planes), in.PickValueInArray(modes));
  if (in.ConsumeBool()) host.record.planes = in.ConsumeIntegralInRange<int16_t>(-2, 24);
  if (in.ConsumeBool()) host.SetFilterRect(Rect{Coordinate(in), Coordinate(in), Coordinate(in), Coordinate(in)});
  host.record.maxSpace = in.ConsumeIntegral<int32_t>();
  ChooseFaults(in, host.faults);
  const int32_t failNew = host.faults.failNthNewHandle;
  host.faults.failNthNewHandle = 0;
  host.ApplyFaults();

  // A block from an earlier session: any size and any bytes, when the host can tell the
  // size; otherwise whole, because then nothing can tell how long it really is.
  int32_t madeByHarness = 0;
  if (in.ConsumeBool()) {
    const bool sizeKnown = HandleSuiteUsable(host.record.handleProcs) && !host.faults.getSizeAnswersZero;
    // A size of 0 is the answer of a host that does not know, so a real block has a byte.
    const int32_t bytes = sizeKnown ? in.ConsumeIntegralInRange(1, 48) : int32_t(sizeof(FilterParameters));
    Handle block = HostNewHandle(host.record.handleProcs, bytes);
    if (block != nullptr && *block != nullptr) {
      const std::vector<uint8_t> contents = in.ConsumeBytes<uint8_t>(size_t(bytes));
      if (!contents.empty()) std::memcpy(*block, contents.data(), contents.size());
      host.record.parameters = block;
      madeByHarness += host.IsHostHandle(block) ? 1 : 0;
    }
  }
  if (in.ConsumeBool()) host.dataSlot = in.ConsumeIntegral<intptr_t>();  // a stale value
  if (host.faults.descriptor.offer && in.ConsumeBool()) {
    SetPlayDescriptor(host, {DescriptorItem::Integer(FourCC("hGap"), in.ConsumeIntegral<int32_t>()),
                             DescriptorItem::Integer(FourCC("vThk"), in.ConsumeIntegral<int32_t>())},
                      in.ConsumeIntegralInRange<int16_t>(0, 3));
    ++madeByHarness;
  }
  host.faults.failNthNewHandle = failNew;
  if (in.ConsumeBool()) FailNativeAllocation(in.ConsumeIntegralInRange(0, 6));
  SetDialogStandIn(in.ConsumeBool() ? FuzzedDialog : nullptr);

  const int steps = in.ConsumeIntegralInRange(0, 16);
  for (int step = 0; step < steps && in.remaining_bytes() > 0; ++step) {
    const int action = in.ConsumeIntegralInRange(0, 9);
    if (action == filterSelectorContinue) {
      // A host delivers what was asked for before every Continue, also an empty request.
      host.ServeRequestedRectangles();
      host.Call(filterSelectorContinue);
    } else if (action <= 5) {
      host.Call(int16_t(action));
    } else if (action == 6) {
      int16_t selector = in.ConsumeIntegral<int16_t>();
      if (selector == filterSelectorContinue) selector = 6;
      host.Call(selector);
    } else if (action == 7) {
      // The host's Continue loop, as long as rectangles are asked for; strips must move on.
      int16_t lastTop = INT16_MIN;
      bool first = true;
      for (int i = 0; i < 256 && !RectIsEmpty(host.record.inRect); ++i) {
        CHECK(first || host.record.inRect.top > lastTop);
        first = false;
        lastTop = host.record.inRect.top;
        if (host.ServeRequestedRectangles() != noErr) break;
        if (host.Call(filterSelectorContinue) != noErr) break;
      }
    } else if (action == 8) {
      host.ServeRequestedRectangles();
      ChangeDelivery(in, host.record);
      host.Call(filterSelectorContinue);
    } else {
      host.RunFilter(in.ConsumeBool());
    }
    CHECK(host.result != -1);  // the test host's sign that advanceState was called without end
    CHECK(host.LockedHostHandles() == 0);
  }
  host.CommitOutput();
  CHECK(host.counters.bufferOverruns == 0);
  CHECK(host.counters.badHandleOps == 0);
  CHECK(host.descriptors.counters.badTokens == 0);
  CHECK(host.descriptors.counters.readersOpened == host.descriptors.counters.readersClosed);
  // At most the context, the block and the recorded step beside what the harness made.
  // Without a usable suite the plug-in cannot free a host's descriptor: those stay the host's.
  CHECK(!HandleSuiteUsable(host.record.handleProcs) || host.LiveHostHandles() <= madeByHarness + 3);
  FallbackDisposeHandle(reinterpret_cast<Handle>(host.dataSlot));
  FallbackDisposeHandle(host.record.parameters);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  input = &in;
  ResetModuleState();
  ResetNativePlatform();
  FuzzOneRun(in);
  CHECK(GetNativePlatformStats().blocksLive == 0);  // every fallback block was released
  SetDialogStandIn(nullptr);
  input = nullptr;
  return 0;
}
