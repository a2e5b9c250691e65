#include "Utils/FileSystem.h"

#include <windows.h>

namespace Utils {

namespace {
constexpr size_t kMaxPathLength = 260;

bool EnsureFolder(const std::wstring& folder)
{
    if (DirectoryExists(folder)) return true;
    return ::CreateDirectoryW(folder.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS;
}
} // namespace

bool FileExists(const std::wstring& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::wstring& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateDirectories(const std::wstring& path)
{
    if (path.size() > kMaxPathLength) return false;
    // "\\server\share\" cannot be created, only what lies below it.
    size_t skip = 0;
    if (path.rfind(L"\\\\", 0) == 0) {
        const size_t server = path.find(L'\\', 2);
        const size_t share = server == std::wstring::npos ? server : path.find(L'\\', server + 1);
        skip = share == std::wstring::npos ? path.size() : share + 1;
    }
    for (size_t pos = path.find(L'\\', skip); pos != std::wstring::npos; pos = path.find(L'\\', pos + 1)) {
        if (!EnsureFolder(path.substr(0, pos + 1))) return false;
    }
    if (path.size() > skip && path.back() != L'\\') return EnsureFolder(path);
    return true;
}

bool RemoveDirectoryTree(const std::wstring& path)
{
    if (!DirectoryExists(path)) return !FileExists(path);
    WIN32_FIND_DATAW data{};
    HANDLE find = ::FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = path + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveDirectoryTree(child);
            } else {
                ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileW(child.c_str());
            }
        } while (::FindNextFileW(find, &data));
        ::FindClose(find);
    }
    return ::RemoveDirectoryW(path.c_str()) != FALSE;
}

std::wstring ModulePath()
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring ModuleFolder()
{
    const std::wstring path = ModulePath();
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

} // namespace Utils
