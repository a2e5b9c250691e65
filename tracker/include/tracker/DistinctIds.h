#pragma once

#include <windows.h>

#include <string>

namespace tavik::tracking {

// A new device id: a system GUID in upper-case 8-4-4-4-12 form, or, when the
// system fails to make one ten times, RandomDistinctId().
std::string NewDistinctId();
std::string FormatGuidId(const GUID& guid);
// A GUID-like id from the process-wide MT19937 generator (default seed).
std::string RandomDistinctId();

} // namespace tavik::tracking
