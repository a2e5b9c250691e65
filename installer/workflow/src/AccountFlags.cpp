#include "AccountFlags.h"

#include "Utils/Accounts.h"

#include <string>

bool ConsoleUserIsAdmin()
{
    std::wstring user;
    return Utils::ConsoleUserName(user) && Utils::IsAdminAccount(user);
}
