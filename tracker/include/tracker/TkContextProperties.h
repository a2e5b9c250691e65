#pragma once

#include "tracker/TkEvents.h"

#include "analytics_core/PropertiesNode.h"

#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <variant>
#include <vector>

namespace tavik::tracking {

// Properties a caller attaches to the records of chosen event kinds. Each
// name can be registered once per container.
class TkContextProperties {
public:
    // The variant's index is the value kind: 0 bool, 1 integer, 2 double,
    // 3 string, 4 list of strings.
    using Value = std::variant<bool, int64_t, double, std::string, std::vector<std::string>>;
    struct Entry {
        std::string name;
        Value value;
    };

    static constexpr const char* kAbName = "tkc_ab";

    // Throws TkException when name is registered already or a kind is out of range.
    void add(const std::string& name, Value value, const std::vector<TkEventKind>& kinds);
    void add(const std::string& name, const char* value, const std::vector<TkEventKind>& kinds)
    {
        add(name, Value(std::string(value)), kinds);
    }

    // Throws TkException for a kind of 15 or more.
    const std::vector<Entry>& getEventProperties(int kind) const;

    // Puts the entries of kind into properties, replacing equal names; an
    // integer goes as its decimal text.
    void applyTo(TkEventKind kind, analytics_core::PropertiesNode& properties) const;

private:
    std::set<std::string> names_;
    std::array<std::vector<Entry>, kEventKindCount> lists_;
};

// An A/B group text: one to three bytes, the first A-Z, the others A-Z or
// 0-9. false for an empty text; throws TkException for any other refusal.
bool isValidABValue(const std::string& text);

} // namespace tavik::tracking
