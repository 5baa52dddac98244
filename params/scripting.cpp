#include "params/scripting.h"

// Scripting is not wired yet: no descriptor is read or written.
bool DescriptorSuitesUsable(const PIDescriptorParameters*) noexcept { return false; }
void ReadScriptParameters(InvocationContext*) noexcept {}
void WriteScriptParameters(InvocationContext*) noexcept {}
