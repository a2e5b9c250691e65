#pragma once

#include "Utils/FileSystem.h"

#include <windows.h>

#include <string>

// A fresh folder below the temporary folder, removed with everything in it
// on destruction. name may hold blanks, non-ASCII letters or subfolders.
class TempFolder {
public:
    explicit TempFolder(const std::wstring& name = L"work")
    {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        root_ = std::wstring(temp) + L"melvane-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                std::to_wstring(++counter_);
        path_ = root_ + L"\\" + name;
        Utils::CreateDirectories(path_);
    }
    ~TempFolder() { Utils::RemoveDirectoryTree(root_); }

    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& Path() const { return path_; }
    std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    static inline int counter_ = 0;
    std::wstring root_;
    std::wstring path_;
};
