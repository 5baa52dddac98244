// The host's published filter plug-in interface, declared from its binary layout.
// Offsets are pinned below for 32-bit and 64-bit Windows; the native 64-bit Linux build
// sees the 64-bit layout because no member uses `long`.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define HOSTAPI __cdecl
#else
#define HOSTAPI
#endif

// ---------------------------------------------------------------------------
// Primitive types
// ---------------------------------------------------------------------------
using Boolean = uint8_t;  // one byte, 0 or 1; a wider type moves every later member
using OSErr = int16_t;
using OSType = uint32_t;
using Fixed = int32_t;  // 16.16 fixed point
using Ptr = char*;
using Handle = char**;  // address of a place that holds the address of the data
using Str255 = unsigned char[256];

using DescriptorKeyID = uint32_t;
using DescriptorTypeID = uint32_t;
using DescriptorUnitID = uint32_t;
using DescriptorEnumID = uint32_t;
using DescriptorClassID = uint32_t;
using PIDescriptorHandle = Handle;

struct PIOpaqueReadDescriptor;
struct PIOpaqueWriteDescriptor;
using PIReadDescriptor = PIOpaqueReadDescriptor*;
using PIWriteDescriptor = PIOpaqueWriteDescriptor*;
struct PIDescriptorSimpleReference;

// First character in the most significant byte: FourCC("PrMr") == 0x50724D72.
constexpr uint32_t FourCC(const char (&s)[5]) {
  return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) |
         (uint32_t(uint8_t(s[2])) << 8) | uint32_t(uint8_t(s[3]));
}

struct Point {
  int16_t v;
  int16_t h;
};

struct Rect {
  int16_t top;
  int16_t left;
  int16_t bottom;
  int16_t right;
};

struct VPoint {
  int32_t v;
  int32_t h;
};

struct VRect {
  int32_t top;
  int32_t left;
  int32_t bottom;
  int32_t right;
};

struct RGBColor {
  uint16_t red;
  uint16_t green;
  uint16_t blue;
};

using FilterColor = uint8_t[4];

struct PlugInMonitor {
  Fixed gamma, redX, redY, greenX, greenY, blueX, blueY, whiteX, whiteY, ambient;
};

// ---------------------------------------------------------------------------
// Records with natural alignment
// ---------------------------------------------------------------------------
struct PlatformData {
  intptr_t hwnd;  // owner window for dialogs; may be 0
};

struct SPBasicSuite;

struct AboutRecord {
  PlatformData* platformData;
  SPBasicSuite* sSPBasic;
  void* plugInRef;
  char reserved[244];
};

struct ColorServicesInfo {
  int32_t infoSize;
  int16_t selector;
  int16_t sourceSpace;
  int16_t resultSpace;
  Boolean resultGamutInfoValid;
  Boolean resultInGamut;
  void* reservedSourceSpaceInfo;
  void* reservedResultSpaceInfo;
  int16_t colorComponents[4];
  void* reserved;
  union {
    Str255* pickerPrompt;
    Point* globalSamplePoint;
    int32_t specialColorID;
  } selectorParameter;
};

struct PSPixelMask {
  PSPixelMask* next;
  void* maskData;
  int32_t rowBytes;
  int32_t colBytes;
  int32_t maskDescription;
};

struct PSPixelMap {
  int32_t version;
  VRect bounds;
  int32_t imageMode;
  int32_t rowBytes;
  int32_t colBytes;
  int32_t planeBytes;
  void* baseAddr;
  PSPixelMask* mat;
  PSPixelMask* masks;
  int32_t maskPhaseRow;
  int32_t maskPhaseCol;
};

// Callbacks. All cdecl on 32-bit Windows, the one x64 convention on 64-bit.
using TestAbortProc = Boolean(HOSTAPI*)();
using ProgressProc = void(HOSTAPI*)(int32_t done, int32_t total);
using HostProc = void(HOSTAPI*)(int16_t selector, intptr_t* data);
using ProcessEventProc = void(HOSTAPI*)(void* event);
using DisplayPixelsProc = OSErr(HOSTAPI*)(const PSPixelMap* source, const VRect* srcRect,
                                          int32_t dstRow, int32_t dstCol, void* platformContext);
using AdvanceStateProc = OSErr(HOSTAPI*)();
using GetPropertyProc = OSErr(HOSTAPI*)(OSType signature, OSType key, int32_t index,
                                        intptr_t* simpleProperty, Handle* complexProperty);
using ColorServicesProc = OSErr(HOSTAPI*)(ColorServicesInfo* info);

using NewPIHandleProc = Handle(HOSTAPI*)(int32_t size);
using DisposePIHandleProc = void(HOSTAPI*)(Handle h);
using GetPIHandleSizeProc = int32_t(HOSTAPI*)(Handle h);
using SetPIHandleSizeProc = OSErr(HOSTAPI*)(Handle h, int32_t newSize);
using LockPIHandleProc = Ptr(HOSTAPI*)(Handle h, Boolean moveHigh);
using UnlockPIHandleProc = void(HOSTAPI*)(Handle h);
using RecoverSpaceProc = void(HOSTAPI*)(int32_t size);
using DisposeRegularHandleProc = void(HOSTAPI*)(Handle h);

struct HandleProcs {
  int16_t handleProcsVersion;
  int16_t numHandleProcs;
  NewPIHandleProc newProc;
  DisposePIHandleProc disposeProc;
  GetPIHandleSizeProc getSizeProc;
  SetPIHandleSizeProc setSizeProc;
  LockPIHandleProc lockProc;
  UnlockPIHandleProc unlockProc;
  RecoverSpaceProc recoverSpaceProc;
  DisposeRegularHandleProc disposeRegularHandleProc;
};

// Buffer suite: blocks the host counts against its own memory. Routines 6..8 only exist when
// numBufferProcs says so.
using BufferID = struct OpaqueBuffer*;
using AllocateBufferProc = OSErr(HOSTAPI*)(int32_t size, BufferID* bufferID);
using LockBufferProc = Ptr(HOSTAPI*)(BufferID bufferID, Boolean moveHigh);
using UnlockBufferProc = void(HOSTAPI*)(BufferID bufferID);
using FreeBufferProc = void(HOSTAPI*)(BufferID bufferID);
using BufferSpaceProc = int32_t(HOSTAPI*)();
using ReserveBufferSpaceProc = OSErr(HOSTAPI*)(int32_t size);
using AllocateBuffer64Proc = OSErr(HOSTAPI*)(int64_t size, BufferID* bufferID);
using BufferSpace64Proc = int64_t(HOSTAPI*)();

constexpr int16_t kCurrentBufferProcsVersion = 2;

struct BufferProcs {
  int16_t bufferProcsVersion;
  int16_t numBufferProcs;
  AllocateBufferProc allocateProc;
  LockBufferProc lockProc;
  UnlockBufferProc unlockProc;
  FreeBufferProc freeProc;
  BufferSpaceProc spaceProc;
  ReserveBufferSpaceProc reserveProc;
  AllocateBuffer64Proc allocateProc64;
  BufferSpace64Proc spaceProc64;
};

// Suites the plug-in never calls; only their pointers sit in the record.
struct ResourceProcs;
struct ImageServicesProcs;
struct PropertyProcs;
struct ChannelPortProcs;
struct ReadImageDocumentDesc;
struct BigDocumentStruct;

// Scripting
using OpenReadDescriptorProc = PIReadDescriptor(HOSTAPI*)(PIDescriptorHandle descriptor,
                                                          DescriptorKeyID* keyArray);
using CloseReadDescriptorProc = OSErr(HOSTAPI*)(PIReadDescriptor token);
using GetKeyProc = Boolean(HOSTAPI*)(PIReadDescriptor token, DescriptorKeyID* key,
                                     DescriptorTypeID* type, int32_t* flags);
using GetIntegerProc = OSErr(HOSTAPI*)(PIReadDescriptor token, int32_t* value);
using GetFloatProc = OSErr(HOSTAPI*)(PIReadDescriptor token, double* value);
using GetUnitFloatProc = OSErr(HOSTAPI*)(PIReadDescriptor token, DescriptorUnitID* unit,
                                         double* value);
using GetBooleanProc = OSErr(HOSTAPI*)(PIReadDescriptor token, Boolean* value);
using GetTextProc = OSErr(HOSTAPI*)(PIReadDescriptor token, Handle* value);
using GetAliasProc = OSErr(HOSTAPI*)(PIReadDescriptor token, Handle* value);
using GetEnumeratedProc = OSErr(HOSTAPI*)(PIReadDescriptor token, DescriptorEnumID* value);
using GetClassProc = OSErr(HOSTAPI*)(PIReadDescriptor token, DescriptorClassID* value);
using GetSimpleReferenceProc = OSErr(HOSTAPI*)(PIReadDescriptor token,
                                               PIDescriptorSimpleReference* value);
using GetObjectProc = OSErr(HOSTAPI*)(PIReadDescriptor token, DescriptorClassID* type,
                                      PIDescriptorHandle* value);
using GetCountProc = OSErr(HOSTAPI*)(PIReadDescriptor token, uint32_t* value);
using GetStringProc = OSErr(HOSTAPI*)(PIReadDescriptor token, Str255* value);
using GetPinnedIntegerProc = OSErr(HOSTAPI*)(PIReadDescriptor token, int32_t min, int32_t max,
                                             int32_t* value);
using GetPinnedFloatProc = OSErr(HOSTAPI*)(PIReadDescriptor token, const double* min,
                                           const double* max, double* value);
using GetPinnedUnitFloatProc = OSErr(HOSTAPI*)(PIReadDescriptor token, const double* min,
                                               const double* max, DescriptorUnitID* unit,
                                               double* value);

struct ReadDescriptorProcs {
  int16_t readDescriptorProcsVersion;
  int16_t numReadDescriptorProcs;
  OpenReadDescriptorProc openReadDescriptorProc;
  CloseReadDescriptorProc closeReadDescriptorProc;
  GetKeyProc getKeyProc;
  GetIntegerProc getIntegerProc;
  GetFloatProc getFloatProc;
  GetUnitFloatProc getUnitFloatProc;
  GetBooleanProc getBooleanProc;
  GetTextProc getTextProc;
  GetAliasProc getAliasProc;
  GetEnumeratedProc getEnumeratedProc;
  GetClassProc getClassProc;
  GetSimpleReferenceProc getSimpleReferenceProc;
  GetObjectProc getObjectProc;
  GetCountProc getCountProc;
  GetStringProc getStringProc;
  GetPinnedIntegerProc getPinnedIntegerProc;
  GetPinnedFloatProc getPinnedFloatProc;
  GetPinnedUnitFloatProc getPinnedUnitFloatProc;
};

using OpenWriteDescriptorProc = PIWriteDescriptor(HOSTAPI*)();
using CloseWriteDescriptorProc = OSErr(HOSTAPI*)(PIWriteDescriptor token,
                                                 PIDescriptorHandle* newDescriptor);
using PutIntegerProc = OSErr(HOSTAPI*)(PIWriteDescriptor token, DescriptorKeyID key,
                                       int32_t value);
using PutFloatProc = OSErr(HOSTAPI*)(PIWriteDescriptor token, DescriptorKeyID key,
                                     const double* value);
using PutUnitFloatProc = OSErr(HOSTAPI*)(PIWriteDescriptor token, DescriptorKeyID key,
                                         DescriptorUnitID unit, const double* value);
using PutBooleanProc = OSErr(HOSTAPI*)(PIWriteDescriptor token, DescriptorKeyID key,
                                       Boolean value);
using PutTextProc = OSErr(HOSTAPI*)(PIWriteDescriptor token, DescriptorKeyID key, Handle value);
using PutAliasProc = OSErr(HOSTAPI*)(PIWriteDescriptor token, DescriptorKeyID key, Handle value);
using PutEnumeratedProc = OSErr(HOSTAPI*)(PIWriteDescriptor token, DescriptorKeyID key,
                                          DescriptorTypeID type, DescriptorEnumID value);
using PutClassProc = OSErr(HOSTAPI*)(PIWriteDescriptor token, DescriptorKeyID key,
                                     DescriptorTypeID value);
using PutSimpleReferenceProc = OSErr(HOSTAPI*)(PIWriteDescriptor token, DescriptorKeyID key,
                                               const PIDescriptorSimpleReference* value);
using PutObjectProc = OSErr(HOSTAPI*)(PIWriteDescriptor token, DescriptorKeyID key,
                                      DescriptorTypeID type, PIDescriptorHandle value);
using PutCountProc = OSErr(HOSTAPI*)(PIWriteDescriptor token, DescriptorKeyID key,
                                     uint32_t value);
using PutStringProc = OSErr(HOSTAPI*)(PIWriteDescriptor token, DescriptorKeyID key,
                                      const unsigned char* value);
using PutScopedClassProc = OSErr(HOSTAPI*)(PIWriteDescriptor token, DescriptorKeyID key,
                                           DescriptorTypeID value);
using PutScopedObjectProc = OSErr(HOSTAPI*)(PIWriteDescriptor token, DescriptorKeyID key,
                                            DescriptorTypeID type, PIDescriptorHandle value);

struct WriteDescriptorProcs {
  int16_t writeDescriptorProcsVersion;
  int16_t numWriteDescriptorProcs;
  OpenWriteDescriptorProc openWriteDescriptorProc;
  CloseWriteDescriptorProc closeWriteDescriptorProc;
  PutIntegerProc putIntegerProc;
  PutFloatProc putFloatProc;
  PutUnitFloatProc putUnitFloatProc;
  PutBooleanProc putBooleanProc;
  PutTextProc putTextProc;
  PutAliasProc putAliasProc;
  PutEnumeratedProc putEnumeratedProc;
  PutClassProc putClassProc;
  PutSimpleReferenceProc putSimpleReferenceProc;
  PutObjectProc putObjectProc;
  PutCountProc putCountProc;
  PutStringProc putStringProc;
  PutScopedClassProc putScopedClassProc;
  PutScopedObjectProc putScopedObjectProc;
};

// Write procedures come before read procedures in this record.
struct PIDescriptorParameters {
  int16_t descriptorParametersVersion;
  int16_t playInfo;
  int16_t recordInfo;
  PIDescriptorHandle descriptor;
  WriteDescriptorProcs* writeDescriptorProcs;
  ReadDescriptorProcs* readDescriptorProcs;
};

// ---------------------------------------------------------------------------
// FilterRecord: maximum member alignment 4 on Windows, so most pointers on x64 sit at
// offsets that are 4 mod 8. Declared up to its last established member, maxSpace64.
// ---------------------------------------------------------------------------
#pragma pack(push, 4)
struct FilterRecord {
  int32_t serialNumber;
  TestAbortProc abortProc;
  ProgressProc progressProc;
  Handle parameters;
  Point imageSize;
  int16_t planes;
  Rect filterRect;
  RGBColor background;
  RGBColor foreground;
  int32_t maxSpace;
  int32_t bufferSpace;
  Rect inRect;
  int16_t inLoPlane;
  int16_t inHiPlane;
  Rect outRect;
  int16_t outLoPlane;
  int16_t outHiPlane;
  void* inData;
  int32_t inRowBytes;
  void* outData;
  int32_t outRowBytes;
  Boolean isFloating;
  Boolean haveMask;
  Boolean autoMask;
  Rect maskRect;
  void* maskData;
  int32_t maskRowBytes;
  FilterColor backColor;
  FilterColor foreColor;
  OSType hostSig;
  HostProc hostProc;
  int16_t imageMode;
  Fixed imageHRes;
  Fixed imageVRes;
  Point floatCoord;
  Point wholeSize;
  PlugInMonitor monitor;
  PlatformData* platformData;
  BufferProcs* bufferProcs;
  ResourceProcs* resourceProcs;
  ProcessEventProc processEvent;
  DisplayPixelsProc displayPixels;
  HandleProcs* handleProcs;
  Boolean supportsDummyChannels;
  Boolean supportsAlternateLayouts;
  int16_t wantLayout;
  int16_t filterCase;
  int16_t dummyPlaneValue;
  void* premiereHook;
  AdvanceStateProc advanceState;
  Boolean supportsAbsolute;
  Boolean wantsAbsolute;
  GetPropertyProc getPropertyObsolete;
  Boolean cannotUndo;
  Boolean supportsPadding;
  int16_t inputPadding;
  int16_t outputPadding;
  int16_t maskPadding;
  char samplingSupport;
  char reservedByte;
  Fixed inputRate;
  Fixed maskRate;
  ColorServicesProc colorServices;
  int16_t inLayerPlanes;
  int16_t inTransparencyMask;
  int16_t inLayerMasks;
  int16_t inInvertedLayerMasks;
  int16_t inNonLayerPlanes;
  int16_t outLayerPlanes;
  int16_t outTransparencyMask;
  int16_t outLayerMasks;
  int16_t outInvertedLayerMasks;
  int16_t outNonLayerPlanes;
  int16_t absLayerPlanes;
  int16_t absTransparencyMask;
  int16_t absLayerMasks;
  int16_t absInvertedLayerMasks;
  int16_t absNonLayerPlanes;
  int16_t inPreDummyPlanes;
  int16_t inPostDummyPlanes;
  int16_t outPreDummyPlanes;
  int16_t outPostDummyPlanes;
  int32_t inColumnBytes;
  int32_t inPlaneBytes;
  int32_t outColumnBytes;
  int32_t outPlaneBytes;
  ImageServicesProcs* imageServicesProcs;
  PropertyProcs* propertyProcs;
  int16_t inTileHeight;
  int16_t inTileWidth;
  Point inTileOrigin;
  int16_t absTileHeight;
  int16_t absTileWidth;
  Point absTileOrigin;
  int16_t outTileHeight;
  int16_t outTileWidth;
  Point outTileOrigin;
  int16_t maskTileHeight;
  int16_t maskTileWidth;
  Point maskTileOrigin;
  PIDescriptorParameters* descriptorParameters;
  Str255* errorString;
  ChannelPortProcs* channelPortProcs;
  ReadImageDocumentDesc* documentInfo;
  SPBasicSuite* sSPBasic;
  void* plugInRef;
  int32_t depth;
  Handle iCCprofileData;
  int32_t iCCprofileSize;
  int32_t canUseICCProfiles;
  int32_t hasImageScrap;
  BigDocumentStruct* bigDocumentData;
  PIDescriptorParameters* input3DScene;
  PIDescriptorParameters* output3DScene;
  Boolean createNewLayer;
  Handle iCCWorkingProfileData;
  int32_t iCCWorkingProfileSize;
  int64_t bufferSpace64;
  int64_t maxSpace64;
};
#pragma pack(pop)

// ---------------------------------------------------------------------------
// Constants
// ---------------------------------------------------------------------------
enum : int16_t {
  filterSelectorAbout = 0,
  filterSelectorParameters = 1,
  filterSelectorPrepare = 2,
  filterSelectorStart = 3,
  filterSelectorContinue = 4,
  filterSelectorFinish = 5,
};

enum : int16_t {
  noErr = 0,
  userCanceledErr = -128,
  paramErr = -50,
  memFullErr = -108,
  nilHandleErr = -109,
  filterBadParameters = -30100,
  filterBadMode = -30101,
  errPlugInHostInsufficient = -30900,
  errMissingParameter = -1715,
};

enum : int16_t {
  plugInModeBitmap = 0,
  plugInModeGrayScale = 1,
  plugInModeIndexedColor = 2,
  plugInModeRGBColor = 3,
  plugInModeCMYKColor = 4,
  plugInModeHSLColor = 5,
  plugInModeHSBColor = 6,
  plugInModeMultichannel = 7,
  plugInModeDuotone = 8,
  plugInModeLabColor = 9,
  plugInModeGray16 = 10,
  plugInModeRGB48 = 11,
  plugInModeLab48 = 12,
  plugInModeCMYK64 = 13,
  plugInModeDeepMultichannel = 14,
  plugInModeDuotone16 = 15,
  plugInModeRGB96 = 16,
  plugInModeGray32 = 17,
};

enum : int16_t {
  plugIncolorServicesChooseColor = 0,
  plugIncolorServicesConvertColor = 1,
};

enum : int16_t {
  plugIncolorServicesChosenSpace = -1,
  plugIncolorServicesRGBSpace = 0,
  plugIncolorServicesHSBSpace = 1,
  plugIncolorServicesCMYKSpace = 2,
  plugIncolorServicesLabSpace = 3,
  plugIncolorServicesGraySpace = 4,
  plugIncolorServicesHSLSpace = 5,
};

enum : int16_t {
  plugInDialogDontDisplay = 0,
  plugInDialogDisplay = 1,
  plugInDialogSilent = 2,
};

enum : int16_t {
  plugInDialogOptional = 0,
  plugInDialogRequired = 1,
  plugInDialogNone = 2,
};

constexpr int16_t kCurrentHandleProcsVersion = 1;
constexpr int16_t kCurrentDescriptorParametersVersion = 0;
constexpr int16_t kCurrentReadDescriptorProcsVersion = 0;
constexpr int16_t kCurrentWriteDescriptorProcsVersion = 0;
constexpr Fixed kFixedOne = 0x00010000;

// ---------------------------------------------------------------------------
// Layout pins. A wrong offset crashes a real host, and a test host that shares this
// header cannot notice, so every member the plug-in or the test host touches is fixed here.
// ---------------------------------------------------------------------------
#if INTPTR_MAX == INT64_MAX
#define HOST_ABI_PICK(x86, x64) (x64)
#else
#define HOST_ABI_PICK(x86, x64) (x86)
#endif
#define HOST_ABI_OFFSET(record, member, x86, x64)                          \
  static_assert(offsetof(record, member) == HOST_ABI_PICK(x86, x64),       \
                #record "." #member " is not at its published offset")
#define HOST_ABI_SIZE(record, x86, x64) \
  static_assert(sizeof(record) == HOST_ABI_PICK(x86, x64), #record " has the wrong size")

HOST_ABI_SIZE(Point, 4, 4);
HOST_ABI_SIZE(Rect, 8, 8);
HOST_ABI_SIZE(VRect, 16, 16);
HOST_ABI_SIZE(RGBColor, 6, 6);
HOST_ABI_SIZE(PlugInMonitor, 40, 40);

HOST_ABI_OFFSET(FilterRecord, serialNumber, 0, 0);
HOST_ABI_OFFSET(FilterRecord, abortProc, 4, 4);
HOST_ABI_OFFSET(FilterRecord, progressProc, 8, 12);
HOST_ABI_OFFSET(FilterRecord, parameters, 12, 20);
HOST_ABI_OFFSET(FilterRecord, imageSize, 16, 28);
HOST_ABI_OFFSET(FilterRecord, planes, 20, 32);
HOST_ABI_OFFSET(FilterRecord, filterRect, 22, 34);
HOST_ABI_OFFSET(FilterRecord, background, 30, 42);
HOST_ABI_OFFSET(FilterRecord, foreground, 36, 48);
HOST_ABI_OFFSET(FilterRecord, maxSpace, 44, 56);
HOST_ABI_OFFSET(FilterRecord, bufferSpace, 48, 60);
HOST_ABI_OFFSET(FilterRecord, inRect, 52, 64);
HOST_ABI_OFFSET(FilterRecord, inLoPlane, 60, 72);
HOST_ABI_OFFSET(FilterRecord, inHiPlane, 62, 74);
HOST_ABI_OFFSET(FilterRecord, outRect, 64, 76);
HOST_ABI_OFFSET(FilterRecord, outLoPlane, 72, 84);
HOST_ABI_OFFSET(FilterRecord, outHiPlane, 74, 86);
HOST_ABI_OFFSET(FilterRecord, inData, 76, 88);
HOST_ABI_OFFSET(FilterRecord, inRowBytes, 80, 96);
HOST_ABI_OFFSET(FilterRecord, outData, 84, 100);
HOST_ABI_OFFSET(FilterRecord, outRowBytes, 88, 108);
HOST_ABI_OFFSET(FilterRecord, isFloating, 92, 112);
HOST_ABI_OFFSET(FilterRecord, haveMask, 93, 113);
HOST_ABI_OFFSET(FilterRecord, autoMask, 94, 114);
HOST_ABI_OFFSET(FilterRecord, maskRect, 96, 116);
HOST_ABI_OFFSET(FilterRecord, maskData, 104, 124);
HOST_ABI_OFFSET(FilterRecord, maskRowBytes, 108, 132);
HOST_ABI_OFFSET(FilterRecord, backColor, 112, 136);
HOST_ABI_OFFSET(FilterRecord, foreColor, 116, 140);
HOST_ABI_OFFSET(FilterRecord, hostSig, 120, 144);
HOST_ABI_OFFSET(FilterRecord, hostProc, 124, 148);
HOST_ABI_OFFSET(FilterRecord, imageMode, 128, 156);
HOST_ABI_OFFSET(FilterRecord, imageHRes, 132, 160);
HOST_ABI_OFFSET(FilterRecord, imageVRes, 136, 164);
HOST_ABI_OFFSET(FilterRecord, floatCoord, 140, 168);
HOST_ABI_OFFSET(FilterRecord, wholeSize, 144, 172);
HOST_ABI_OFFSET(FilterRecord, monitor, 148, 176);
HOST_ABI_OFFSET(FilterRecord, platformData, 188, 216);
HOST_ABI_OFFSET(FilterRecord, bufferProcs, 192, 224);
HOST_ABI_OFFSET(FilterRecord, resourceProcs, 196, 232);
HOST_ABI_OFFSET(FilterRecord, processEvent, 200, 240);
HOST_ABI_OFFSET(FilterRecord, displayPixels, 204, 248);
HOST_ABI_OFFSET(FilterRecord, handleProcs, 208, 256);
HOST_ABI_OFFSET(FilterRecord, supportsDummyChannels, 212, 264);
HOST_ABI_OFFSET(FilterRecord, supportsAlternateLayouts, 213, 265);
HOST_ABI_OFFSET(FilterRecord, wantLayout, 214, 266);
HOST_ABI_OFFSET(FilterRecord, filterCase, 216, 268);
HOST_ABI_OFFSET(FilterRecord, dummyPlaneValue, 218, 270);
HOST_ABI_OFFSET(FilterRecord, premiereHook, 220, 272);
HOST_ABI_OFFSET(FilterRecord, advanceState, 224, 280);
HOST_ABI_OFFSET(FilterRecord, supportsAbsolute, 228, 288);
HOST_ABI_OFFSET(FilterRecord, wantsAbsolute, 229, 289);
HOST_ABI_OFFSET(FilterRecord, getPropertyObsolete, 232, 292);
HOST_ABI_OFFSET(FilterRecord, cannotUndo, 236, 300);
HOST_ABI_OFFSET(FilterRecord, supportsPadding, 237, 301);
HOST_ABI_OFFSET(FilterRecord, inputPadding, 238, 302);
HOST_ABI_OFFSET(FilterRecord, outputPadding, 240, 304);
HOST_ABI_OFFSET(FilterRecord, maskPadding, 242, 306);
HOST_ABI_OFFSET(FilterRecord, samplingSupport, 244, 308);
HOST_ABI_OFFSET(FilterRecord, reservedByte, 245, 309);
HOST_ABI_OFFSET(FilterRecord, inputRate, 248, 312);
HOST_ABI_OFFSET(FilterRecord, maskRate, 252, 316);
HOST_ABI_OFFSET(FilterRecord, colorServices, 256, 320);
HOST_ABI_OFFSET(FilterRecord, inLayerPlanes, 260, 328);
HOST_ABI_OFFSET(FilterRecord, inTransparencyMask, 262, 330);
HOST_ABI_OFFSET(FilterRecord, inLayerMasks, 264, 332);
HOST_ABI_OFFSET(FilterRecord, inInvertedLayerMasks, 266, 334);
HOST_ABI_OFFSET(FilterRecord, inNonLayerPlanes, 268, 336);
HOST_ABI_OFFSET(FilterRecord, outLayerPlanes, 270, 338);
HOST_ABI_OFFSET(FilterRecord, outNonLayerPlanes, 278, 346);
HOST_ABI_OFFSET(FilterRecord, absLayerPlanes, 280, 348);
HOST_ABI_OFFSET(FilterRecord, absNonLayerPlanes, 288, 356);
HOST_ABI_OFFSET(FilterRecord, inPreDummyPlanes, 290, 358);
HOST_ABI_OFFSET(FilterRecord, outPostDummyPlanes, 296, 364);
HOST_ABI_OFFSET(FilterRecord, inColumnBytes, 300, 368);
HOST_ABI_OFFSET(FilterRecord, inPlaneBytes, 304, 372);
HOST_ABI_OFFSET(FilterRecord, outColumnBytes, 308, 376);
HOST_ABI_OFFSET(FilterRecord, outPlaneBytes, 312, 380);
HOST_ABI_OFFSET(FilterRecord, imageServicesProcs, 316, 384);
HOST_ABI_OFFSET(FilterRecord, propertyProcs, 320, 392);
HOST_ABI_OFFSET(FilterRecord, inTileHeight, 324, 400);
HOST_ABI_OFFSET(FilterRecord, inTileWidth, 326, 402);
HOST_ABI_OFFSET(FilterRecord, inTileOrigin, 328, 404);
HOST_ABI_OFFSET(FilterRecord, absTileHeight, 332, 408);
HOST_ABI_OFFSET(FilterRecord, absTileOrigin, 336, 412);
HOST_ABI_OFFSET(FilterRecord, outTileHeight, 340, 416);
HOST_ABI_OFFSET(FilterRecord, outTileOrigin, 344, 420);
HOST_ABI_OFFSET(FilterRecord, maskTileHeight, 348, 424);
HOST_ABI_OFFSET(FilterRecord, maskTileOrigin, 352, 428);
HOST_ABI_OFFSET(FilterRecord, descriptorParameters, 356, 432);
HOST_ABI_OFFSET(FilterRecord, errorString, 360, 440);
HOST_ABI_OFFSET(FilterRecord, channelPortProcs, 364, 448);
HOST_ABI_OFFSET(FilterRecord, documentInfo, 368, 456);
HOST_ABI_OFFSET(FilterRecord, sSPBasic, 372, 464);
HOST_ABI_OFFSET(FilterRecord, plugInRef, 376, 472);
HOST_ABI_OFFSET(FilterRecord, depth, 380, 480);
HOST_ABI_OFFSET(FilterRecord, iCCprofileData, 384, 484);
HOST_ABI_OFFSET(FilterRecord, iCCprofileSize, 388, 492);
HOST_ABI_OFFSET(FilterRecord, canUseICCProfiles, 392, 496);
HOST_ABI_OFFSET(FilterRecord, hasImageScrap, 396, 500);
HOST_ABI_OFFSET(FilterRecord, bigDocumentData, 400, 504);
HOST_ABI_OFFSET(FilterRecord, input3DScene, 404, 512);
HOST_ABI_OFFSET(FilterRecord, output3DScene, 408, 520);
HOST_ABI_OFFSET(FilterRecord, createNewLayer, 412, 528);
HOST_ABI_OFFSET(FilterRecord, iCCWorkingProfileData, 416, 532);
HOST_ABI_OFFSET(FilterRecord, iCCWorkingProfileSize, 420, 540);
HOST_ABI_OFFSET(FilterRecord, bufferSpace64, 424, 544);
HOST_ABI_OFFSET(FilterRecord, maxSpace64, 432, 552);
HOST_ABI_SIZE(FilterRecord, 440, 560);

HOST_ABI_OFFSET(AboutRecord, platformData, 0, 0);
HOST_ABI_OFFSET(AboutRecord, sSPBasic, 4, 8);
HOST_ABI_OFFSET(AboutRecord, plugInRef, 8, 16);
HOST_ABI_OFFSET(AboutRecord, reserved, 12, 24);
HOST_ABI_SIZE(AboutRecord, 256, 272);

HOST_ABI_OFFSET(PlatformData, hwnd, 0, 0);
HOST_ABI_SIZE(PlatformData, 4, 8);

HOST_ABI_OFFSET(HandleProcs, handleProcsVersion, 0, 0);
HOST_ABI_OFFSET(HandleProcs, numHandleProcs, 2, 2);
HOST_ABI_OFFSET(HandleProcs, newProc, 4, 8);
HOST_ABI_OFFSET(HandleProcs, disposeProc, 8, 16);
HOST_ABI_OFFSET(HandleProcs, getSizeProc, 12, 24);
HOST_ABI_OFFSET(HandleProcs, setSizeProc, 16, 32);
HOST_ABI_OFFSET(HandleProcs, lockProc, 20, 40);
HOST_ABI_OFFSET(HandleProcs, unlockProc, 24, 48);
HOST_ABI_OFFSET(HandleProcs, recoverSpaceProc, 28, 56);
HOST_ABI_OFFSET(HandleProcs, disposeRegularHandleProc, 32, 64);
HOST_ABI_OFFSET(BufferProcs, allocateProc, 4, 8);
HOST_ABI_OFFSET(BufferProcs, lockProc, 8, 16);
HOST_ABI_OFFSET(BufferProcs, unlockProc, 12, 24);
HOST_ABI_OFFSET(BufferProcs, freeProc, 16, 32);
HOST_ABI_OFFSET(BufferProcs, spaceProc, 20, 40);
HOST_ABI_OFFSET(BufferProcs, spaceProc64, 32, 64);
HOST_ABI_SIZE(HandleProcs, 36, 72);

HOST_ABI_OFFSET(ColorServicesInfo, infoSize, 0, 0);
HOST_ABI_OFFSET(ColorServicesInfo, selector, 4, 4);
HOST_ABI_OFFSET(ColorServicesInfo, sourceSpace, 6, 6);
HOST_ABI_OFFSET(ColorServicesInfo, resultSpace, 8, 8);
HOST_ABI_OFFSET(ColorServicesInfo, resultGamutInfoValid, 10, 10);
HOST_ABI_OFFSET(ColorServicesInfo, resultInGamut, 11, 11);
HOST_ABI_OFFSET(ColorServicesInfo, reservedSourceSpaceInfo, 12, 16);
HOST_ABI_OFFSET(ColorServicesInfo, reservedResultSpaceInfo, 16, 24);
HOST_ABI_OFFSET(ColorServicesInfo, colorComponents, 20, 32);
HOST_ABI_OFFSET(ColorServicesInfo, reserved, 28, 40);
HOST_ABI_OFFSET(ColorServicesInfo, selectorParameter, 32, 48);
HOST_ABI_SIZE(ColorServicesInfo, 36, 56);

HOST_ABI_OFFSET(PSPixelMap, version, 0, 0);
HOST_ABI_OFFSET(PSPixelMap, bounds, 4, 4);
HOST_ABI_OFFSET(PSPixelMap, imageMode, 20, 20);
HOST_ABI_OFFSET(PSPixelMap, rowBytes, 24, 24);
HOST_ABI_OFFSET(PSPixelMap, colBytes, 28, 28);
HOST_ABI_OFFSET(PSPixelMap, planeBytes, 32, 32);
HOST_ABI_OFFSET(PSPixelMap, baseAddr, 36, 40);
HOST_ABI_OFFSET(PSPixelMap, mat, 40, 48);
HOST_ABI_OFFSET(PSPixelMap, masks, 44, 56);
HOST_ABI_OFFSET(PSPixelMap, maskPhaseRow, 48, 64);
HOST_ABI_OFFSET(PSPixelMap, maskPhaseCol, 52, 68);
HOST_ABI_SIZE(PSPixelMap, 56, 72);

HOST_ABI_OFFSET(PSPixelMask, next, 0, 0);
HOST_ABI_OFFSET(PSPixelMask, maskData, 4, 8);
HOST_ABI_OFFSET(PSPixelMask, rowBytes, 8, 16);
HOST_ABI_OFFSET(PSPixelMask, colBytes, 12, 20);
HOST_ABI_OFFSET(PSPixelMask, maskDescription, 16, 24);
HOST_ABI_SIZE(PSPixelMask, 20, 32);

HOST_ABI_OFFSET(PIDescriptorParameters, descriptorParametersVersion, 0, 0);
HOST_ABI_OFFSET(PIDescriptorParameters, playInfo, 2, 2);
HOST_ABI_OFFSET(PIDescriptorParameters, recordInfo, 4, 4);
HOST_ABI_OFFSET(PIDescriptorParameters, descriptor, 8, 8);
HOST_ABI_OFFSET(PIDescriptorParameters, writeDescriptorProcs, 12, 16);
HOST_ABI_OFFSET(PIDescriptorParameters, readDescriptorProcs, 16, 24);
HOST_ABI_SIZE(PIDescriptorParameters, 20, 32);

HOST_ABI_OFFSET(ReadDescriptorProcs, readDescriptorProcsVersion, 0, 0);
HOST_ABI_OFFSET(ReadDescriptorProcs, numReadDescriptorProcs, 2, 2);
HOST_ABI_OFFSET(ReadDescriptorProcs, openReadDescriptorProc, 4, 8);
HOST_ABI_OFFSET(ReadDescriptorProcs, closeReadDescriptorProc, 8, 16);
HOST_ABI_OFFSET(ReadDescriptorProcs, getKeyProc, 12, 24);
HOST_ABI_OFFSET(ReadDescriptorProcs, getIntegerProc, 16, 32);
HOST_ABI_OFFSET(ReadDescriptorProcs, getFloatProc, 20, 40);
HOST_ABI_OFFSET(ReadDescriptorProcs, getUnitFloatProc, 24, 48);
HOST_ABI_OFFSET(ReadDescriptorProcs, getBooleanProc, 28, 56);
HOST_ABI_OFFSET(ReadDescriptorProcs, getTextProc, 32, 64);
HOST_ABI_OFFSET(ReadDescriptorProcs, getAliasProc, 36, 72);
HOST_ABI_OFFSET(ReadDescriptorProcs, getEnumeratedProc, 40, 80);
HOST_ABI_OFFSET(ReadDescriptorProcs, getClassProc, 44, 88);
HOST_ABI_OFFSET(ReadDescriptorProcs, getSimpleReferenceProc, 48, 96);
HOST_ABI_OFFSET(ReadDescriptorProcs, getObjectProc, 52, 104);
HOST_ABI_OFFSET(ReadDescriptorProcs, getCountProc, 56, 112);
HOST_ABI_OFFSET(ReadDescriptorProcs, getStringProc, 60, 120);
HOST_ABI_OFFSET(ReadDescriptorProcs, getPinnedIntegerProc, 64, 128);
HOST_ABI_OFFSET(ReadDescriptorProcs, getPinnedFloatProc, 68, 136);
HOST_ABI_OFFSET(ReadDescriptorProcs, getPinnedUnitFloatProc, 72, 144);
HOST_ABI_SIZE(ReadDescriptorProcs, 76, 152);

HOST_ABI_OFFSET(WriteDescriptorProcs, writeDescriptorProcsVersion, 0, 0);
HOST_ABI_OFFSET(WriteDescriptorProcs, numWriteDescriptorProcs, 2, 2);
HOST_ABI_OFFSET(WriteDescriptorProcs, openWriteDescriptorProc, 4, 8);
HOST_ABI_OFFSET(WriteDescriptorProcs, closeWriteDescriptorProc, 8, 16);
HOST_ABI_OFFSET(WriteDescriptorProcs, putIntegerProc, 12, 24);
HOST_ABI_OFFSET(WriteDescriptorProcs, putFloatProc, 16, 32);
HOST_ABI_OFFSET(WriteDescriptorProcs, putUnitFloatProc, 20, 40);
HOST_ABI_OFFSET(WriteDescriptorProcs, putBooleanProc, 24, 48);
HOST_ABI_OFFSET(WriteDescriptorProcs, putTextProc, 28, 56);
HOST_ABI_OFFSET(WriteDescriptorProcs, putAliasProc, 32, 64);
HOST_ABI_OFFSET(WriteDescriptorProcs, putEnumeratedProc, 36, 72);
HOST_ABI_OFFSET(WriteDescriptorProcs, putClassProc, 40, 80);
HOST_ABI_OFFSET(WriteDescriptorProcs, putSimpleReferenceProc, 44, 88);
HOST_ABI_OFFSET(WriteDescriptorProcs, putObjectProc, 48, 96);
HOST_ABI_OFFSET(WriteDescriptorProcs, putCountProc, 52, 104);
HOST_ABI_OFFSET(WriteDescriptorProcs, putStringProc, 56, 112);
HOST_ABI_OFFSET(WriteDescriptorProcs, putScopedClassProc, 60, 120);
HOST_ABI_OFFSET(WriteDescriptorProcs, putScopedObjectProc, 64, 128);
HOST_ABI_SIZE(WriteDescriptorProcs, 68, 136);
