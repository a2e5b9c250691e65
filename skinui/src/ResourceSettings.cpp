#include "SkinUI/ResourceSettings.h"

#include "SkinUI/SkinArchive.h"

#include "FileReading.h"

#include "Utils/Trace.h"

#include <memory>
#include <new>

namespace SkinUI {

namespace {

struct Settings {
    HINSTANCE instance = nullptr;
    HINSTANCE resourceInstance = nullptr;
    std::wstring resourcePath;
    std::wstring archiveName;
    bool keepArchiveOpen = true;
    std::unique_ptr<SkinArchive> archive;
    bool use7z = false;
};

Settings& State()
{
    static Settings settings;
    return settings;
}

SkinArchive::Format ArchiveFormat()
{
    return State().use7z ? SkinArchive::Format::SevenZip : SkinArchive::Format::Zip;
}

std::unique_ptr<SkinArchive> OpenArchiveFile(const std::wstring& path)
{
    auto archive = std::make_unique<SkinArchive>();
    if (archive->OpenFile(ArchiveFormat(), path)) return archive;
    TRACE(L"cannot open the skin archive %ls\r\n", path.c_str());
    return nullptr;
}

} // namespace

void CResourceSettings::SetInstance(HINSTANCE instance)
{
    State().instance = instance;
}

HINSTANCE CResourceSettings::GetInstance()
{
    return State().instance;
}

void CResourceSettings::SetResourceInstance(HINSTANCE instance)
{
    State().resourceInstance = instance;
}

HINSTANCE CResourceSettings::GetResourceInstance()
{
    const Settings& settings = State();
    return settings.resourceInstance != nullptr ? settings.resourceInstance : settings.instance;
}

void CResourceSettings::SetResourcePath(const std::wstring& path)
{
    std::wstring& stored = State().resourcePath;
    stored = path;
    // An empty path stays empty: a lone "\" would mean the root of the drive.
    if (!stored.empty() && stored.back() != L'\\' && stored.back() != L'/') stored += L'\\';
}

const std::wstring& CResourceSettings::GetResourcePath()
{
    return State().resourcePath;
}

void CResourceSettings::SetArchiveName(const std::wstring& name, bool keepOpen)
{
    Settings& settings = State();
    if (name == settings.archiveName && keepOpen == settings.keepArchiveOpen && (!keepOpen || settings.archive))
        return;
    settings.archive.reset();
    settings.archiveName = name;
    settings.keepArchiveOpen = keepOpen;
    if (keepOpen && !name.empty()) settings.archive = OpenArchiveFile(settings.resourcePath + name);
}

const std::wstring& CResourceSettings::GetArchiveName()
{
    return State().archiveName;
}

bool CResourceSettings::IsArchiveKeptOpen()
{
    return State().keepArchiveOpen;
}

void CResourceSettings::SetArchiveBytes(const void* bytes, std::size_t size)
{
    Settings& settings = State();
    if (settings.archiveName == kMemoryArchiveName && settings.archive) return;
    settings.archive.reset();
    settings.archiveName = kMemoryArchiveName;
    settings.keepArchiveOpen = true;
    auto archive = std::make_unique<SkinArchive>();
    if (archive->Open(ArchiveFormat(), bytes, size)) {
        settings.archive = std::move(archive);
    } else {
        TRACE(L"cannot open the skin archive of %u bytes in memory\r\n", static_cast<unsigned>(size));
    }
}

bool CResourceSettings::SetArchiveResource(const wchar_t* id)
{
    // Resource data stays mapped as long as the module is loaded, and the
    // archive is unpacked when opened, so the bytes need no copy.
    const HMODULE module = GetResourceInstance();
    const HRSRC resource = ::FindResourceW(module, id, kArchiveResourceType);
    if (resource == nullptr) return false;
    const DWORD size = ::SizeofResource(module, resource);
    const HGLOBAL loaded = size != 0 ? ::LoadResource(module, resource) : nullptr;
    const void* bytes = loaded != nullptr ? ::LockResource(loaded) : nullptr;
    if (bytes == nullptr) return false;
    SetArchiveBytes(bytes, size);
    return true;
}

void CResourceSettings::SetUse7z(bool use7z)
{
    State().use7z = use7z;
}

bool CResourceSettings::IsUsing7z()
{
    return State().use7z;
}

SkinReadStatus CResourceSettings::ReadSkinFile(const std::wstring& name, std::size_t maxSize,
                                               std::vector<std::uint8_t>& bytes)
{
    bytes.clear();
    Settings& settings = State();
    if (settings.archiveName.empty()) return detail::ReadWholeFile(settings.resourcePath + name, maxSize, bytes);

    std::unique_ptr<SkinArchive> openedForThisRead;
    const SkinArchive* archive = settings.archive.get();
    if (archive == nullptr && settings.archiveName != kMemoryArchiveName) {
        openedForThisRead = OpenArchiveFile(settings.resourcePath + settings.archiveName);
        archive = openedForThisRead.get();
        // An archive to keep that could not be opened earlier is kept now.
        if (settings.keepArchiveOpen) settings.archive = std::move(openedForThisRead);
    }
    if (archive == nullptr) return SkinReadStatus::ArchiveOpenFailed;

    const auto index = archive->Find(name);
    if (!index) return SkinReadStatus::EntryMissing;
    const SkinArchive::Entry& entry = archive->GetEntry(*index);
    if (entry.size == 0) return SkinReadStatus::Empty;
    if (entry.size > maxSize) return SkinReadStatus::TooLarge;
    if (!entry.unpacked) return SkinReadStatus::ExtractFailed;
    try {
        bytes = entry.data;
    } catch (const std::bad_alloc&) {
        return SkinReadStatus::ExtractFailed;
    }
    return SkinReadStatus::Ok;
}

} // namespace SkinUI
