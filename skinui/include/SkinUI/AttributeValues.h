#pragma once

#include <windows.h>

namespace SkinUI {

// Readers of the value forms that skin attributes share.

// A colour 0xAARRGGBB: hexadecimal after optional white space and "#"; a
// "0x" prefix is accepted too. Text that is no number reads as 0.
DWORD ParseColor(const wchar_t* text);

// Four decimal numbers, one separator unit skipped before each next one
// ("0,2,15,16"); missing or unreadable numbers read as 0.
RECT ParseRect(const wchar_t* text);

// Only the exact text "true" is true.
bool ParseBool(const wchar_t* text);

} // namespace SkinUI
