#include "tracker/DistinctIds.h"

#include <objbase.h>

#include <cstdio>
#include <mutex>
#include <random>

namespace tavik::tracking {

namespace {
constexpr int kGuidAttempts = 10;
} // namespace

std::string FormatGuidId(const GUID& guid)
{
    char text[40] = {};
    std::snprintf(text, sizeof(text), "%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
                  static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
                  guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return text;
}

std::string RandomDistinctId()
{
    static std::mutex lock;
    static std::mt19937 generator;
    std::lock_guard<std::mutex> guard(lock);
    unsigned values[8];
    for (unsigned& value : values) value = generator();
    values[3] = (values[3] & 0xFFF) | 0x4000;
    values[4] = values[4] % 0x3FFF + 0x8000;
    char text[100] = {};
    std::snprintf(text, sizeof(text), "%x%x-%x-%x-%x-%x%x%x", values[0], values[1], values[2], values[3], values[4],
                  values[5], values[6], values[7]);
    return text;
}

std::string NewDistinctId()
{
    for (int attempt = 0; attempt < kGuidAttempts; ++attempt) {
        GUID guid{};
        if (SUCCEEDED(::CoCreateGuid(&guid))) return FormatGuidId(guid);
    }
    return RandomDistinctId();
}

} // namespace tavik::tracking
