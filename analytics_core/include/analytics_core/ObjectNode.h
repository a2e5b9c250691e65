#pragma once

#include "analytics_core/ValueNode.h"

#include <map>
#include <string>

namespace analytics_core::utils {

// A JSON object whose entries are kept, and written, in ascending byte order
// of their names.
class ObjectNode {
public:
    using Entries = std::map<std::string, ValueNode>;

    ObjectNode() = default;
    ObjectNode(const ObjectNode&) = default;
    ObjectNode(ObjectNode&&) = default;
    ObjectNode& operator=(const ObjectNode&) = default;
    ObjectNode& operator=(ObjectNode&&) = default;
    virtual ~ObjectNode() = default;

    // Replaces the value of an existing name.
    void Set(const std::string& name, ValueNode value);
    const ValueNode* Find(const std::string& name) const;
    void Remove(const std::string& name);
    // Every entry of other, replacing equal names.
    void MergeFrom(const ObjectNode& other);

    const Entries& GetEntries() const { return entries_; }

    // Compact JSON text: no white space, names written as they are.
    std::string ToJson() const;
    void WriteJson(std::string& out) const;

private:
    Entries entries_;
};

} // namespace analytics_core::utils
