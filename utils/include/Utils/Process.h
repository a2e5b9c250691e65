#pragma once

#include <string>

namespace Utils {

// Whether a process whose executable file name is exeName runs now (exact
// name, compared without regard to case as the file system does).
bool IsProcessRunning(const std::wstring& exeName);

} // namespace Utils
