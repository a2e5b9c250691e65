// Helper process for the version tests: prints the name the tracker gives
// the running system and its user agent, one a line.
#include "tracker/SystemProperties.h"

#include <cstdio>

int main()
{
    const std::string name = tavik::tracking::CurrentWindowsVersionName();
    std::printf("%s\n%s\n", name.c_str(), tavik::tracking::UserAgent(name, tavik::tracking::IsWindows64Bit()).c_str());
    return 0;
}
