// The modal parameters dialog.
#pragma once

#include "corvane_records.h"

// Runs the dialog; true exactly when it ended with OK. Cancel writes -128 into the result.
// When the dialog cannot be created it returns false and leaves the result alone.
bool ShowParametersDialog(InvocationContext* context) noexcept;
