#pragma once

#include <cstdint>
#include <string>

// The text forms of the record writer.
namespace analytics_core::utils {

// The seven short escapes (\" \\ \b \f \n \r \t); any other byte below 0x20
// becomes \u00XX so that the text stays valid JSON; every other byte,
// non-ASCII included, is copied.
void AppendEscaped(std::string& out, const std::string& text);

// %g with precision 6, as a default-formatted stream writes a double;
// "null" for a value JSON cannot hold (infinity, NaN).
std::string FormatNumber(double value);

// "\"YYYY-MM-DD hh:mm:ss.mmm\"" in the local time zone.
std::string FormatDateTime(int64_t seconds, int milliseconds);

} // namespace analytics_core::utils
