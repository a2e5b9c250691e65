#pragma once

#include <string>

// Checks of names, ids and texts; the failing ones print why to standard error.
namespace analytics_core {

// Tab, line feed, carriage return, 0x20-0x7E and well-formed UTF-8 sequences
// of 2-4 bytes (no overlong forms, no surrogates, nothing above U+10FFFF).
bool IsValidUtf8(const std::string& text);

// 1-100 bytes of [A-Za-z0-9$_], not starting with a digit. label is
// "Event Name" or "Property Key".
bool CheckVariableName(const std::string& label, const std::string& name);

// 1-255 bytes of anything. label is "Distinct ID" or "Original ID".
bool CheckId(const std::string& label, const std::string& id);

} // namespace analytics_core
