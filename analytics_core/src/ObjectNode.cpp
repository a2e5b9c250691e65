#include "analytics_core/ObjectNode.h"

namespace analytics_core::utils {

void ObjectNode::Set(const std::string& name, ValueNode value)
{
    entries_.insert_or_assign(name, std::move(value));
}

const ValueNode* ObjectNode::Find(const std::string& name) const
{
    auto found = entries_.find(name);
    return found == entries_.end() ? nullptr : &found->second;
}

void ObjectNode::Remove(const std::string& name)
{
    entries_.erase(name);
}

void ObjectNode::MergeFrom(const ObjectNode& other)
{
    for (const auto& [name, value] : other.entries_) {
        Set(name, value);
    }
}

std::string ObjectNode::ToJson() const
{
    std::string out;
    WriteJson(out);
    return out;
}

void ObjectNode::WriteJson(std::string& out) const
{
    out += '{';
    const char* separator = "";
    for (const auto& [name, value] : entries_) {
        out += separator;
        out += '"';
        out += name;
        out += "\":";
        value.WriteJson(out);
        separator = ",";
    }
    out += '}';
}

} // namespace analytics_core::utils
