// Recorded steps replayed at Start from fuzzed bytes: any keys, types and values, in any
// order and repeated, against a host whose pinned getters may not pin. Whatever the step
// holds, the settings land in their ranges, the reader is closed, the step is consumed, the
// run draws inside its buffers and Finish records values in range.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>

#include "params/scripting.h"
#include "run/entry.h"
#include "tests/fuzz/fuzz_check.h"
#include "shell/module_state.h"
#include "shell/platform_native.h"
#include "tools/testhost/test_host.h"

namespace {


const DescriptorKeyID kKeys[] = {kKeyAmount, kKeyColour, kKeyEntireImage, kKeyHorizontalGap,
                                 kKeyVerticalGap, kKeyHorizontalThickness, kKeyVerticalThickness,
                                 kKeyAlignment, kKeyIgnoreZeroPixel, kKeyRemoveOthers,
                                 kKeyOpacity, kKeyCustomColour, FourCC("null"), 0};
const DescriptorTypeID kTypes[] = {kDescTypeInteger, kDescTypeFloat, kDescTypeUnitFloat,
                                   kDescTypeBoolean, kDescTypeEnumerated, FourCC("TEXT"),
                                   kDescTypeObject};
const DescriptorEnumID kEnums[] = {kAlignTop, kAlignCentre, kAlignBottom, kColourBlack,
                                   kColourBlue, kColourRed, kColourGreen, kColourCustom, 0};

DescriptorItem FuzzedItem(TestHost& host, FuzzedDataProvider& in, int depth = 0) {
  DescriptorItem item;
  item.key = in.ConsumeBool() ? in.PickValueInArray(kKeys) : in.ConsumeIntegral<uint32_t>();
  item.type = in.PickValueInArray(kTypes);
  item.integer = in.ConsumeIntegral<int32_t>();
  item.number = in.ConsumeBool() ? double(in.ConsumeIntegralInRange(-200, 200)) + 0.5
                                 : in.ConsumeFloatingPoint<double>();
  item.unit = in.ConsumeBool() ? kUnitPercent : in.ConsumeIntegral<uint32_t>();
  item.enumType = in.ConsumeBool() ? kTypeColour : kTypeAlignment;
  item.enumValue = in.ConsumeBool() ? in.PickValueInArray(kEnums) : in.ConsumeIntegral<uint32_t>();
  item.boolean = in.ConsumeBool();
  if (item.type == kDescTypeObject && depth < 2 && in.ConsumeBool()) {
    // An object of any class holding any keys, the colour's among them.
    DescriptorItems contents;
    const DescriptorKeyID inner[] = {kKeyRed, kKeyGreen, kKeyBlue};
    for (int i = in.ConsumeIntegralInRange(0, 5); i > 0; --i) {
      contents.push_back(FuzzedItem(host, in, depth + 1));
      if (in.ConsumeBool()) contents.back().key = in.PickValueInArray(inner);
    }
    item = ObjectItem(host, item.key, in.ConsumeBool() ? kClassRgbColour : in.ConsumeIntegral<uint32_t>(), contents);
  }
  return item;
}

bool Within(int32_t value, int32_t low, int32_t high) { return value >= low && value <= high; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  ResetModuleState();
  ResetNativePlatform();
  {
    TestHost host(&ENTRYPOINT);
    host.SetImage(MakePatternImage(in.ConsumeIntegralInRange(1, 20), in.ConsumeIntegralInRange(1, 20),
                                   in.ConsumeIntegralInRange(1, 5)),
                  in.ConsumeBool() ? plugInModeRGBColor : plugInModeCMYKColor);
    host.faults.descriptor.offer = true;
    host.faults.descriptor.pinnedGettersIgnoreBounds = in.ConsumeBool();
    host.faults.withholdDisplayPixels = in.ConsumeBool();
    host.ApplyFaults();
    DescriptorItems items;
    const int count = in.ConsumeIntegralInRange(0, 24);
    for (int i = 0; i < count; ++i) items.push_back(FuzzedItem(host, in));
    SetPlayDescriptor(host, items, in.ConsumeIntegralInRange<int16_t>(0, 2));

    CHECK(host.Call(filterSelectorPrepare) == noErr);
    const int16_t start = host.Call(filterSelectorStart);
    // The reader's close code is reported unless it is -1715.
    CHECK(start == noErr || start == kDescriptorWrongType);
    CHECK(host.descriptors.parameters.descriptor == nullptr);  // consumed
    const FilterParameters& p = *ParametersOf(&host.record);
    CHECK(Within(p.amount, 1, 99));
    CHECK(Within(p.horizontalGap, 0, 30000) && Within(p.verticalGap, 0, 30000));
    CHECK(Within(p.horizontalThickness, 0, 29999) && Within(p.verticalThickness, 0, 29999));
    CHECK(Within(p.opacity, 1, 100));
    CHECK(Within(p.alignment, 0, 2));
    CHECK(p.entireImage <= 1 && p.ignoreZeroPixel <= 1 && p.removeOthers <= 1 && p.showDialog <= 1);
    while (start == noErr && !RectIsEmpty(host.record.outRect)) {
      if (host.ServeRequestedRectangles() != noErr || host.Call(filterSelectorContinue) != noErr) break;
    }
    host.CommitOutput();
    host.Call(filterSelectorFinish);
    CHECK(host.counters.bufferOverruns == 0 && host.counters.badHandleOps == 0);
    const DescriptorCounters& c = host.descriptors.counters;
    CHECK(c.badTokens == 0 && c.readersOpened == c.readersClosed && c.writersOpened == c.writersClosed);

    DescriptorItems recorded;
    CHECK(ReadDescriptorHandle(host, host.descriptors.parameters.descriptor, recorded));
    for (const DescriptorItem& item : recorded) {
      const bool gap = item.key == kKeyHorizontalGap || item.key == kKeyVerticalGap;
      const bool thickness = item.key == kKeyHorizontalThickness || item.key == kKeyVerticalThickness;
      // Whole pixels as integers, anything else a unit float (see the unit key).
      if (item.type == kDescTypeUnitFloat && (gap || thickness)) CHECK(item.number >= 0.0 && item.number < 1e9);
      if (item.type == kDescTypeInteger && gap) CHECK(Within(item.integer, 0, 30000));
      if (item.type == kDescTypeInteger && thickness) CHECK(Within(item.integer, 1, 30000));
      if (item.key == kKeyOpacity) CHECK(item.number >= 1.0 && item.number <= 100.0);
      if (item.key == kKeyAmount) CHECK(item.number >= 1.0 && item.number <= 99.0);
    }
  }
  CHECK(GetNativePlatformStats().blocksLive == 0);
  return 0;
}
