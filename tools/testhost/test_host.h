// The one in-process host: builds a FilterRecord for an image, implements every callback the
// plug-in uses, counts the calls and can withhold or break each service. It drives the
// plug-in natively (calling the core directly) and on Windows (a loaded DLL's ENTRYPOINT).
// Only one TestHost is active at a time, because the host's callbacks carry no user data.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "host_interface.h"
#include "tools/testhost/host_descriptor.h"

using PluginEntry = void(HOSTAPI*)(int16_t selector, void* record, intptr_t* data,
                                   int16_t* result);

// Interleaved pixels, `planes` samples per pixel. A sample is one byte at depth 8, and at
// depth 16 a uint16_t in the machine's byte order in the host's range 0..32768.
struct HostImage {
  int32_t width = 0;
  int32_t height = 0;
  int32_t planes = 0;
  int32_t depth = 8;  // bits per sample: 8 or 16
  std::vector<uint8_t> pixels;
  // A streamed picture holds only rows [firstRow, firstRow + HeldRows()) in `pixels`.
  int32_t firstRow = 0;

  size_t SampleBytes() const { return depth == 16 ? 2 : 1; }
  size_t PixelBytes() const { return size_t(planes) * SampleBytes(); }
  size_t RowBytes() const { return size_t(width) * PixelBytes(); }
  int32_t HeldRows() const { return RowBytes() == 0 ? 0 : int32_t(pixels.size() / RowBytes()); }
  uint8_t* At(int32_t row, int32_t column) {
    return pixels.data() + (size_t(row - firstRow) * size_t(width) + size_t(column)) * PixelBytes();
  }
  const uint8_t* At(int32_t row, int32_t column) const {
    return pixels.data() + (size_t(row - firstRow) * size_t(width) + size_t(column)) * PixelBytes();
  }
};

// A picture that flows through the host in bands instead of being held whole: rows are read
// when a request first reaches them and written once the requests have moved past them.
class RowStream {
 public:
  virtual ~RowStream() = default;
  // The next `count` rows of the input, in the host's layout. False on a failure.
  virtual bool ReadRows(uint8_t* rows, int32_t count) = 0;
  // The next `count` finished rows. False on a failure.
  virtual bool WriteRows(const uint8_t* rows, int32_t count) = 0;
};
// The result a streamed run ends with when its rows cannot be read, written or served in order.
constexpr int16_t kStreamFailed = -36;  // the host's I/O error

// A fresh image whose samples vary with position and plane, so misplaced writes show.
HostImage MakePatternImage(int32_t width, int32_t height, int32_t planes, int32_t depth = 8);

// One sample of a pixel, at the image's depth.
uint32_t SampleAt(const HostImage& image, int32_t row, int32_t column, int32_t plane);
void SetSampleAt(HostImage& image, int32_t row, int32_t column, int32_t plane, uint32_t value);

struct HostCounters {
  int32_t selectorCalls[6] = {};
  int32_t newHandle = 0;
  int32_t disposeHandle = 0;
  int32_t lockHandle = 0;
  int32_t unlockHandle = 0;
  int32_t getHandleSize = 0;
  int32_t setHandleSize = 0;
  int32_t badHandleOps = 0;  // operations on handles this host never made or already freed
  int32_t abortPolls = 0;
  int32_t progressCalls = 0;
  int32_t lastProgressDone = 0;
  int32_t lastProgressTotal = 0;
  int32_t maxProgressDone = 0;
  int32_t advanceStateCalls = 0;
  int32_t displayPixelsCalls = 0;  // valid requests only
  VRect lastDisplayedRect{};
  bool lastDisplayHadMask = false;
  int32_t colorServicesCalls = 0;
  int32_t bufferAllocations = 0;  // successful allocateProc calls
  int32_t bufferFrees = 0;
  int32_t badBufferOps = 0;  // operations on buffers this host never made or already freed
  int32_t bufferOverruns = 0;  // guard bytes around a delivered buffer found changed
  std::vector<VRect> servedOutRects;  // every output rectangle delivered, in order
  std::vector<VRect> servedMaskRects;  // the mask rectangle of each of them
  // --- Colour services (host_colour.cpp) ---
  ColorServicesInfo lastColourRequest{};  // as the plug-in sent it
  ColorServicesInfo lastPickerRequest{};  // the last ChooseColor request, and its prompt
  std::string lastPickerPrompt;
};

struct HostFaults {
  // Handle suite
  bool withholdHandleSuite = false;
  int16_t handleProcsVersion = 1;
  int16_t numHandleProcs = 8;
  bool nullGetSizeProc = false;
  bool nullSetSizeProc = false;
  int32_t failNthNewHandle = 0;  // 1 = the next newProc call fails; 0 = never
  int32_t failNthLock = 0;       // 1 = the next lockProc call fails; 0 = never
  uint32_t nullHandleProcs = 0;  // bit i: the i-th handle procedure (0 = new) is null
  bool getSizeAnswersZero = false;  // getSizeProc does not know, as in some real hosts
  bool failSetHandleSize = false;
  // Callbacks
  bool nullAbortProc = false;
  bool nullProgressProc = false;
  bool nullPlatformData = false;
  int32_t abortAtPoll = 0;  // abortProc answers true from this poll on (1 = first); 0 = never
  bool withholdAdvanceState = false;
  bool withholdDisplayPixels = false;
  OSErr advanceStateError = 0;  // returned by advanceState instead of serving
  int32_t advanceStateErrorAt = 0;  // only this call (1 = first) fails; 0 = every call
  // advanceState and the tile loop answer -108 instead of serving more than this many bytes
  // of input, output and mask at once, as hosts with little memory do; 0 = no limit.
  int64_t maxServedBytes = 0;
  int32_t maxContinueCalls = 0;  // RunFilter gives up after this many Continue calls; 0 = 1000000
  // advanceState answers -128 from this call on (1 = first), as a user who stops a long run
  // through the host's own progress bar; 0 = never.
  int32_t cancelAdvanceStateAt = 0;
  bool withholdBufferSuite = false;
  bool failBufferAllocation = false;
  // An old host at the image's depth: `depth` stays 0 and the plug-in infers it from the mode.
  bool depthFieldZero = false;
  bool withholdColorServices = false;
  OSErr colorServicesError = 0;  // returned by colorServices instead of converting
  bool colorServicesGarbage = false;  // answers success with components outside 0..255
  // ChooseColor: refused as by most hosts, unless offered; then it answers `pickerResult`,
  // and on success the colour `picked` as if the user had chosen it.
  bool offerColourPicker = false;
  OSErr pickerResult = 0;
  int16_t picked[3] = {0, 0, 0};
  // No bigDocumentData: an old host, whose coordinates end at 32767.
  bool withholdBigDocument = false;
  // Every RunFilter starts with an empty parameter block and data slot, as a host library
  // of open-source editors does; the old handles are freed on the host's side.
  bool forgetParameters = false;
  // --- Scripting descriptor suites (host_descriptor.cpp) ---
  DescriptorFaults descriptor;
};

class TestHost {
 public:
  explicit TestHost(PluginEntry entry);
  ~TestHost();
  TestHost(const TestHost&) = delete;
  TestHost& operator=(const TestHost&) = delete;

  // Image, mode and filter area; the filter area defaults to the whole image.
  void SetImage(const HostImage& image, int16_t imageMode);
  void SetFilterRect(Rect area);
  // Areas past 32,767 exist only for a plug-in that uses the 32-bit fields.
  void SetFilterRect(const VRect& area);

  // --- Coordinates: the 32-bit fields once the plug-in claimed them, else the 16-bit ones ---
  bool ServesWideCoordinates() const;
  VRect FilterArea() const;
  VRect InArea() const;
  VRect OutArea() const;
  VRect MaskArea() const;
  // Writes a request as the plug-in would: the 16-bit fields, saturated, and the 32-bit ones.
  void RequestArea(const VRect& area);
  // A selection mask over the whole image, one byte per pixel at every depth (255 selected);
  // empty for none. `haveMask` follows it; SetImage clears it.
  void SetSelection(std::vector<uint8_t> mask);

  // Calls one selector with the record and returns the result code.
  int16_t Call(int16_t selector);
  // Calls About with an AboutRecord; returns the result code, which the plug-in must not touch.
  int16_t CallAbout(int16_t presetResult = 12345);
  // A whole run as real hosts drive it: Parameters (when asked), Prepare, Start, Continue while
  // any rectangle is non-empty, then Finish, also after a failure. Returns the first error.
  int16_t RunFilter(bool withParameters);

  // Applies the fault switches to the record and suites; call after changing `faults`.
  void ApplyFaults();

  // Delivers the rectangles the plug-in asked for (tile path and advanceState).
  OSErr ServeRequestedRectangles();
  // Writes the last delivered output buffer back into the image.
  void CommitOutput();

  // Streams the picture set by SetImage (pixels empty) through `stream`: requests must come
  // top to bottom; one reaching back above rows already written fails with kStreamFailed and sets
  // `streamOutOfOrder`, as does a failed read or write (without it). Not owned.
  void SetStream(RowStream* rows) { stream_ = rows; }
  bool streamOutOfOrder = false;

  // Handle bookkeeping
  int32_t LiveHostHandles() const { return int32_t(handles_.size()); }
  bool IsHostHandle(Handle h) const { return handles_.count(h) != 0; }
  int32_t LockDepth(Handle h) const;
  // Host handles whose lock count is not back at zero.
  int32_t LockedHostHandles() const;

  FilterRecord record{};
  PlatformData platform{};
  AboutRecord about{};
  HandleProcs handleProcs{};
  BigDocumentStruct bigDocument{};
  BufferProcs bufferProcs{};
  std::map<BufferID, std::vector<uint8_t>> buffers;  // live buffers of the buffer suite
  intptr_t dataSlot = 0;
  int16_t result = 0;
  HostCounters counters;
  HostFaults faults;
  HostImage source;  // the image as it was before the run
  HostImage image;   // the image the output is written into
  PluginEntry entry;
  // --- Scripting descriptor suites (host_descriptor.cpp) ---
  DescriptorSuites descriptors;
  // Told of every progress call after it is counted; a front end draws its bar from it.
  void (*progressObserver)(int32_t done, int32_t total) = nullptr;

  // Host-side handle callbacks' state
  struct HostHandleBlock {
    char* data;  // first member: the handle points here
    int32_t size;
    int32_t lockDepth;
  };

 private:
  friend struct TestHostCallbacks;
  friend struct DescriptorCallbacks;  // descriptor handles are host handles, made uncounted
  void BuildRecord();
  void FreeHostHandle(Handle h);
  // Streaming: holds rows [top, bottom) and writes every row above `top`; at the end (top and
  // bottom the image's height) writes everything.
  bool MoveWindow(int32_t top, int32_t bottom);
  RowStream* stream_ = nullptr;

  std::map<Handle, HostHandleBlock*> handles_;
  std::vector<uint8_t> selection_;  // width x height bytes, or empty
  // Buffers handed to the plug-in, each with guard bytes on both sides.
  std::vector<uint8_t> inBuffer_, outBuffer_, maskBuffer_;
  VRect deliveredOut_{};
  int16_t deliveredOutLo_ = 0, deliveredOutHi_ = -1;
  int32_t deliveredOutRowBytes_ = 0;
  bool outDelivered_ = false;
};

// The host currently active, reached by the callbacks.
TestHost* ActiveTestHost();

bool RectIsEmpty(const Rect& r);
bool RectIsEmpty(const VRect& r);
