#include "tools/testhost/host_services.h"

OSErr HOSTAPI TestHostDisplayPixels(const PSPixelMap* source, const VRect* srcRect, int32_t,
                                    int32_t, void*) {
  TestHost* host = ActiveTestHost();
  if (host == nullptr) return errPlugInHostInsufficient;
  ++host->counters.displayPixelsCalls;
  if (source == nullptr || srcRect == nullptr || source->baseAddr == nullptr ||
      source->rowBytes == 0)
    return filterBadParameters;
  return noErr;
}

void InstallServices(TestHost& host) { ApplyServiceFaults(host); }

void ApplyServiceFaults(TestHost& host) {
  host.record.displayPixels = host.faults.withholdDisplayPixels ? nullptr : &TestHostDisplayPixels;
  host.record.colorServices = host.faults.withholdColorServices ? nullptr : &TestHostColorServices;
  ApplyDescriptorFaults(host);
}
