#pragma once

#include "SkinUI/SkinArchive.h"

#include <cstddef>
#include <vector>

namespace SkinUI::detail {

// Each lists and unpacks every file entry (folders are left out); false when
// the bytes are not an archive of that format. An entry that fails to unpack
// is listed with unpacked = false.
bool Read7z(const void* bytes, std::size_t size, std::vector<SkinArchive::Entry>& entries);
bool ReadZip(const void* bytes, std::size_t size, std::vector<SkinArchive::Entry>& entries);

} // namespace SkinUI::detail
