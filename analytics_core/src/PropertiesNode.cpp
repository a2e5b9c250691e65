#include "analytics_core/PropertiesNode.h"

#include "analytics_core/Validation.h"

#include "Diagnostics.h"

#include <cmath>

namespace analytics_core {

namespace {

bool CheckStringValue(const std::string& name, const std::string& value)
{
    if (value.size() > PropertiesNode::kMaxStringLength) {
        PrintError("String property '" + name + "' is too long, value: " + value);
        return false;
    }
    if (!IsValidUtf8(value)) {
        PrintError("String property '" + name + "' is not valid UTF-8 string, value: " + value);
        return false;
    }
    return true;
}

} // namespace

using utils::ValueNode;

void PropertiesNode::PutString(const std::string& name, const std::string& value)
{
    if (CheckStringValue(name, value)) Set(name, ValueNode::MakeString(value));
}

void PropertiesNode::PutString(const std::string& name, const char* value)
{
    PutString(name, std::string(value ? value : ""));
}

void PropertiesNode::PutInt(const std::string& name, int64_t value)
{
    Set(name, ValueNode::MakeInt(value));
}

void PropertiesNode::PutDouble(const std::string& name, double value)
{
    if (!std::isfinite(value)) {
        PrintError("Number property '" + name + "' is not a finite number, value: " + std::to_string(value));
        return;
    }
    Set(name, ValueNode::MakeNumber(value));
}

void PropertiesNode::PutBool(const std::string& name, bool value)
{
    Set(name, ValueNode::MakeBool(value));
}

void PropertiesNode::PutList(const std::string& name, const std::vector<std::string>& items)
{
    for (const std::string& item : items) {
        if (!CheckStringValue(name, item)) return;
    }
    Set(name, ValueNode::MakeList(items));
}

void PropertiesNode::PutDateTime(const std::string& name, int64_t seconds, int milliseconds)
{
    Set(name, ValueNode::MakeDateTime(seconds, milliseconds));
}

void PropertiesNode::PutObject(const std::string& name, const utils::ObjectNode& object)
{
    Set(name, ValueNode::MakeObject(object));
}

} // namespace analytics_core
