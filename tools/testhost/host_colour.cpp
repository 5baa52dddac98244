#include "tools/testhost/host_services.h"

// Conversion is not offered yet: the host answers as one without colour services.
OSErr HOSTAPI TestHostColorServices(ColorServicesInfo* info) {
  TestHost* host = ActiveTestHost();
  if (host == nullptr || info == nullptr) return errPlugInHostInsufficient;
  ++host->counters.colorServicesCalls;
  if (host->faults.colorServicesError != 0) return host->faults.colorServicesError;
  return errPlugInHostInsufficient;
}
