#include "tools/testhost/host_services.h"

OSErr HOSTAPI TestHostDisplayPixels(const PSPixelMap* source, const VRect* srcRect,
                                    int32_t dstRow, int32_t dstCol, void* platformContext) {
  TestHost* host = ActiveTestHost();
  if (host == nullptr) return errPlugInHostInsufficient;
  if (source == nullptr || srcRect == nullptr || source->baseAddr == nullptr ||
      source->rowBytes == 0 || source->colBytes <= 0)
    return filterBadParameters;
  const VRect& b = source->bounds;
  if (srcRect->top < b.top || srcRect->left < b.left || srcRect->bottom > b.bottom ||
      srcRect->right > b.right || srcRect->top >= srcRect->bottom || srcRect->left >= srcRect->right)
    return filterBadParameters;
  ++host->counters.displayPixelsCalls;
  host->counters.lastDisplayedRect = *srcRect;
  host->counters.lastDisplayHadMask = source->masks != nullptr;
  return DrawPixelMap(*source, *srcRect, dstRow, dstCol, platformContext);
}

void InstallServices(TestHost& host) { ApplyServiceFaults(host); }

void ApplyServiceFaults(TestHost& host) {
  host.record.displayPixels = host.faults.withholdDisplayPixels ? nullptr : &TestHostDisplayPixels;
  host.record.colorServices = host.faults.withholdColorServices ? nullptr : &TestHostColorServices;
  ApplyDescriptorFaults(host);
}
