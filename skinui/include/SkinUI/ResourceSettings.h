#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace SkinUI {

// Where a window's skin comes from.
enum class SkinSource {
    Folder = 1,        // files under the resource path
    ZipFile = 2,       // an archive file inside the resource path
    Resource = 3,      // the window XML is an "xml" resource; images come from the folder
    ZipResource = 4,   // the archive is a "ZIPRES" resource
};

enum class SkinReadStatus {
    Ok,
    OpenFailed,          // folder mode: the file cannot be opened
    Empty,
    TooLarge,
    ReadFailed,
    ArchiveOpenFailed,
    EntryMissing,
    ExtractFailed,
};

// The process-wide settings that say where skin files are found, and the
// reader of skin files. Used from the user-interface thread only.
class CResourceSettings {
public:
    static constexpr const wchar_t* kMemoryArchiveName = L"membuffer";
    static constexpr const wchar_t* kArchiveResourceType = L"ZIPRES";

    static void SetInstance(HINSTANCE instance);
    static HINSTANCE GetInstance();
    // The module searched for resources; the instance when none was set.
    static void SetResourceInstance(HINSTANCE instance);
    static HINSTANCE GetResourceInstance();

    // Kept with a trailing "\" unless it already ends in "\" or "/".
    static void SetResourcePath(const std::wstring& path);
    static const std::wstring& GetResourcePath();

    // An empty name selects folder mode. With keepOpen the archive at
    // resource path + name is opened at once and reused for every read.
    static void SetArchiveName(const std::wstring& name, bool keepOpen);
    static const std::wstring& GetArchiveName();
    static bool IsArchiveKeptOpen();
    // Opens the archive over these bytes under the name "membuffer"; does
    // nothing while such an archive is open already.
    static void SetArchiveBytes(const void* bytes, std::size_t size);
    // Uses the "ZIPRES" resource id of the resource instance as the archive;
    // false when the resource is missing, cannot be loaded or is empty.
    static bool SetArchiveResource(const wchar_t* id);

    static void SetUse7z(bool use7z);
    static bool IsUsing7z();

    // Reads a skin file by its name inside the skin; files or entries over
    // maxSize bytes are refused.
    static SkinReadStatus ReadSkinFile(const std::wstring& name, std::size_t maxSize, std::vector<std::uint8_t>& bytes);
};

} // namespace SkinUI
