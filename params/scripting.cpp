#include "params/scripting.h"

#include <cmath>

#include "host/coordinates.h"
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
bool ReadPinnedInteger(const ReadDescriptorProcs* procs, PIReadDescriptor token,
                       const SettingRange& stored, int32_t offset, int16_t& field) noexcept {
  int32_t value = field + offset;
  const OSErr err = procs->getPinnedIntegerProc(token, stored.minimum + offset,
                                                stored.maximum + offset, &value);
  if (err < 0) return false;  // a value of another type, or none: keep the setting
  // Clamped before the offset comes off: a host that does not pin may answer INT32_MIN.
  field = ClampScriptedInteger(ClampSetting(value, SettingRange{stored.minimum + offset,
                                                                stored.maximum + offset, 0}) -
                                   offset,
                               stored);
  return true;
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
void ReadColourObject(const FilterRecord* record, const ReadDescriptorProcs* procs,
                      PIReadDescriptor token, uint8_t& red, uint8_t& green, uint8_t& blue) noexcept {
  DescriptorClassID type = 0;
  PIDescriptorHandle object = nullptr;
  if (procs->getObjectProc(token, &type, &object) < 0 || object == nullptr) return;
  if (type == kClassRgbColour) {
    DescriptorKeyID keys[] = {kKeyRed, kKeyGreen, kKeyBlue, 0};
    PIReadDescriptor inner = procs->openReadDescriptorProc(object, keys);
    if (inner != nullptr) {
      uint8_t rgb[3] = {red, green, blue};
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
      red = rgb[0], green = rgb[1], blue = rgb[2];
    }
  }
  HostDisposeHandle(record->handleProcs, object);
}

// 'Opct' and 'MnOp', percentages: rounded and held in 1..100; not a number keeps the block's.
void ReadOpacity(const ReadDescriptorProcs* procs, PIReadDescriptor token,
                 int16_t& opacity) noexcept {
  const double minimum = kOpacityRange.minimum;
  const double maximum = kOpacityRange.maximum;
  DescriptorUnitID unit = kUnitPercent;
  double value = opacity;
  if (procs->getPinnedUnitFloatProc(token, &minimum, &maximum, &unit, &value) < 0) return;
  if (std::isnan(value)) return;
  if (value < minimum) value = minimum;
  if (value > maximum) value = maximum;
  opacity = int16_t(std::lround(value));
}

// Records a colour as hosts record colours; left out when the host cannot take objects.
void WriteColourObject(const WriteDescriptorProcs* procs, PIWriteDescriptor token,
                       const FilterRecord* record, DescriptorKeyID key, uint8_t red,
                       uint8_t green, uint8_t blue) noexcept {
  if (procs->putObjectProc == nullptr || procs->putFloatProc == nullptr) return;
  PIWriteDescriptor inner = procs->openWriteDescriptorProc();
  if (inner == nullptr) return;
  const double rgb[3] = {double(red), double(green), double(blue)};
  procs->putFloatProc(inner, kKeyRed, &rgb[0]);
  procs->putFloatProc(inner, kKeyGreen, &rgb[1]);
  procs->putFloatProc(inner, kKeyBlue, &rgb[2]);
  PIDescriptorHandle object = nullptr;
  if (procs->closeWriteDescriptorProc(inner, &object) == noErr && object != nullptr)
    procs->putObjectProc(token, key, kClassRgbColour, object);
  // The host keeps its own copy of an object it was given.
  if (object != nullptr) HostDisposeHandle(record->handleProcs, object);
}


// The lengths a step may carry, in this order; the first four are today's keys.
enum LengthIndexes : int32_t {
  kHorizontalGapIndex,
  kHorizontalThick,
  kVerticalGapIndex,
  kVerticalThick,
  kHorizontalOffsetIndex,
  kVerticalOffsetIndex,
  kDashIndex,
  kDashGapIndex,
  kMinorThickIndex,
  kLengthCount
};
constexpr DescriptorKeyID kLengthKeys[kLengthCount] = {
    kKeyHorizontalGap, kKeyHorizontalThickness, kKeyVerticalGap, kKeyVerticalThickness,
    kKeyHorizontalOffset, kKeyVerticalOffset, kKeyDashLength, kKeyDashGap, kKeyMinorThickness};

int32_t LengthIndex(DescriptorKeyID key) noexcept {
  for (int32_t i = 0; i < kLengthCount; ++i)
    if (kLengthKeys[i] == key) return i;
  return 0;
}

int32_t* LengthField(FilterParameters& block, int32_t index) noexcept {
  switch (index) {
    case kHorizontalGapIndex: return &block.horizontalGapLength;
    case kHorizontalThick: return &block.horizontalThickLength;
    case kVerticalGapIndex: return &block.verticalGapLength;
    case kVerticalThick: return &block.verticalThickLength;
    case kHorizontalOffsetIndex: return &block.horizontalOffset;
    case kVerticalOffsetIndex: return &block.verticalOffset;
    case kDashIndex: return &block.dashLength;
    case kDashGapIndex: return &block.dashGapLength;
    default: return &block.minorThickLength;
  }
}

// Lengths measured down the picture take its height and vertical resolution; the others
// (and the dashes and minor thickness, which serve both directions) its width and horizontal.
bool MeasuredDown(int32_t index) noexcept {
  return index == kHorizontalGapIndex || index == kHorizontalThick || index == kVerticalOffsetIndex;
}

struct ScriptedLength {
  bool present;
  DescriptorUnitID kind;  // kUnitPixels, kUnitPercent or kUnitDistance
  double value;
};

// What one unit of `unit` is in pixels; `extent` is the filter area's side for percent.
double PixelsPerUnit(int32_t unit, double ppi, double extent) noexcept {
  switch (unit) {
    case kGridPercent: return extent / 100.0;
    case kGridInches: return ppi;
    case kGridCentimetres: return ppi / 2.54;
    case kGridMillimetres: return ppi / 25.4;
    case kGridPoints: return ppi / 72.0;
    case kGridPicas: return ppi / 6.0;
    default: return 1.0;
  }
}

int32_t UnitOfKind(DescriptorUnitID kind) noexcept {
  if (kind == kUnitPercent) return kGridPercent;
  if (kind == kUnitDistance) return kGridPoints;
  return kGridPixels;
}

bool IsPhysical(int32_t unit) noexcept { return unit >= kGridInches && unit <= kGridPicas; }

// A length of today's keys as an integer is pixels; a unit float of a kind not known, or not a
// number, is ignored as a value of another type is.
void ReadLength(const ReadDescriptorProcs* procs, PIReadDescriptor token, DescriptorTypeID type,
                int32_t index, FilterParameters& block, ScriptedLength* lengths) noexcept {
  ScriptedLength& length = lengths[index];
  if (type == FourCC("UntF")) {
    DescriptorUnitID kind = 0;
    double value = 0.0;
    if (procs->getUnitFloatProc(token, &kind, &value) < 0 || std::isnan(value)) return;
    if (kind != kUnitPixels && kind != kUnitPercent && kind != kUnitDistance) return;
    length = ScriptedLength{true, kind, value};
    return;
  }
  const bool thickness = index == kHorizontalThick || index == kVerticalThick;
  if (index < 4) {
    int16_t mirror = index == kHorizontalGapIndex ? block.horizontalGap
                     : index == kVerticalGapIndex ? block.verticalGap
                     : index == kHorizontalThick  ? block.horizontalThickness
                                                  : block.verticalThickness;
    if (!ReadPinnedInteger(procs, token, thickness ? kThicknessRange : kGapRange, thickness ? 1 : 0, mirror))
      return;
    length = ScriptedLength{true, kUnitPixels, double(mirror + (thickness ? 1 : 0))};
    return;
  }
  int32_t value = 0;
  if (procs->getIntegerProc(token, &value) < 0) return;
  length = ScriptedLength{true, kUnitPixels, double(value)};
}

int32_t StoredLength(double value, int32_t index) noexcept {
  const SettingRange& range = (index == kHorizontalOffsetIndex || index == kVerticalOffsetIndex) ? kOffsetRange : kLengthRange;
  const double scaled = value * kLengthScale;
  if (!(scaled > range.minimum)) return range.minimum;
  if (!(scaled < range.maximum)) return range.maximum;
  return int32_t(std::llround(scaled));
}

// Brings the step's lengths into one unit: the recorded one, else the kind the step's lengths
// came in (percent before distances before pixels), else the block's. Lengths the step left out
// are converted from the block's unit, so the grid keeps its size.
void ApplyScriptedLengths(const FilterRecord* record, const ScriptedLength* lengths,
                          int32_t recordedUnit, FilterParameters& block) noexcept {
  bool any = false, percent = false, distance = false;
  for (int32_t i = 0; i < kLengthCount; ++i) {
    if (!lengths[i].present) continue;
    any = true;
    percent = percent || lengths[i].kind == kUnitPercent;
    distance = distance || lengths[i].kind == kUnitDistance;
  }
  if (!any && recordedUnit < 0) return;
  int32_t target = kGridPixels;
  if (recordedUnit >= 0) {
    target = recordedUnit;
  } else if (percent) {
    target = kGridPercent;
  } else if (distance) {
    target = IsPhysical(block.unit) ? int32_t(block.unit) : int32_t(kGridPoints);
  } else {
    target = kGridPixels;
  }
  const VRect area = FilterArea(record);
  const double extents[2] = {double(int64_t(area.right) - area.left), double(int64_t(area.bottom) - area.top)};
  const double ppis[2] = {record->imageHRes > 0 ? record->imageHRes / 65536.0 : 72.0,
                          record->imageVRes > 0 ? record->imageVRes / 65536.0 : 72.0};
  for (int32_t i = 0; i < kLengthCount; ++i) {
    const int d = MeasuredDown(i) ? 1 : 0;
    const double targetScale = PixelsPerUnit(target, ppis[d], extents[d]);
    if (!(targetScale > 0)) continue;  // percent of an empty area: keep the length
    double pixels = 0.0;
    if (lengths[i].present) {
      pixels = lengths[i].value * PixelsPerUnit(UnitOfKind(lengths[i].kind), ppis[d], extents[d]);
    } else if (target != block.unit) {
      pixels = double(*LengthField(block, i)) / kLengthScale * PixelsPerUnit(block.unit, ppis[d], extents[d]);
    } else {
      continue;
    }
    *LengthField(block, i) = StoredLength(pixels / targetScale, i);
  }
  block.unit = uint8_t(target);
  UpdatePixelMirrors(&block);
}

int32_t UnitFromCode(DescriptorEnumID code, int32_t current) noexcept {
  for (int32_t i = 0; i < 7; ++i)
    if (kGridUnitCodes[i] == code) return i;
  return current;  // an unknown unit keeps what the step's lengths say
}

uint8_t StyleFromCode(DescriptorEnumID code, uint8_t current) noexcept {
  if (code == kStyleSolid) return kLineSolid;
  if (code == kStyleDashed) return kLineDashed;
  if (code == kStyleDotted) return kLineDotted;
  return current;
}

DescriptorEnumID CodeFromStyle(uint8_t style) noexcept {
  if (style == kLineDashed) return kStyleDashed;
  if (style == kLineDotted) return kStyleDotted;
  return kStyleSolid;
}

// A length as a unit float of the unit's kind: distances in points.
void WriteLength(const WriteDescriptorProcs* procs, PIWriteDescriptor token, DescriptorKeyID key,
                 uint8_t unit, int32_t length) noexcept {
  const double value = double(length) / kLengthScale;
  if (unit == kGridPercent) {
    procs->putUnitFloatProc(token, key, kUnitPercent, &value);
  } else if (IsPhysical(unit)) {
    const double points = value * PixelsPerUnit(unit, 72.0, 0.0);  // pixels at 72 ppi are points
    procs->putUnitFloatProc(token, key, kUnitDistance, &points);
  } else {
    procs->putUnitFloatProc(token, key, kUnitPixels, &value);
  }
}

bool GeometryInUse(const FilterParameters& block) noexcept {
  return block.unit != kGridPixels || block.horizontalGapLength % kLengthScale != 0 ||
         block.verticalGapLength % kLengthScale != 0 ||
         block.horizontalThickLength % kLengthScale != 0 ||
         block.verticalThickLength % kLengthScale != 0 || block.horizontalOffset != 0 ||
         block.verticalOffset != 0 || block.rows != 0 || block.columns != 0 || block.frame != 0 ||
         block.subdivisions > 1 || block.lineStyle != kLineSolid ||
         block.dashLength != kDefaultDashLength || block.dashGapLength != kDefaultDashGapLength ||
         block.minorThickLength != kDefaultThicknessLength || block.minorRed != 0 ||
         block.minorGreen != 0 || block.minorBlue != 255 ||
         block.minorOpacity != kMinorOpacityRange.defaultValue;
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
    ScriptedLength lengths[kLengthCount] = {};
    int32_t recordedUnit = -1;
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
        case kKeyVerticalGap:
        case kKeyHorizontalThickness:
        case kKeyVerticalThickness:
        case kKeyHorizontalOffset:
        case kKeyVerticalOffset:
        case kKeyDashLength:
        case kKeyDashGap:
        case kKeyMinorThickness:
          ReadLength(procs, token, type, LengthIndex(key), *block, lengths);
          break;
        case kKeyAlignment: {
          DescriptorEnumID code = 0;
          if (procs->getEnumeratedProc(token, &code) >= 0)
            block->alignment = AlignmentFromCode(code, block->alignment);
          break;
        }
        case kKeyIgnoreZeroPixel: ReadFlag(procs, token, block->ignoreZeroPixel); break;
        case kKeyRemoveOthers: ReadFlag(procs, token, block->removeOthers); break;
        case kKeyCustomColour:
          ReadColourObject(record, procs, token, block->customRed, block->customGreen, block->customBlue);
          break;
        case kKeyOpacity: ReadOpacity(procs, token, block->opacity); break;
        case kKeyMinorColour:
          ReadColourObject(record, procs, token, block->minorRed, block->minorGreen, block->minorBlue);
          break;
        case kKeyMinorOpacity: ReadOpacity(procs, token, block->minorOpacity); break;
        case kKeyRows: ReadPinnedInteger(procs, token, kCellCountRange, 0, block->rows); break;
        case kKeyColumns: ReadPinnedInteger(procs, token, kCellCountRange, 0, block->columns); break;
        case kKeySubdivisions:
          ReadPinnedInteger(procs, token, kSubdivisionRange, 0, block->subdivisions);
          break;
        case kKeyFrame: ReadFlag(procs, token, block->frame); break;
        case kKeyLineStyle: {
          DescriptorEnumID code = 0;
          if (procs->getEnumeratedProc(token, &code) >= 0)
            block->lineStyle = StyleFromCode(code, block->lineStyle);
          break;
        }
        case kKeyGridUnit: {
          DescriptorEnumID code = 0;
          if (procs->getEnumeratedProc(token, &code) >= 0) recordedUnit = UnitFromCode(code, recordedUnit);
          break;
        }
        default: break;  // unknown keys are skipped
      }
    }
    ApplyScriptedLengths(record, lengths, recordedUnit, *block);
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
  // Whole pixels stay integers, as steps were recorded before units, so older modules
  // replay them; anything else is a unit float.
  for (int32_t i = 0; i < 4; ++i) {
    const DescriptorKeyID key = kLengthKeys[i];
    const int32_t length = *LengthField(const_cast<FilterParameters&>(*block), i);
    if (block->unit == kGridPixels && length % kLengthScale == 0) {
      const bool thickness = i == kHorizontalThick || i == kVerticalThick;
      const int16_t mirror = thickness ? (i == kHorizontalThick ? block->horizontalThickness : block->verticalThickness)
                                       : (i == kHorizontalGapIndex ? block->horizontalGap : block->verticalGap);
      procs->putIntegerProc(token, key, thickness ? ClampScriptedInteger(mirror, kThicknessRange) + 1
                                                  : ClampScriptedInteger(mirror, kGapRange));
    } else {
      WriteLength(procs, token, key, block->unit, length);
    }
  }
  procs->putEnumeratedProc(token, kKeyAlignment, kTypeAlignment,
                           CodeFromAlignment(block->alignment));
  procs->putBooleanProc(token, kKeyIgnoreZeroPixel, block->ignoreZeroPixel != 0 ? 1 : 0);
  procs->putBooleanProc(token, kKeyRemoveOthers, block->removeOthers != 0 ? 1 : 0);
  const double opacity = ClampSetting(block->opacity, kOpacityRange);
  procs->putUnitFloatProc(token, kKeyOpacity, kUnitPercent, &opacity);
  if (block->colourCode == kColourCustom)
    WriteColourObject(procs, token, record, kKeyCustomColour, block->customRed, block->customGreen,
                      block->customBlue);
  // The keys of units, cells, offsets, subdivisions and styles only once any is in use, so a
  // grid of today records today's step.
  if (GeometryInUse(*block)) {
    procs->putEnumeratedProc(token, kKeyGridUnit, kTypeGridUnit, kGridUnitCodes[block->unit % 7]);
    for (int32_t i = 4; i < kLengthCount; ++i)
      WriteLength(procs, token, kLengthKeys[i], block->unit, *LengthField(const_cast<FilterParameters&>(*block), i));
    procs->putIntegerProc(token, kKeyRows, ClampSetting(block->rows, kCellCountRange));
    procs->putIntegerProc(token, kKeyColumns, ClampSetting(block->columns, kCellCountRange));
    procs->putBooleanProc(token, kKeyFrame, block->frame != 0 ? 1 : 0);
    procs->putIntegerProc(token, kKeySubdivisions, ClampSetting(block->subdivisions, kSubdivisionRange));
    procs->putEnumeratedProc(token, kKeyLineStyle, kTypeLineStyle, CodeFromStyle(block->lineStyle));
    WriteColourObject(procs, token, record, kKeyMinorColour, block->minorRed, block->minorGreen,
                      block->minorBlue);
    const double minorOpacity = ClampSetting(block->minorOpacity, kMinorOpacityRange);
    procs->putUnitFloatProc(token, kKeyMinorOpacity, kUnitPercent, &minorOpacity);
  }

  if (parameters->descriptor != nullptr) {
    HostDisposeHandle(record->handleProcs, parameters->descriptor);
    parameters->descriptor = nullptr;
  }
  PIDescriptorHandle fresh = nullptr;
  procs->closeWriteDescriptorProc(token, &fresh);
  parameters->descriptor = fresh;
  parameters->recordInfo = plugInDialogOptional;
}
