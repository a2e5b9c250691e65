#pragma once

#include <string>

namespace Utils {

// Whether this process's token is in the built-in Administrators group.
bool IsAdminToken();
// Whether the local account user has administrator privilege.
bool IsAdminAccount(const std::wstring& user);
// The user name of the session on the physical console.
bool ConsoleUserName(std::wstring& name);

} // namespace Utils
