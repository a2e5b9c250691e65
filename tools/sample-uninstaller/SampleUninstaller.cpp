// Plays the old version's uninstaller: removes what sample-package installed
// from the folder given by "_?=" and reports through the uninstall protocol.
//
// The behaviour is chosen by the environment variable MELVANE_SAMPLE_UNINSTALL:
//   (unset)     remove the files, print Progress= lines and State=Success
//   fail        print State=Fail and end without removing anything
//   error       print an Error= line instead of a state
//   silent      remove the files and print nothing
//   exit:N      print nothing, remove nothing and end with exit code N
//   crash       end by an access violation
//   gbk-error   print Encode=936 and then an Error= line in code page 936

#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <string>

namespace {

// The files sample-package puts into the product folder.
const wchar_t* const kInstalledFiles[] = {L"Melvane.exe", L"Melvane.dat", L"install.log", L"uninst.ep"};

void WriteOut(const std::string& bytes)
{
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void Print(const std::string& line)
{
    WriteOut(line + "\n");
}

std::wstring Environment(const wchar_t* name)
{
    wchar_t buffer[256] = {};
    const DWORD length = ::GetEnvironmentVariableW(name, buffer, 256);
    return length > 0 && length < 256 ? buffer : L"";
}

// "_?=" comes last and unquoted: the folder is the rest of the command line.
std::wstring TargetFolder()
{
    const std::wstring commandLine = ::GetCommandLineW();
    const size_t at = commandLine.find(L" _?=");
    if (at == std::wstring::npos) return {};
    std::wstring folder = commandLine.substr(at + 4);
    while (!folder.empty() && (folder.back() == L' ' || folder.back() == L'\\')) folder.pop_back();
    return folder;
}

bool HasSwitch(const wchar_t* name)
{
    int count = 0;
    wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    bool found = false;
    for (int i = 1; arguments && i < count && !found; ++i) found = std::wstring(arguments[i]).rfind(name, 0) == 0;
    ::LocalFree(arguments);
    return found;
}

int RemoveProduct(const std::wstring& folder, bool report)
{
    const int total = static_cast<int>(sizeof(kInstalledFiles) / sizeof(kInstalledFiles[0]));
    for (int i = 0; i < total; ++i) {
        ::DeleteFileW((folder + L"\\" + kInstalledFiles[i]).c_str());
        if (report) Print("Progress=" + std::to_string(static_cast<double>(i + 1) / total));
    }
    // Only an emptied folder goes; whatever else lives there stays.
    ::RemoveDirectoryW(folder.c_str());
    if (report) Print("State=Success");
    return 0;
}

} // namespace

int wmain()
{
    const std::wstring mode = Environment(L"MELVANE_SAMPLE_UNINSTALL");
    if (mode.rfind(L"exit:", 0) == 0) return std::wcstol(mode.c_str() + 5, nullptr, 10);
    if (mode == L"crash") {
        *static_cast<volatile int*>(nullptr) = 1;
        return 0;
    }

    const std::wstring folder = TargetFolder();
    if (!HasSwitch(L"/S") || !HasSwitch(L"-adminact=") || !HasSwitch(L"-authorizationact=") || folder.empty()) {
        Print("Error=expected /S -adminact= -authorizationact= -console=show _?=<folder>");
        return 2;
    }
    if (mode == L"silent") return RemoveProduct(folder, false);

    Print("Encode=UTF8");
    Print("Progress=0.1");
    if (mode == L"fail") {
        Print("State=Fail");
        return 1;
    }
    if (mode == L"error") {
        Print("Error=卸载程序被拒绝访问");
        return 1;
    }
    if (mode == L"gbk-error") {
        Print("Encode=936");
        Print("Error=\xd0\xb6\xd4\xd8\xca\xa7\xb0\xdc");  // "卸载失败" in code page 936
        return 1;
    }
    return RemoveProduct(folder, true);
}
