// Natively there is no screen: the pixel map was checked, nothing is drawn.
#include "tools/testhost/host_services.h"

OSErr DrawPixelMap(const PSPixelMap&, const VRect&, int32_t, int32_t, void*) { return noErr; }
