#pragma once

#include "Utils/UniqueHandle.h"

#include <string>

// A test helper process with its standard input and output on pipes.
class ChildProcess {
public:
    // Starts "<folder of this test>\<exe>" args; false when it cannot start.
    bool Start(const std::wstring& exe, const std::wstring& args, DWORD flags = 0);
    std::string ReadLine();
    void CloseInput() { input_.Reset(); }
    DWORD Wait(DWORD ms = 30000);
    HANDLE Process() const { return process_.Get(); }
    DWORD Id() const { return id_; }

private:
    Utils::UniqueHandle process_;
    Utils::UniqueHandle input_;
    Utils::UniqueHandle output_;
    DWORD id_ = 0;
};

std::wstring TestFolder();
