#include "Utils/Accounts.h"

#include <windows.h>
#include <lm.h>
#include <wtsapi32.h>

namespace Utils {

bool IsAdminToken()
{
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!::AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS,
                                    0, 0, 0, 0, 0, 0, &administrators)) {
        return false;
    }
    BOOL member = FALSE;
    const BOOL ok = ::CheckTokenMembership(nullptr, administrators, &member);
    ::FreeSid(administrators);
    return ok && member;
}

bool IsAdminAccount(const std::wstring& user)
{
    LPBYTE buffer = nullptr;
    if (::NetUserGetInfo(nullptr, user.c_str(), 1, &buffer) != NERR_Success || !buffer) return false;
    const bool admin = reinterpret_cast<USER_INFO_1*>(buffer)->usri1_priv == USER_PRIV_ADMIN;
    ::NetApiBufferFree(buffer);
    return admin;
}

bool ConsoleUserName(std::wstring& name)
{
    LPWSTR buffer = nullptr;
    DWORD bytes = 0;
    if (!::WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, ::WTSGetActiveConsoleSessionId(), WTSUserName,
                                       &buffer, &bytes) ||
        !buffer) {
        return false;
    }
    name = buffer;
    ::WTSFreeMemory(buffer);
    return true;
}

} // namespace Utils
