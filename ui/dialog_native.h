// Native stand-in for the dialog, so tests can play the user's part.
#pragma once

#include "ui/dialog.h"

using DialogStandIn = bool (*)(InvocationContext* context);
// null: the dialog "cannot be created" and returns false without touching anything.
void SetDialogStandIn(DialogStandIn handler) noexcept;
