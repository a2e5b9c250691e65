#include "analytics_core/ValueNode.h"

#include "analytics_core/ObjectNode.h"

#include "JsonWriter.h"

namespace analytics_core::utils {

ValueNode ValueNode::MakeNumber(double value)
{
    return ValueNode(Value(std::in_place_index<0>, value));
}

ValueNode ValueNode::MakeInt(int64_t value)
{
    return ValueNode(Value(std::in_place_index<1>, value));
}

ValueNode ValueNode::MakeString(std::string value)
{
    return ValueNode(Value(std::in_place_index<2>, std::move(value)));
}

ValueNode ValueNode::MakeList(std::vector<std::string> items)
{
    return ValueNode(Value(std::in_place_index<3>, std::move(items)));
}

ValueNode ValueNode::MakeDateTime(int64_t seconds, int milliseconds)
{
    // Floor division, so that -1 ms is 999 ms of the previous second.
    int64_t carry = milliseconds / 1000;
    int rest = milliseconds % 1000;
    if (rest < 0) {
        rest += 1000;
        --carry;
    }
    return ValueNode(Value(std::in_place_index<4>, DateTime{seconds + carry, rest}));
}

ValueNode ValueNode::MakeBool(bool value)
{
    return ValueNode(Value(std::in_place_index<5>, value));
}

ValueNode ValueNode::MakeObject(const ObjectNode& object)
{
    return ValueNode(Value(std::in_place_index<6>, std::make_shared<const ObjectNode>(object)));
}

void ValueNode::WriteJson(std::string& out) const
{
    switch (GetKind()) {
    case Kind::Number:
        out += FormatNumber(AsNumber());
        break;
    case Kind::Int:
        out += std::to_string(AsInt());
        break;
    case Kind::String:
        out += '"';
        AppendEscaped(out, AsString());
        out += '"';
        break;
    case Kind::List: {
        out += '[';
        const char* separator = "";
        for (const std::string& item : AsList()) {
            out += separator;
            out += '"';
            AppendEscaped(out, item);
            out += '"';
            separator = ",";
        }
        out += ']';
        break;
    }
    case Kind::DateTime:
        out += FormatDateTime(AsDateTime().seconds, AsDateTime().milliseconds);
        break;
    case Kind::Bool:
        out += AsBool() ? "true" : "false";
        break;
    case Kind::Object:
        AsObject().WriteJson(out);
        break;
    }
}

} // namespace analytics_core::utils
