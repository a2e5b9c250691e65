#include "analytics_core/Validation.h"

#include "Diagnostics.h"

namespace analytics_core {

namespace {

constexpr size_t kMaxNameLength = 100;
constexpr size_t kMaxIdLength = 255;

bool IsLetter(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

bool InRange(unsigned char c, unsigned char low, unsigned char high)
{
    return c >= low && c <= high;
}

// Length of the well-formed UTF-8 sequence at text[i], or 0.
size_t SequenceLength(const std::string& text, size_t i)
{
    auto at = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const size_t left = text.size() - i;
    const unsigned char lead = at(i);
    if (lead == '\t' || lead == '\n' || lead == '\r' || InRange(lead, 0x20, 0x7E)) return 1;
    if (InRange(lead, 0xC2, 0xDF)) {
        return left >= 2 && InRange(at(i + 1), 0x80, 0xBF) ? 2 : 0;
    }
    if (InRange(lead, 0xE0, 0xEF)) {
        if (left < 3) return 0;
        // E0 would be overlong below A0; ED A0-BF are the UTF-16 surrogates.
        const unsigned char low = lead == 0xE0 ? 0xA0 : 0x80;
        const unsigned char high = lead == 0xED ? 0x9F : 0xBF;
        return InRange(at(i + 1), low, high) && InRange(at(i + 2), 0x80, 0xBF) ? 3 : 0;
    }
    if (InRange(lead, 0xF0, 0xF4)) {
        if (left < 4) return 0;
        // F0 would be overlong below 90; F4 above 8F passes U+10FFFF.
        const unsigned char low = lead == 0xF0 ? 0x90 : 0x80;
        const unsigned char high = lead == 0xF4 ? 0x8F : 0xBF;
        return InRange(at(i + 1), low, high) && InRange(at(i + 2), 0x80, 0xBF) && InRange(at(i + 3), 0x80, 0xBF)
                   ? 4
                   : 0;
    }
    return 0;
}

} // namespace

bool IsValidUtf8(const std::string& text)
{
    for (size_t i = 0; i < text.size();) {
        const size_t length = SequenceLength(text, i);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

bool CheckVariableName(const std::string& label, const std::string& name)
{
    if (name.empty() || name.size() > kMaxNameLength) {
        PrintError("The " + label + " is empty or too long, max length is 100");
        return false;
    }
    bool valid = true;
    for (size_t i = 0; i < name.size() && valid; ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        valid = IsLetter(c) || c == '$' || c == '_' || (i > 0 && IsDigit(c));
    }
    if (!valid) PrintError("The " + label + " need to be a valid variable name.");
    return valid;
}

bool CheckId(const std::string& label, const std::string& id)
{
    if (id.empty()) {
        PrintError("The " + label + " is empty.");
        return false;
    }
    if (id.size() > kMaxIdLength) {
        PrintError("The " + label + " is too long, max length is 255.");
        return false;
    }
    return true;
}

} // namespace analytics_core
