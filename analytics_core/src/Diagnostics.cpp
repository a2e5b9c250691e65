#include "Diagnostics.h"

#include <cstdio>

namespace analytics_core {

void PrintError(const std::string& text)
{
    std::string line = text + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

} // namespace analytics_core
