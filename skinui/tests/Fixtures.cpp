#include "Fixtures.h"

#include "Utils/FileSystem.h"

namespace SkinUITest {

std::wstring FixtureFolder()
{
    return Utils::ModuleFolder() + L"\\fixtures\\";
}

std::wstring SkinFolder()
{
    return FixtureFolder() + L"skin\\";
}

} // namespace SkinUITest
