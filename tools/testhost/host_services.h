// The optional host services of the test host, each in its own file: preview display,
// colour conversion and the scripting descriptor suites.
#pragma once

#include "tools/testhost/test_host.h"

// Called once when the record is built.
void InstallServices(TestHost& host);
// Called by ApplyFaults: puts each service in or out of the record as `faults` says.
void ApplyServiceFaults(TestHost& host);

// Colour conversion (host_colour.cpp).
OSErr HOSTAPI TestHostColorServices(ColorServicesInfo* info);
// Preview display (host_services.cpp); the pixels are drawn by DrawPixelMap, which paints
// into a device context on Windows (host_display_win.cpp) and only checks natively.
OSErr HOSTAPI TestHostDisplayPixels(const PSPixelMap* source, const VRect* srcRect,
                                    int32_t dstRow, int32_t dstCol, void* platformContext);
OSErr DrawPixelMap(const PSPixelMap& source, const VRect& srcRect, int32_t dstRow, int32_t dstCol,
                   void* platformContext);
