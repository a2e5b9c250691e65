#pragma once

#include <string>

// The records that find an earlier installation (registry key
// HKEY_CURRENT_USER\Software\TavikSoft\Melvane) and the ones written after
// installing (that key, set.ini and config.ini in the install folder and the
// analytics INI). Used on the window thread; every registry or INI failure is
// ignored: a missing key means not installed, a failed write keeps the old value.
class CInstallRecords {
public:
    static constexpr const wchar_t* kRegistryKey = L"Software\\TavikSoft\\Melvane";
    static constexpr const wchar_t* kProductFolderName = L"Melvane";
    static constexpr const wchar_t* kUninstallerEntryName = L"uninst.ep";

    // Reads InstallPath and UnInstallEp; without UnInstallEp the old
    // uninstaller is the default entry of InstallPath.
    void ReadInstallRecords();

    // Existing folder when its uninstaller is there, else the folder the
    // user's rights call for. Also sets AdminAccount and Elevated.
    std::wstring DefaultInstallFolder();
    // The folder for the text of the custom-folder box.
    std::wstring CustomInstallFolder(const std::wstring& editText);
    // true when the old version must not be uninstalled before installing
    // into targetFolder: same folder and set.ini there says IsOverride=false.
    bool KeepsOldVersion(const std::wstring& targetFolder) const;

    void WriteProductIni(const std::wstring& installFolder, int languageIndex) const;
    // reportedUninstaller: what the package reported (UninstEp=), or "".
    void WriteRegistryRecords(const std::wstring& installFolder, const std::wstring& reportedUninstaller) const;

    // APPDATA (or the common documents folder) + "\TavikData\Melvane".
    static std::wstring AnalyticsFolder();

    const std::wstring& ExistingFolder() const { return existingFolder_; }
    const std::wstring& OldUninstaller() const { return oldUninstaller_; }
    bool Installed() const { return !existingFolder_.empty(); }
    bool AdminAccount() const { return adminAccount_; }
    bool Elevated() const { return elevated_; }

private:
    std::wstring existingFolder_;
    std::wstring oldUninstaller_;
    bool adminAccount_ = false;
    bool elevated_ = false;
};
