// Helper process for the staging tests: one run of an application that
// queues records and flushes them, then exits.
//   analytics_core_probe queue <data folder> <url> <distinct id> <count>
//   analytics_core_probe flush <data folder> <url> <distinct id>
// Prints "flush=1" or "flush=0" with the outcome of FlushUntilEmpty.
#include "analytics_core/Sdk.h"

#include "Utils/Text.h"

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 5) return 2;
    auto arg = [&](int i) { return Utils::ToNarrow(argv[i], Utils::kUtf8CodePage); };
    const std::string command = arg(1);
    if (!analytics_core::Sdk::Init(arg(2), arg(3), arg(4), false, "Probe")) return 3;
    if (command == "queue" && argc >= 6) {
        const int count = std::stoi(arg(5));
        for (int i = 0; i < count; ++i) {
            analytics_core::PropertiesNode properties;
            properties.PutInt("seq", i);
            analytics_core::SendTrack("ProbeEvent", properties);
        }
    } else if (command != "flush") {
        return 2;
    }
    std::printf("flush=%d\n", analytics_core::FlushUntilEmpty() ? 1 : 0);
    std::fflush(stdout);
    analytics_core::Sdk::Shutdown();
    return 0;
}
