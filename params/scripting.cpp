#include "params/scripting.h"

#include <cmath>

#include "params/settings.h"
#include "shell/handles.h"

namespace {

constexpr int16_t kReadProcsNeeded = 18;
constexpr int16_t kWriteProcsNeeded = 16;

bool DescriptorRecordUsable(const PIDescriptorParameters* parameters) noexcept {
  return parameters != nullptr &&
         parameters->descriptorParametersVersion == kCurrentDescriptorParametersVersion;
}

// A stored action is user input: the host's pinning is not trusted to have happened.
int16_t ClampScriptedInteger(int32_t value, const SettingRange& range) noexcept {
  return int16_t(ClampSetting(value, range));
}

int16_t AlignmentFromCode(DescriptorEnumID code, int16_t current) noexcept {
  if (code == kAlignTop) return 0;
  if (code == kAlignCentre) return 1;
  if (code == kAlignBottom) return 2;
  return current;  // an unknown value keeps what the block had
}

DescriptorEnumID CodeFromAlignment(int16_t alignment) noexcept {
  switch (ValidAlignment(alignment)) {
    case 1: return kAlignCentre;
    case 2: return kAlignBottom;
    default: return kAlignTop;
  }
}

// Reads an integer key pinned to the range the user sees; the block stores it less `offset`.
void ReadPinnedInteger(const ReadDescriptorProcs* procs, PIReadDescriptor token,
                       const SettingRange& stored, int32_t offset, int16_t& field) noexcept {
  int32_t value = field + offset;
  const OSErr err = procs->getPinnedIntegerProc(token, stored.minimum + offset,
                                                stored.maximum + offset, &value);
  if (err < 0) return;  // a value of another type, or none: keep the setting
  // Clamped before the offset comes off: a host that does not pin may answer INT32_MIN.
  field = ClampScriptedInteger(ClampSetting(value, SettingRange{stored.minimum + offset,
                                                                stored.maximum + offset, 0}) -
                                   offset,
                               stored);
}

void ReadFlag(const ReadDescriptorProcs* procs, PIReadDescriptor token, uint8_t& field) noexcept {
  Boolean value = field;
  if (procs->getBooleanProc(token, &value) < 0) return;
  field = value != 0 ? 1 : 0;
}

// A component of a recorded colour: rounded and held in 0..255; not a number keeps `current`.
uint8_t ColourComponent(double value, uint8_t current) noexcept {
  if (std::isnan(value)) return current;
  if (value < kColourComponentRange.minimum) value = kColourComponentRange.minimum;
  if (value > kColourComponentRange.maximum) value = kColourComponentRange.maximum;
  return uint8_t(std::lround(value));
}

// 'Clr ': an 'RGBC' object with 'Rd  ', 'Grn ', 'Bl  ' as doubles. An object of another class
// changes nothing; a missing or unreadable component keeps the block's.
void ReadCustomColour(const FilterRecord* record, const ReadDescriptorProcs* procs,
                      PIReadDescriptor token, FilterParameters& block) noexcept {
  DescriptorClassID type = 0;
  PIDescriptorHandle object = nullptr;
  if (procs->getObjectProc(token, &type, &object) < 0 || object == nullptr) return;
  if (type == kClassRgbColour) {
    DescriptorKeyID keys[] = {kKeyRed, kKeyGreen, kKeyBlue, 0};
    PIReadDescriptor inner = procs->openReadDescriptorProc(object, keys);
    if (inner != nullptr) {
      uint8_t rgb[3] = {block.customRed, block.customGreen, block.customBlue};
      DescriptorKeyID key = 0;
      DescriptorTypeID keyType = 0;
      int32_t flags = 0;
      while (procs->getKeyProc(inner, &key, &keyType, &flags)) {
        const int index = key == kKeyRed ? 0 : (key == kKeyGreen ? 1 : (key == kKeyBlue ? 2 : -1));
        double value = 0.0;
        if (index >= 0 && procs->getFloatProc(inner, &value) >= 0)
          rgb[index] = ColourComponent(value, rgb[index]);
      }
      procs->closeReadDescriptorProc(inner);  // a missing component is no failure of the step
      block.customRed = rgb[0], block.customGreen = rgb[1], block.customBlue = rgb[2];
    }
  }
  HostDisposeHandle(record->handleProcs, object);
}

// 'Opct', a percentage: rounded and held in 1..100; not a number keeps the block's.
void ReadOpacity(const ReadDescriptorProcs* procs, PIReadDescriptor token,
                 FilterParameters& block) noexcept {
  const double minimum = kOpacityRange.minimum;
  const double maximum = kOpacityRange.maximum;
  DescriptorUnitID unit = kUnitPercent;
  double value = block.opacity;
  if (procs->getPinnedUnitFloatProc(token, &minimum, &maximum, &unit, &value) < 0) return;
  if (std::isnan(value)) return;
  if (value < minimum) value = minimum;
  if (value > maximum) value = maximum;
  block.opacity = int16_t(std::lround(value));
}

// Records the custom colour as hosts record colours; left out when the host cannot take objects.
void WriteCustomColour(const WriteDescriptorProcs* procs, PIWriteDescriptor token,
                       const FilterRecord* record, const FilterParameters& block) noexcept {
  if (procs->putObjectProc == nullptr || procs->putFloatProc == nullptr) return;
  PIWriteDescriptor inner = procs->openWriteDescriptorProc();
  if (inner == nullptr) return;
  const double rgb[3] = {double(block.customRed), double(block.customGreen), double(block.customBlue)};
  procs->putFloatProc(inner, kKeyRed, &rgb[0]);
  procs->putFloatProc(inner, kKeyGreen, &rgb[1]);
  procs->putFloatProc(inner, kKeyBlue, &rgb[2]);
  PIDescriptorHandle object = nullptr;
  if (procs->closeWriteDescriptorProc(inner, &object) == noErr && object != nullptr)
    procs->putObjectProc(token, kKeyCustomColour, kClassRgbColour, object);
  // The host keeps its own copy of an object it was given.
  if (object != nullptr) HostDisposeHandle(record->handleProcs, object);
}

}  // namespace

bool ReadDescriptorSuiteUsable(const PIDescriptorParameters* parameters) noexcept {
  if (!DescriptorRecordUsable(parameters)) return false;
  const ReadDescriptorProcs* r = parameters->readDescriptorProcs;
  if (r == nullptr) return false;
  if (r->readDescriptorProcsVersion != kCurrentReadDescriptorProcsVersion) return false;
  if (static_cast<uint16_t>(r->numReadDescriptorProcs) < kReadProcsNeeded) return false;
  return r->openReadDescriptorProc != nullptr && r->closeReadDescriptorProc != nullptr &&
         r->getKeyProc != nullptr && r->getIntegerProc != nullptr && r->getFloatProc != nullptr &&
         r->getUnitFloatProc != nullptr && r->getBooleanProc != nullptr &&
         r->getTextProc != nullptr && r->getAliasProc != nullptr &&
         r->getEnumeratedProc != nullptr && r->getClassProc != nullptr &&
         r->getSimpleReferenceProc != nullptr && r->getObjectProc != nullptr &&
         r->getCountProc != nullptr && r->getStringProc != nullptr &&
         r->getPinnedIntegerProc != nullptr && r->getPinnedFloatProc != nullptr &&
         r->getPinnedUnitFloatProc != nullptr;
}

bool WriteDescriptorSuiteUsable(const PIDescriptorParameters* parameters) noexcept {
  if (!DescriptorRecordUsable(parameters)) return false;
  const WriteDescriptorProcs* w = parameters->writeDescriptorProcs;
  if (w == nullptr) return false;
  if (w->writeDescriptorProcsVersion != kCurrentWriteDescriptorProcsVersion) return false;
  if (static_cast<uint16_t>(w->numWriteDescriptorProcs) < kWriteProcsNeeded) return false;
  // Hosts hand over records that look valid with null procedures: check each one we call.
  return w->openWriteDescriptorProc != nullptr && w->closeWriteDescriptorProc != nullptr &&
         w->putIntegerProc != nullptr && w->putUnitFloatProc != nullptr &&
         w->putBooleanProc != nullptr && w->putEnumeratedProc != nullptr;
}

bool DescriptorSuitesUsable(const PIDescriptorParameters* parameters) noexcept {
  return ReadDescriptorSuiteUsable(parameters) && WriteDescriptorSuiteUsable(parameters);
}

void ReadScriptParameters(InvocationContext* context) noexcept {
  FilterRecord* record = context->filterRecord;
  PIDescriptorParameters* parameters = record->descriptorParameters;
  FilterParameters* block = ParametersOf(record);
  if (block == nullptr || !ReadDescriptorSuiteUsable(parameters)) return;
  const ReadDescriptorProcs* procs = parameters->readDescriptorProcs;

  // Hosts may overwrite the entries they deliver, so the list lives in this call.
  DescriptorKeyID keys[] = {kKeyAmount, kKeyColour, 0};
  PIReadDescriptor token = procs->openReadDescriptorProc(parameters->descriptor, keys);
  if (token != nullptr) {
    double amount = 0.0;  // shared by every 'Amnt' key, as recorded steps expect
    DescriptorKeyID key = 0;
    DescriptorTypeID type = 0;
    int32_t flags = 0;
    while (procs->getKeyProc(token, &key, &type, &flags)) {
      switch (key) {
        case kKeyAmount: {
          const double minimum = kAmountRange.minimum;
          const double maximum = kAmountRange.maximum;
          DescriptorUnitID unit = kUnitPercent;
          procs->getPinnedUnitFloatProc(token, &minimum, &maximum, &unit, &amount);
          // Truncated toward zero, then held in range whatever the host delivered.
          double value = std::isnan(amount) ? minimum : std::trunc(amount);
          if (value < minimum) value = minimum;
          if (value > maximum) value = maximum;
          block->amount = int16_t(value);
          break;
        }
        case kKeyColour: {
          DescriptorEnumID colour = block->colourCode;
          procs->getEnumeratedProc(token, &colour);
          block->colourCode = colour;  // any code is kept; unknown ones draw blue
          break;
        }
        case kKeyEntireImage: ReadFlag(procs, token, block->entireImage); break;
        case kKeyHorizontalGap:
          ReadPinnedInteger(procs, token, kGapRange, 0, block->horizontalGap);
          break;
        case kKeyVerticalGap:
          ReadPinnedInteger(procs, token, kGapRange, 0, block->verticalGap);
          break;
        case kKeyHorizontalThickness:
          ReadPinnedInteger(procs, token, kThicknessRange, 1, block->horizontalThickness);
          break;
        case kKeyVerticalThickness:
          ReadPinnedInteger(procs, token, kThicknessRange, 1, block->verticalThickness);
          break;
        case kKeyAlignment: {
          DescriptorEnumID code = 0;
          if (procs->getEnumeratedProc(token, &code) >= 0)
            block->alignment = AlignmentFromCode(code, block->alignment);
          break;
        }
        case kKeyIgnoreZeroPixel: ReadFlag(procs, token, block->ignoreZeroPixel); break;
        case kKeyRemoveOthers: ReadFlag(procs, token, block->removeOthers); break;
        case kKeyCustomColour: ReadCustomColour(record, procs, token, *block); break;
        case kKeyOpacity: ReadOpacity(procs, token, *block); break;
        default: break;  // unknown keys are skipped
      }
    }
    const OSErr closed = procs->closeReadDescriptorProc(token);
    // The descriptor is consumed. A host-made handle that the fallback does not know is
    // left to the host by HostDisposeHandle.
    HostDisposeHandle(record->handleProcs, parameters->descriptor);
    parameters->descriptor = nullptr;
    if (closed != noErr && closed != errMissingParameter) *context->result = closed;
  }
  block->showDialog = parameters->playInfo == plugInDialogDisplay ? 1 : 0;
}

void WriteScriptParameters(InvocationContext* context) noexcept {
  FilterRecord* record = context->filterRecord;
  PIDescriptorParameters* parameters = record->descriptorParameters;
  const FilterParameters* block = ParametersOf(record);
  if (block == nullptr || !DescriptorSuitesUsable(parameters)) return;
  const WriteDescriptorProcs* procs = parameters->writeDescriptorProcs;

  PIWriteDescriptor token = procs->openWriteDescriptorProc();
  if (token == nullptr) return;
  const double amount = block->amount;
  procs->putUnitFloatProc(token, kKeyAmount, kUnitPercent, &amount);
  procs->putEnumeratedProc(token, kKeyColour, kTypeColour, block->colourCode);
  if (block->entireImage != 0) procs->putBooleanProc(token, kKeyEntireImage, 1);
  // The grid itself, as the renderer would use it; thicknesses as the dialog shows them.
  procs->putIntegerProc(token, kKeyHorizontalGap,
                        ClampScriptedInteger(block->horizontalGap, kGapRange));
  procs->putIntegerProc(token, kKeyVerticalGap, ClampScriptedInteger(block->verticalGap, kGapRange));
  procs->putIntegerProc(token, kKeyHorizontalThickness,
                        ClampScriptedInteger(block->horizontalThickness, kThicknessRange) + 1);
  procs->putIntegerProc(token, kKeyVerticalThickness,
                        ClampScriptedInteger(block->verticalThickness, kThicknessRange) + 1);
  procs->putEnumeratedProc(token, kKeyAlignment, kTypeAlignment,
                           CodeFromAlignment(block->alignment));
  procs->putBooleanProc(token, kKeyIgnoreZeroPixel, block->ignoreZeroPixel != 0 ? 1 : 0);
  procs->putBooleanProc(token, kKeyRemoveOthers, block->removeOthers != 0 ? 1 : 0);
  const double opacity = ClampSetting(block->opacity, kOpacityRange);
  procs->putUnitFloatProc(token, kKeyOpacity, kUnitPercent, &opacity);
  if (block->colourCode == kColourCustom) WriteCustomColour(procs, token, record, *block);

  if (parameters->descriptor != nullptr) {
    HostDisposeHandle(record->handleProcs, parameters->descriptor);
    parameters->descriptor = nullptr;
  }
  PIDescriptorHandle fresh = nullptr;
  procs->closeWriteDescriptorProc(token, &fresh);
  parameters->descriptor = fresh;
  parameters->recordInfo = plugInDialogOptional;
}
