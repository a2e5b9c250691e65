#pragma once

#include <string>

namespace SkinUITest {

// Folder of the files made at build time, with a trailing backslash.
std::wstring FixtureFolder();
// The skin folder inside it.
std::wstring SkinFolder();

} // namespace SkinUITest
