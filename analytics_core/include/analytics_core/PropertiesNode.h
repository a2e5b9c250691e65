#pragma once

#include "analytics_core/ObjectNode.h"

#include <cstdint>
#include <string>
#include <vector>

namespace analytics_core {

// The property set of one operation. A value that fails its check is not set;
// the reason goes to standard error and the caller is not told.
class PropertiesNode : public utils::ObjectNode {
public:
    static constexpr size_t kMaxStringLength = 8192;

    // At most 8192 bytes of valid UTF-8 (see IsValidUtf8).
    void PutString(const std::string& name, const std::string& value);
    void PutString(const std::string& name, const char* value);
    void PutInt(const std::string& name, int64_t value);
    // Infinity and NaN have no JSON form and are refused.
    void PutDouble(const std::string& name, double value);
    void PutBool(const std::string& name, bool value);
    // Each item is checked as PutString checks a value; one bad item refuses the list.
    void PutList(const std::string& name, const std::vector<std::string>& items);
    void PutDateTime(const std::string& name, int64_t seconds, int milliseconds);
    void PutObject(const std::string& name, const utils::ObjectNode& object);
};

} // namespace analytics_core
