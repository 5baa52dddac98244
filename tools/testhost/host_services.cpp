#include "tools/testhost/host_services.h"

#include <utility>

namespace {

// The buffer suite: each buffer is a vector in the host, its id the vector's first byte.
OSErr HOSTAPI AllocateBuffer(int32_t size, BufferID* id) {
  TestHost* host = ActiveTestHost();
  if (host == nullptr || id == nullptr) return memFullErr;
  *id = nullptr;
  if (size < 0 || host->faults.failBufferAllocation) return memFullErr;
  std::vector<uint8_t> block(size_t(size) + 1, 0xCD);  // not zero-filled, as real hosts' are not
  *id = reinterpret_cast<BufferID>(block.data());
  host->buffers[*id] = std::move(block);
  ++host->counters.bufferAllocations;
  return noErr;
}

std::vector<uint8_t>* FindBuffer(TestHost* host, BufferID id) {
  if (host == nullptr) return nullptr;
  auto it = host->buffers.find(id);
  if (it != host->buffers.end()) return &it->second;
  ++host->counters.badBufferOps;
  return nullptr;
}

Ptr HOSTAPI LockBuffer(BufferID id, Boolean) {
  std::vector<uint8_t>* block = FindBuffer(ActiveTestHost(), id);
  return block == nullptr ? nullptr : reinterpret_cast<Ptr>(block->data());
}

void HOSTAPI UnlockBuffer(BufferID id) { FindBuffer(ActiveTestHost(), id); }

void HOSTAPI FreeBuffer(BufferID id) {
  TestHost* host = ActiveTestHost();
  if (FindBuffer(host, id) == nullptr) return;
  host->buffers.erase(id);
  ++host->counters.bufferFrees;
}

int32_t HOSTAPI BufferSpace() { return 1 << 24; }

}  // namespace

OSErr HOSTAPI TestHostDisplayPixels(const PSPixelMap* source, const VRect* srcRect,
                                    int32_t dstRow, int32_t dstCol, void* platformContext) {
  TestHost* host = ActiveTestHost();
  if (host == nullptr) return errPlugInHostInsufficient;
  if (source == nullptr || srcRect == nullptr || source->baseAddr == nullptr ||
      source->rowBytes == 0 || source->colBytes <= 0)
    return filterBadParameters;
  if (source->imageMode < 0 || source->imageMode >= plugInModeGray16) return filterBadParameters;  // 8-bit maps only
  const VRect& b = source->bounds;
  if (srcRect->top < b.top || srcRect->left < b.left || srcRect->bottom > b.bottom ||
      srcRect->right > b.right || srcRect->top >= srcRect->bottom || srcRect->left >= srcRect->right)
    return filterBadParameters;
  ++host->counters.displayPixelsCalls;
  host->counters.lastDisplayedRect = *srcRect;
  host->counters.lastDisplayHadMask = source->masks != nullptr;
  return DrawPixelMap(*source, *srcRect, dstRow, dstCol, platformContext);
}

void InstallServices(TestHost& host) {
  host.bufferProcs = BufferProcs{kCurrentBufferProcsVersion, 5, &AllocateBuffer, &LockBuffer,
                                 &UnlockBuffer, &FreeBuffer, &BufferSpace, nullptr, nullptr, nullptr};
  ApplyServiceFaults(host);
}

void ApplyServiceFaults(TestHost& host) {
  host.record.displayPixels = host.faults.withholdDisplayPixels ? nullptr : &TestHostDisplayPixels;
  host.record.bufferProcs = host.faults.withholdBufferSuite ? nullptr : &host.bufferProcs;
  host.record.colorServices = host.faults.withholdColorServices ? nullptr : &TestHostColorServices;
  ApplyDescriptorFaults(host);
}
