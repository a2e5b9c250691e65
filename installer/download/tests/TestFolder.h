#pragma once

#include <string>

// A fresh folder in the temporary folder, deleted with everything in it.
class TestFolder {
public:
    TestFolder();
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    std::wstring Path(const std::wstring& name) const { return folder_ + L"\\" + name; }

private:
    std::wstring folder_;
};

// -1 when the file does not exist.
long long FileSize(const std::wstring& path);
