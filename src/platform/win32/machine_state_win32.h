// The real machine facts of the offer rules (platform/machine_state.h), one
// instance for the life of the process. Kept apart from win32_platform.h so
// that only the rule walk's set-up pulls it in.
#pragma once

#include "platform/machine_state.h"

namespace platform::win32 {

MachineState& Machine();

}  // namespace platform::win32
