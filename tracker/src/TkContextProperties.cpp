#include "tracker/TkContextProperties.h"

#include "tracker/TkException.h"

namespace tavik::tracking {

namespace {

void CheckKind(int kind, const char* function)
{
    if (kind < 0 || kind >= kEventKindCount) {
        TK_THROW(kContextPropertiesSource, function, "TkEvent[" + std::to_string(kind) + "] overflow!");
    }
}

bool IsUpper(char c)
{
    return c >= 'A' && c <= 'Z';
}

bool IsUpperOrDigit(char c)
{
    return IsUpper(c) || (c >= '0' && c <= '9');
}

} // namespace

void TkContextProperties::add(const std::string& name, Value value, const std::vector<TkEventKind>& kinds)
{
    for (TkEventKind kind : kinds) CheckKind(static_cast<int>(kind), "add");
    if (!names_.insert(name).second) TK_THROW(kContextPropertiesSource, "add", "Property[" + name + "] already exist!");
    for (TkEventKind kind : kinds) lists_[static_cast<int>(kind)].push_back(Entry{name, value});
}

const std::vector<TkContextProperties::Entry>& TkContextProperties::getEventProperties(int kind) const
{
    CheckKind(kind, "getEventProperties");
    return lists_[kind];
}

void TkContextProperties::applyTo(TkEventKind kind, analytics_core::PropertiesNode& properties) const
{
    for (const Entry& entry : getEventProperties(static_cast<int>(kind))) {
        const std::string& name = entry.name;
        std::visit(
            [&](const auto& value) {
                using T = std::decay_t<decltype(value)>;
                if constexpr (std::is_same_v<T, bool>) {
                    properties.PutBool(name, value);
                } else if constexpr (std::is_same_v<T, int64_t>) {
                    properties.PutString(name, std::to_string(value));
                } else if constexpr (std::is_same_v<T, double>) {
                    properties.PutDouble(name, value);
                } else if constexpr (std::is_same_v<T, std::string>) {
                    properties.PutString(name, value);
                } else {
                    properties.PutList(name, value);
                }
            },
            entry.value);
    }
}

bool isValidABValue(const std::string& text)
{
    constexpr const char* kFunction = "isValidABValue";
    if (text.empty()) return false;
    if (text.size() > 3) TK_THROW(kContextPropertiesSource, kFunction, "value's length is great than 3.");
    if (!IsUpper(text[0])) TK_THROW(kContextPropertiesSource, kFunction, "First char is not in A to Z");
    if (text.size() > 1 && !IsUpperOrDigit(text[1])) {
        TK_THROW(kContextPropertiesSource, kFunction, "second char is not in A to Z and 0 to 9");
    }
    if (text.size() > 2 && !IsUpperOrDigit(text[2])) {
        TK_THROW(kContextPropertiesSource, kFunction, "third char is not in A to Z and 0 to 9");
    }
    return true;
}

} // namespace tavik::tracking
