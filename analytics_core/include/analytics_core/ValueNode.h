#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace analytics_core::utils {

class ObjectNode;

// One JSON value of a record. The kind numbers are the variant's indices.
class ValueNode {
public:
    enum class Kind { Number = 0, Int = 1, String = 2, List = 3, DateTime = 4, Bool = 5, Object = 6 };

    struct DateTime {
        int64_t seconds = 0;   // since 1970-01-01 UTC
        int milliseconds = 0;  // 0-999
    };

    static ValueNode MakeNumber(double value);
    static ValueNode MakeInt(int64_t value);
    static ValueNode MakeString(std::string value);
    static ValueNode MakeList(std::vector<std::string> items);
    // Milliseconds outside 0-999 are carried into the seconds.
    static ValueNode MakeDateTime(int64_t seconds, int milliseconds);
    static ValueNode MakeBool(bool value);
    static ValueNode MakeObject(const ObjectNode& object);

    Kind GetKind() const { return static_cast<Kind>(value_.index()); }

    double AsNumber() const { return std::get<double>(value_); }
    int64_t AsInt() const { return std::get<int64_t>(value_); }
    const std::string& AsString() const { return std::get<std::string>(value_); }
    const std::vector<std::string>& AsList() const { return std::get<std::vector<std::string>>(value_); }
    const DateTime& AsDateTime() const { return std::get<DateTime>(value_); }
    bool AsBool() const { return std::get<bool>(value_); }
    const ObjectNode& AsObject() const { return *std::get<std::shared_ptr<const ObjectNode>>(value_); }

    void WriteJson(std::string& out) const;

private:
    // A nested object is never changed after it is stored, so copies of the
    // node may share it and still behave as deep copies.
    using Value = std::variant<double, int64_t, std::string, std::vector<std::string>, DateTime, bool,
                               std::shared_ptr<const ObjectNode>>;

    explicit ValueNode(Value value) : value_(std::move(value)) {}

    Value value_;
};

} // namespace analytics_core::utils
