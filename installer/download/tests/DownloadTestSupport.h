#pragma once

#include <string>

// -1 when the file does not exist.
long long FileSize(const std::wstring& path);
