// The real services behind the seam, one implementation per build.
#pragma once
#include "platform/platform.h"

namespace qf::platform::detail {
LocalTime RealNow();
void RealDebugOutput(const char* text);
} // namespace qf::platform::detail
