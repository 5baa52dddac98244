// Exchange of the settings with the host's scripting descriptors.
#pragma once

#include "corvane_records.h"

bool DescriptorSuitesUsable(const PIDescriptorParameters* parameters) noexcept;
// Replays recorded settings at Start and decides from the play mode whether the dialog shows.
void ReadScriptParameters(InvocationContext* context) noexcept;
// Records the settings into a new descriptor at Finish; reports nothing.
void WriteScriptParameters(InvocationContext* context) noexcept;
