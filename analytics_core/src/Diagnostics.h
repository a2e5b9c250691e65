#pragma once

#include <string>

namespace analytics_core {

// One line on the process's standard error stream (nobody reads it in a
// windowed program; tests and console tools do).
void PrintError(const std::string& text);

} // namespace analytics_core
