#pragma once

#include "SkinUI/ResourceSettings.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace SkinUI::detail {

// Reads a whole file; files over maxSize bytes are refused.
SkinReadStatus ReadWholeFile(const std::wstring& path, std::size_t maxSize, std::vector<std::uint8_t>& bytes);

} // namespace SkinUI::detail
