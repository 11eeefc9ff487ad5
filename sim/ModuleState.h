#pragma once

// The whole configuration of a simulated module as text, so that a test can set a module up
// before it starts and read back what a tool wrote into it. One line per setting, each the
// setting frame the module would receive for it (the raw bytes of a read command written
// as hex pairs), then one "HART-ADDRESS k A" line per instrument; '#' at the start of a
// line begins a comment.

#include "sim/TalmireModule.h"

#include <string>
#include <string_view>

std::string SaveModuleState(const TalmireModule& module);
// Applies every line through the module's own setting handler; false with the offending
// line in `error` when a line is refused (the lines before it stay applied).
bool LoadModuleState(TalmireModule& module, std::string_view text, std::string& error);
