#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace tavik::tracking {

struct ProfileDate {
    int64_t seconds = 0;  // since 1970-01-01 UTC
    int milliseconds = 0;
};
ProfileDate ProfileNow();

using ProfileValue = std::variant<std::string, int64_t, double, ProfileDate>;

// Queues one user-profile record for name, with the one operation the name
// has (set once, increment or set). Throws TkException, naming function, for
// an unknown name or a text on an increment property.
void UpdateUserProfile(const std::string& name, const ProfileValue& value, const char* function);

} // namespace tavik::tracking
