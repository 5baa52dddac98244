// The dialog's decisions under arbitrary sequences of scroll codes, typed and pasted texts,
// Link changes, wheel steps, shortcuts, pans and geometry. Whatever arrives, the block keeps
// every gap, thickness and alignment in range and the pan offsets inside their limits.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "params/settings.h"
#include "tests/fuzz/fuzz_check.h"
#include "ui/dialog_logic.h"

namespace {

struct Bytes {
  const uint8_t* data;
  size_t size;
  uint8_t Byte() {
    if (size == 0) return 0;
    --size;
    return *data++;
  }
  int32_t Int() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | Byte();
    return int32_t(v);
  }
};



void CheckBlock(const DialogState& state, const FilterParameters& block) {
  for (int32_t i = 0; i < kSliderCount; ++i) {
    const SliderSpec& spec = SliderSpecOf(Slider(i));
    const int16_t value = block.*spec.field;
    CHECK(value >= 0 && value <= spec.upper);
    CHECK(state.*spec.working == value);
  }
  CHECK(IsValidAlignment(block.alignment));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Bytes in{data, size};
  FilterParameters block{};
  block.verticalGap = int16_t(in.Int());
  block.horizontalGap = int16_t(in.Int());
  block.verticalThickness = int16_t(in.Int());
  block.horizontalThickness = int16_t(in.Int());
  block.colourRadioId = int16_t(in.Int());
  block.alignment = ValidAlignment(in.Int());
  char* blockBytes = reinterpret_cast<char*>(&block);
  FilterRecord record{};
  record.parameters = &blockBytes;
  record.filterRect = Rect{0, 0, 480, 640};
  int16_t result = 0;
  InvocationContext context{&result, &record, PreviewFrame{0, 0, 300, 350}};

  ResetDialogState();
  DialogState& state = dialogState;
  OpenDialogState(state, &context);
  OpeningColourRadio(block);
  CheckBlock(state, block);

  while (in.size > 0) {
    switch (in.Byte() % 10) {
      case 0: {
        const Slider slider = Slider(in.Byte() % kSliderCount);
        const int32_t code = in.Byte() % 2 != 0 ? kScrollTyped : int32_t(in.Byte());
        state.typedValue = in.Int();
        const ScrollOutcome o = ApplyScroll(state, slider, code, int32_t(uint16_t(in.Int())));
        CHECK(o.value >= 0 && o.value <= SliderSpecOf(slider).upper);
        break;
      }
      case 1: {
        const Slider refresh = ApplyLink(state, in.Byte() % 2 != 0);
        if (refresh != kSliderCount) ApplyScroll(state, refresh, kScrollKeep, 0);
        if (state.linkOn && refresh != kSliderCount) CHECK(block.verticalGap == block.horizontalGap);
        break;
      }
      case 2: {
        char text[kFieldTextBytes];
        const size_t length = in.Byte() % kFieldTextBytes;
        for (size_t i = 0; i < length; ++i) text[i] = char(in.Byte());
        text[length] = '\0';
        const int32_t number = ParseFieldNumber(text);
        const bool thickness = in.Byte() % 2 != 0;
        const FieldRefill refill = RefillFor(number, thickness);
        if (refill.rewrite) CHECK(refill.shown >= (thickness ? 1 : 0) && refill.shown <= kFieldMaximum);
        state.typedValue = number;
        ApplyScroll(state, thickness ? kVerticalThickness : kHorizontalGap, kScrollTyped, 0);
        break;
      }
      case 3: {
        const int32_t number = in.Int() % 200 - 50;
        const bool thickness = in.Byte() % 2 != 0;
        const int32_t stepped = WheelStep(number, in.Byte() % 2 != 0, thickness);
        const int32_t lowest = thickness ? 1 : 0;
        const bool inRange = stepped >= lowest && stepped <= kFieldMaximum;
        if (number >= lowest && number <= kFieldMaximum) {
          CHECK(inRange && stepped - number <= 1 && number - stepped <= 1);
        } else {
          CHECK(inRange || stepped == number);  // a pasted number out of range comes back in
        }
        break;
      }
      case 4: {
        const FieldShortcut s = ShortcutForCharacter(in.Byte());
        CHECK(s.kind != ShortcutKind::command || s.commandId != 0);
        break;
      }
      case 5: {
        SetPanLimits(state, VRect{in.Int(), in.Int(), in.Int(), in.Int()}, VRect{0, 0, 480, 640});
        break;
      }
      case 6: {
        int32_t h = 0, v = 0;
        if (PanStepFor(in.Byte() + 1000, &h, &v)) MovePan(state, h, v);
        MovePan(state, in.Int() % 1000, 0);
        if (state.panMinH <= state.panMaxH) CHECK(state.panH >= state.panMinH && state.panH <= state.panMaxH);
        if (state.panMinV <= state.panMaxV) CHECK(state.panV >= state.panMinV && state.panV <= state.panMaxV);
        break;
      }
      case 7: {
        const VRect out{in.Int(), in.Int(), in.Int(), in.Int()};
        const ImageRect r = ImageRectFor(in.Int() % 100000, in.Int() % 100000, in.Int() % 100000,
                                         in.Int() % 100000, in.Int() % 100000, in.Int() % 100000, out);
        const int64_t width = int64_t(out.right) - out.left;
        CHECK(r.right - r.left == (width < INT16_MIN ? INT16_MIN : width > INT16_MAX ? INT16_MAX : width));
        ImageRectContains(r, in.Int(), in.Int());
        break;
      }
      case 8: SetAlignmentFromSelection(block, in.Int()); break;
      default:
        if (in.Byte() % 2 != 0) {
          EndWithCancel(state);
        } else {
          EndWithOk(state);
        }
        OpenDialogState(state, &context);
        break;
    }
    CheckBlock(state, block);
  }
  return 0;
}
