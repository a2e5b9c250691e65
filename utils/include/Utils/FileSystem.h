#pragma once

#include <string>

namespace Utils {

// Creates every folder along path, left to right. false at once for a path
// longer than 260 characters, or as soon as one creation fails.
bool CreateDirectories(const std::wstring& path);

// Deletes a folder with everything in it; true when nothing is left.
bool RemoveDirectoryTree(const std::wstring& path);

bool FileExists(const std::wstring& path);
bool DirectoryExists(const std::wstring& path);

// The running executable's full path and its folder (no trailing backslash).
std::wstring ModulePath();
std::wstring ModuleFolder();

} // namespace Utils
